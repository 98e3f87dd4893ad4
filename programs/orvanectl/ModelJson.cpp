#include "ModelJson.h"

namespace orvane {

namespace {
template <typename T, std::size_t N> nlohmann::json Array(const T (&a)[N]) {
    nlohmann::json out = nlohmann::json::array();
    for (const T& v : a)
        out.push_back(v);
    return out;
}

template <std::size_t N, std::size_t M> nlohmann::json Texts(const char (&a)[N][M]) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& t : a)
        out.push_back(FieldText(t));
    return out;
}
} // namespace

nlohmann::json ModelToJson(const CModelInfo2& m) {
    nlohmann::json j = nlohmann::json::object();
    j["Name"] = m.Name;
    j["Type"] = m.Type;
    j["ModelID"] = m.ModelID;
    j["ConnectMethod"] = Array(m.ConnectMethod);
    j["ComNo"] = Array(m.ComNo);
    j["PortNo"] = Array(m.PortNo);
    j["IPAddress"] = Texts(m.IPAddress);
    j["Password"] = Texts(m.Password);
    j["Discovery"] = m.Discovery;
    j["ImageSendEnable"] = m.ImageSendEnable;
    j["ImageDispEnable"] = m.ImageDispEnable;
    j["ToolbarConfig"] = m.ToolbarConfig;
    j["ToolbarButtonCount"] = m.ToolbarButtonCount;
    j["InputNameView"] = Texts(m.InputNameView);
    j["IconSize"] = m.IconSize;
    j["AlwaysOnTop"] = m.AlwaysOnTop;
    j["PjtNum"] = m.PjtNum;
    j["SelectPrj"] = m.SelectPrj;
    j["ToolbarPowerOn"] = m.ToolbarPowerOn;
    j["ToolbarPowerOff"] = m.ToolbarPowerOff;
    j["ToolbarBlankOn"] = m.ToolbarBlankOn;
    j["ToolbarBlankOff"] = m.ToolbarBlankOff;
    j["ToolbarVolume"] = m.ToolbarVolume;
    j["ToolbarMute"] = m.ToolbarMute;
    j["ToolbarFreezeOn"] = m.ToolbarFreezeOn;
    j["ToolbarFreezeOff"] = m.ToolbarFreezeOff;
    j["ToolbarAdvance"] = m.ToolbarAdvance;
    j["ToolbarAbout"] = m.ToolbarAbout;
    j["ToolbarImgSend"] = m.ToolbarImgSend;
    j["PjtKind"] = Array(m.PjtKind);
    for (const RangeField& r : AllRangeFields())
        j[r.name] = m.*r.field;
    j["AspectNum"] = m.AspectNum;
    j["AspectCode"] = Array(m.AspectCode);
    j["AspectName"] = Texts(m.AspectName);
    j["WhisperNum"] = m.WhisperNum;
    j["WhisperCode"] = Array(m.WhisperCode);
    j["WhisperName"] = Texts(m.WhisperName);
    j["WhisperType"] = m.WhisperType;
    j["GammaNum"] = m.GammaNum;
    j["GammaCode"] = Array(m.GammaCode);
    j["GammaName"] = Texts(m.GammaName);
    j["ColorTempNum"] = m.ColorTempNum;
    j["ColorTempCode"] = Array(m.ColorTempCode);
    j["ColorTempName"] = Texts(m.ColorTempName);
    j["InputNum"] = m.InputNum;
    j["InputName"] = Texts(m.InputName);
    j["InputCode"] = Array(m.InputCode);
    j["InputShow"] = Array(m.InputShow);
    j["MyButtonNum"] = m.MyButtonNum;
    j["MyButtonCode"] = Array(m.MyButtonCode);
    j["MyButtonName"] = Texts(m.MyButtonName);
    return j;
}

} // namespace orvane
