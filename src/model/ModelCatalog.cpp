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

void ReadCodeList(const PrivateProfile& ini, const std::string& section, const ListField& list, CModelInfo2& m) {
    const int count = BeginListRead(m, list, ini.GetInt(section, list.countKey));
    for (int n = 1; n <= count; ++n)
        ParseCatalogEntry(ini.GetString(section, NumberedKey(list.entryPrefix, n)), (m.*list.codes)[n - 1],
                          (m.*list.names)[n - 1]);
}

void FillRecord(const PrivateProfile& ini, CModelInfo2& m) {
    const std::string& s = m.Name;
    m.Type = ini.GetInt(s, "Type");
    m.ModelID = ini.GetInt(s, "ModelID");
    if (m.ModelID == 0)
        m.ModelID = LookupBuiltInModelId(m.Name.c_str());
    m.PjtNum = 0;
    const int method = ini.GetInt(s, "ConnectMethod");
    const int comNo = ini.GetInt(s, "ComNo");
    const int portNo = ini.GetInt(s, "PortNo");
    for (int i = 0; i < CModelInfo2::kSlots; ++i) {
        m.ConnectMethod[i] = method;
        m.ComNo[i] = comNo;
        m.PortNo[i] = portNo;
        SetText(m.IPAddress[i], "192.168.1.10");
        SetText(m.Password[i], "");
    }
    m.IconSize = 0;
    m.AlwaysOnTop = 0;
    m.Discovery = ini.GetInt(s, "Discovery");
    m.ImageSendEnable = ini.GetInt(s, "ImageSendEnable") > 0 ? 1 : 0;
    m.ImageDispEnable = ini.GetInt(s, "ImageDispEnable") > 0 ? 1 : 0;
    for (const RangeField& r : AllRangeFields())
        m.*r.field = ini.GetString(s, r.name);
    ReadCodeList(ini, s, AspectList(), m);
    ReadCodeList(ini, s, WhisperList(), m);
    m.WhisperType = ini.GetInt(s, "WhisperType");
    ReadCodeList(ini, s, GammaList(), m);
    ReadCodeList(ini, s, ColorTempList(), m);

    m.InputNum = ini.GetInt(s, "InputNum");
    if (m.InputNum > CModelInfo2::kInputCapacity)
        m.InputNum = CModelInfo2::kInputCapacity;
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i)
        m.InputCode[i] = -1;
    for (int n = 1; n <= m.InputNum; ++n) {
        ParseCatalogEntry(ini.GetString(s, NumberedKey("Input_", n)), m.InputCode[n - 1], m.InputName[n - 1]);
        m.InputShow[n - 1] = 1;
    }
    ReadCodeList(ini, s, MyButtonList(), m);

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

void LoadModelCatalog(ModelList& list) { LoadModelCatalogFrom(kModelCatalogFile, list); }

void LoadModelCatalogFrom(const std::string& path, ModelList& list) {
    list.clear();
    const PrivateProfile ini = PrivateProfile::Load(path);
    // Model keys have three digits; a larger count is a damaged file, and honouring it
    // would build millions of empty records.
    const int num = std::min(ini.GetInt("MODEL", "Num"), kMaxCatalogModels);
    for (int i = 1; i <= num; ++i) {
        auto record = std::make_unique<CModelInfo2>();
        record->Name = ini.GetString("MODEL", NumberedKey("Model_", i));
        CModelInfo2& m = *record;
        list.push_back(std::move(record));
        FillRecord(ini, m);
        // Kept from the original reader, which paced itself between models.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int FindModelIndex(const ModelList& list, const std::string& name) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i]->Name == name)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace orvane
