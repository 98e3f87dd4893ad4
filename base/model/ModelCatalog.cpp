#include "model/ModelCatalog.h"

#include "model/BuiltInModelTable.h"
#include "platform/PrivateProfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace orvane {

namespace {

using Section = PrivateProfile::Section;

void ReadCodeList(const Section& sec, const ListField& list, CModelInfo2& m) {
    const int count = BeginListRead(m, list, sec.GetInt(list.countKey));
    for (int n = 1; n <= count; ++n) {
        ParseCatalogEntry(sec.GetString(NumberedKey(list.entryPrefix, n)), (m.*list.codes)[n - 1],
                          (m.*list.names)[n - 1]);
    }
}

// Model keys have three digits; a larger count is a damaged file, and honouring it would
// build millions of empty records.
int ModelCount(const Section& models) {
    return std::min(models.GetInt("Num"), kMaxCatalogModels);
}

std::string ModelName(const Section& models, int i) {
    return models.GetString(NumberedKey("Model_", i));
}

// A model without an id of its own has the built-in table's.
int32_t ModelId(const Section& sec, const std::string& name) {
    const int32_t id = sec.GetInt("ModelID");
    return id != 0 ? id : LookupBuiltInModelId(name.c_str());
}

// The model's section is looked up once; its keys are then found without touching the
// section name again.
void FillRecord(const Section& sec, CModelInfo2& m) {
    m.Type = sec.GetInt("Type");
    m.ModelID = ModelId(sec, m.Name);
    m.PjtNum = 0;
    const int method = sec.GetInt("ConnectMethod");
    const int comNo = sec.GetInt("ComNo");
    const int portNo = sec.GetInt("PortNo");
    for (int i = 0; i < CModelInfo2::kSlots; ++i) {
        m.ConnectMethod[i] = method;
        m.ComNo[i] = comNo;
        m.PortNo[i] = portNo;
        SetText(m.IPAddress[i], "192.168.1.10");
        SetText(m.Password[i], "");
    }
    m.IconSize = 0;
    m.AlwaysOnTop = 0;
    m.Discovery = sec.GetInt("Discovery");
    m.ImageSendEnable = sec.GetInt("ImageSendEnable") > 0 ? 1 : 0;
    m.ImageDispEnable = sec.GetInt("ImageDispEnable") > 0 ? 1 : 0;
    for (const RangeField& r : AllRangeFields())
        m.*r.field = sec.GetString(r.name);
    ReadCodeList(sec, AspectList(), m);
    ReadCodeList(sec, WhisperList(), m);
    m.WhisperType = sec.GetInt("WhisperType");
    ReadCodeList(sec, GammaList(), m);
    ReadCodeList(sec, ColorTempList(), m);

    m.InputNum = sec.GetInt("InputNum");
    if (m.InputNum > CModelInfo2::kInputCapacity)
        m.InputNum = CModelInfo2::kInputCapacity;
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i)
        m.InputCode[i] = -1;
    for (int n = 1; n <= m.InputNum; ++n) {
        ParseCatalogEntry(sec.GetString(NumberedKey("Input_", n)), m.InputCode[n - 1], m.InputName[n - 1]);
        m.InputShow[n - 1] = 1;
    }
    ReadCodeList(sec, MyButtonList(), m);

    m.ToolbarConfig = 1;
    m.ToolbarPowerOn = m.ToolbarPowerOff = m.ToolbarBlankOn = m.ToolbarBlankOff = 1;
    m.ToolbarVolume = m.ToolbarMute = m.ToolbarFreezeOn = m.ToolbarFreezeOff = 1;
    m.ToolbarAdvance = m.ToolbarAbout = m.ToolbarImgSend = 1;
}

} // namespace

void ParseCatalogEntry(const std::string& value, int32_t& code, char (&label)[CModelInfo2::kTextBytes]) {
    std::size_t semi = value.find(';');
    code = ProfileAtoi(value.substr(0, semi));
    SetText(label, semi == std::string::npos ? std::string_view() : std::string_view(value).substr(semi + 1));
}

FileReadResult LoadModelCatalog(ModelList& list) {
    return LoadModelCatalogFrom(kModelCatalogFile, list);
}

FileReadResult LoadModelCatalogFrom(const std::string& path, ModelList& list, int pauseMs,
                                    const std::atomic<bool>* hurry) {
    list.clear();
    const PrivateProfile ini = PrivateProfile::Load(path, kMaxModelCatalogSize);
    if (ini.Loaded())
        ReadModelCatalog(ini, list, pauseMs, hurry);
    return ini.ReadResult();
}

void ReadModelCatalog(const PrivateProfile& ini, ModelList& list, int pauseMs, const std::atomic<bool>* hurry,
                      const std::function<void()>& listComplete) {
    list.clear();
    const Section models = ini.GetSection("MODEL");
    const int num = ModelCount(models);
    list.reserve(num > 0 ? static_cast<std::size_t>(num) : 0);
    for (int i = 1; i <= num; ++i) {
        auto record = std::make_unique<CModelInfo2>();
        record->Name = ModelName(models, i);
        CModelInfo2& m = *record;
        list.push_back(std::move(record));
        FillRecord(ini.GetSection(m.Name), m);
        if (i == num && listComplete)
            listComplete();
        // Kept from the original reader, which paced itself between models.
        if (pauseMs > 0 && (hurry == nullptr || !hurry->load()))
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
}

FileReadResult LoadModelCatalogIdsFrom(const std::string& path, std::vector<CatalogModelId>& ids) {
    ids.clear();
    const PrivateProfile ini = PrivateProfile::Load(path, kMaxModelCatalogSize);
    if (!ini.Loaded())
        return ini.ReadResult();
    const Section models = ini.GetSection("MODEL");
    const int num = ModelCount(models);
    ids.reserve(num > 0 ? static_cast<std::size_t>(num) : 0);
    for (int i = 1; i <= num; ++i) {
        CatalogModelId& entry = ids.emplace_back();
        entry.name = ModelName(models, i);
        entry.modelId = ModelId(ini.GetSection(entry.name), entry.name);
    }
    return ini.ReadResult();
}

int FindModelIndex(const ModelList& list, const std::string& name) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i]->Name == name)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace orvane
