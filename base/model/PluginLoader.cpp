#include "model/PluginLoader.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>
#include <vector>

namespace orvane {

namespace {

constexpr const char* kDefaultAddress = "192.168.1.10";

// A plug-in's text: at most 63 bytes, whether or not it ends within its field.
std::string_view PluginText(const char (&field)[ORVANE_PLUGIN_TEXT_BYTES]) {
    return std::string_view(field, strnlen(field, ORVANE_PLUGIN_TEXT_BYTES - 1));
}

std::string PluginString(const char (&field)[ORVANE_PLUGIN_TEXT_BYTES]) {
    return std::string(CutUtf8(PluginText(field), ORVANE_PLUGIN_TEXT_BYTES - 1));
}

void CopyList(const ListField& list, std::int32_t count, const std::int32_t (&codes)[ORVANE_PLUGIN_LIST_CAPACITY],
              const char (&names)[ORVANE_PLUGIN_LIST_CAPACITY][ORVANE_PLUGIN_TEXT_BYTES], CModelInfo2& m) {
    const int n = ClampCount(count, CModelInfo2::kListCapacity);
    m.*list.count = n;
    for (int i = 0; i < CModelInfo2::kListCapacity; ++i) {
        (m.*list.codes)[i] = 0;
        SetText((m.*list.names)[i], "");
    }
    for (int i = 0; i < n; ++i) {
        (m.*list.codes)[i] = codes[i];
        SetText((m.*list.names)[i], PluginText(names[i]));
    }
}

bool HidesSound(std::int32_t id) {
    return (id >= 1000 && id <= 1005) || (id >= 176 && id <= 178) || id == 185 || (id >= 194 && id <= 199) ||
           id == 32850 || id == 500 || id == 501;
}

} // namespace

PluginTable::PluginTable() : DllModel(std::make_unique<PluginModelData>()), entries_(new PluginEntry[kSlots]) {}

int PluginTable::LoadPlugins(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) {
            if (fnmatch(kPluginPattern, e->d_name, 0) == 0)
                names.emplace_back(e->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    if (names.size() > static_cast<std::size_t>(kSlots))
        names.resize(kSlots);

    int usable = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        PluginEntry& slot = entries_[i];
        slot = PluginEntry{};
        slot.fileName = names[i];
        // A path with a slash: dlopen takes it as it is, without searching.
        const std::string path = folder + "/" + names[i];
        slot.module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (slot.module == nullptr)
            continue;
        slot.buildDialog = reinterpret_cast<BuildDialogFunction>(dlsym(slot.module, "buildDialog"));
        slot.copyModelData =
            reinterpret_cast<CopyModelDataDll2MainFunction>(dlsym(slot.module, "CopyModelDataDll2Main"));
        if (slot.Usable()) {
            ++usable;
        } else {
            dlclose(slot.module);
            slot.module = nullptr;
            slot.buildDialog = nullptr;
            slot.copyModelData = nullptr;
        }
    }
    return usable;
}

void PluginTable::AddPluginModels(ModelList& list) {
    for (int i = 0; i < kSlots; ++i) {
        PluginEntry& slot = entries_[i];
        if (!slot.Usable())
            continue;
        *DllModel = slot.copyModelData();
        auto record = std::make_unique<CModelInfo2>();
        ModelFromPluginData(*DllModel, *record);
        slot.modelName = record->Name;
        list.push_back(std::move(record));
    }
}

int PluginTable::FindPlugin(const std::string& name) const {
    for (int i = 0; i < kSlots; ++i) {
        if (entries_[i].Usable() && entries_[i].modelName == name)
            return i;
    }
    return -1;
}

void ModelFromPluginData(const PluginModelData& d, CModelInfo2& m) {
    m.Name = PluginString(d.modelName);
    m.Type = d.type;
    m.ModelID = d.modelId;
    for (int s = 0; s < CModelInfo2::kSlots; ++s) {
        m.ConnectMethod[s] = d.connectMethod;
        m.ComNo[s] = d.comNo;
        m.PortNo[s] = d.tcpPort;
        SetText(m.IPAddress[s], kDefaultAddress);
        SetText(m.Password[s], "");
    }
    m.Discovery = d.discovery;
    m.ImageSendEnable = d.imageSend;
    m.ImageDispEnable = d.imageDisp;
    const auto& ranges = AllRangeFields();
    for (std::size_t i = 0; i < ranges.size() && i < ORVANE_PLUGIN_RANGE_COUNT; ++i)
        m.*ranges[i].field = PluginString(d.ranges[i]);

    m.PjtNum = 0;
    m.IconSize = 0;
    m.AlwaysOnTop = 0;
    m.ToolbarConfig = 1;
    m.ToolbarPowerOn = m.ToolbarPowerOff = m.ToolbarBlankOn = m.ToolbarBlankOff = 1;
    m.ToolbarVolume = m.ToolbarMute = m.ToolbarFreezeOn = m.ToolbarFreezeOff = 1;
    m.ToolbarAdvance = m.ToolbarAbout = m.ToolbarImgSend = 1;
    if (HidesSound(m.ModelID))
        m.ToolbarVolume = m.ToolbarMute = 0;
    if (m.ModelID == 500)
        m.ToolbarFreezeOn = m.ToolbarFreezeOff = 0;
    if (m.ModelID == 167 || m.ModelID == 168)
        m.ToolbarPowerOn = m.ToolbarPowerOff = 0;

    CopyList(AspectList(), d.aspectNum, d.aspectCode, d.aspectName, m);
    CopyList(WhisperList(), d.whisperNum, d.whisperCode, d.whisperName, m);
    CopyList(GammaList(), d.gammaNum, d.gammaCode, d.gammaName, m);
    CopyList(ColorTempList(), d.colorTempNum, d.colorTempCode, d.colorTempName, m);
    CopyList(MyButtonList(), d.myButtonNum, d.myButtonCode, d.myButtonName, m);

    const int inputs = ClampCount(d.inputNum, CModelInfo2::kInputCapacity);
    m.InputNum = inputs;
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i) {
        m.InputCode[i] = -1;
        m.InputShow[i] = -1;
        SetText(m.InputName[i], "");
    }
    for (int i = 0; i < inputs; ++i) {
        m.InputShow[i] = 1;
        m.InputCode[i] = d.inputCode[i];
        SetText(m.InputName[i], PluginText(d.inputName[i]));
    }
}

} // namespace orvane
