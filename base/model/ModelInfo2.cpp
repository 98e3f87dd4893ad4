#include "model/ModelInfo2.h"

#include <cstdio>
#include <cstring>

namespace orvane {

namespace {
template <typename T, std::size_t N> void Fill(T (&a)[N], T v) {
    for (auto& x : a)
        x = v;
}
template <std::size_t N, std::size_t M> void Clear(char (&a)[N][M]) {
    std::memset(a, 0, sizeof a);
}
} // namespace

CModelInfo2::CModelInfo2() {
    Type = -1;
    ModelID = -1;
    Fill(ConnectMethod, -1);
    Fill(ComNo, -1);
    Fill(PortNo, -1);
    Clear(IPAddress);
    Clear(Password);
    Discovery = -1;
    ImageSendEnable = 0;
    ImageDispEnable = 0;
    ToolbarConfig = -1;
    ToolbarButtonCount = -1;
    Clear(InputNameView);
    IconSize = -1;
    AlwaysOnTop = -1;
    PjtNum = -1;
    SelectPrj = -1;
    ToolbarPowerOn = ToolbarPowerOff = ToolbarBlankOn = ToolbarBlankOff = -1;
    ToolbarVolume = ToolbarMute = ToolbarFreezeOn = ToolbarFreezeOff = -1;
    ToolbarAdvance = ToolbarAbout = ToolbarImgSend = -1;
    Fill(PjtKind, -1);
    AspectNum = WhisperNum = WhisperType = GammaNum = ColorTempNum = InputNum = MyButtonNum = -1;
    Fill(AspectCode, -1);
    Fill(WhisperCode, -1);
    Fill(GammaCode, -1);
    Fill(ColorTempCode, -1);
    Fill(MyButtonCode, -1);
    Fill(InputCode, -1);
    Fill(InputShow, -1);
    Clear(AspectName);
    Clear(WhisperName);
    Clear(GammaName);
    Clear(ColorTempName);
    Clear(MyButtonName);
    Clear(InputName);
}

CModelInfo2::CModelInfo2(const CModelInfo2& other) : CModelInfo2() {
    CopyFrom(other);
}

CModelInfo2& CModelInfo2::operator=(const CModelInfo2& other) {
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CModelInfo2::CopyFrom(const CModelInfo2& o) {
    Name = o.Name;
    Type = o.Type;
    ModelID = o.ModelID;
    std::memcpy(ConnectMethod, o.ConnectMethod, sizeof ConnectMethod);
    std::memcpy(ComNo, o.ComNo, sizeof ComNo);
    std::memcpy(PortNo, o.PortNo, sizeof PortNo);
    std::memcpy(IPAddress, o.IPAddress, sizeof IPAddress);
    std::memcpy(Password, o.Password, sizeof Password);
    Discovery = o.Discovery;
    ImageSendEnable = o.ImageSendEnable;
    ImageDispEnable = o.ImageDispEnable;
    ToolbarConfig = o.ToolbarConfig;
    ToolbarButtonCount = o.ToolbarButtonCount;
    std::memcpy(InputNameView, o.InputNameView, sizeof InputNameView);
    IconSize = o.IconSize;
    AlwaysOnTop = o.AlwaysOnTop;
    PjtNum = o.PjtNum;
    SelectPrj = o.SelectPrj;
    ToolbarPowerOn = o.ToolbarPowerOn;
    ToolbarPowerOff = o.ToolbarPowerOff;
    ToolbarBlankOn = o.ToolbarBlankOn;
    ToolbarBlankOff = o.ToolbarBlankOff;
    ToolbarVolume = o.ToolbarVolume;
    ToolbarMute = o.ToolbarMute;
    ToolbarFreezeOn = o.ToolbarFreezeOn;
    ToolbarFreezeOff = o.ToolbarFreezeOff;
    ToolbarAdvance = o.ToolbarAdvance;
    ToolbarAbout = o.ToolbarAbout;
    ToolbarImgSend = o.ToolbarImgSend;
    // PjtKind deliberately not copied.
    for (const RangeField& r : AllRangeFields())
        this->*r.field = o.*r.field;
    for (const ListField* l : {&AspectList(), &WhisperList(), &GammaList(), &ColorTempList(), &MyButtonList()}) {
        this->*l->count = o.*l->count;
        std::memcpy(this->*l->codes, o.*l->codes, sizeof(this->*l->codes));
        std::memcpy(this->*l->names, o.*l->names, sizeof(this->*l->names));
    }
    WhisperType = o.WhisperType;
    InputNum = o.InputNum;
    std::memcpy(InputName, o.InputName, sizeof InputName);
    std::memcpy(InputCode, o.InputCode, sizeof InputCode);
    std::memcpy(InputShow, o.InputShow, sizeof InputShow);
}

const std::vector<RangeField>& AllRangeFields() {
    using M = CModelInfo2;
    static const std::vector<RangeField> fields = {
        {"Brightness", &M::Brightness},
        {"Contrast", &M::Contrast},
        {"Color", &M::Color},
        {"Tint", &M::Tint},
        {"Sharpness", &M::Sharpness},
        {"UserGammaPoint1", &M::UserGammaPoint1},
        {"UserGammaPoint2", &M::UserGammaPoint2},
        {"UserGammaPoint3", &M::UserGammaPoint3},
        {"UserGammaPoint4", &M::UserGammaPoint4},
        {"UserGammaPoint5", &M::UserGammaPoint5},
        {"UserGammaPoint6", &M::UserGammaPoint6},
        {"UserGammaPoint7", &M::UserGammaPoint7},
        {"UserGammaPoint8", &M::UserGammaPoint8},
        {"ColorTempGainR", &M::ColorTempGainR},
        {"ColorTempGainG", &M::ColorTempGainG},
        {"ColorTempGainB", &M::ColorTempGainB},
        {"ColorTempOffsetR", &M::ColorTempOffsetR},
        {"ColorTempOffsetG", &M::ColorTempOffsetG},
        {"ColorTempOffsetB", &M::ColorTempOffsetB},
        {"OverScan", &M::OverScan},
        {"HPhase", &M::HPhase},
        {"KeystoneV", &M::KeystoneV},
        {"KeystoneH", &M::KeystoneH},
        {"Volume", &M::Volume},
        {"DZoom", &M::DZoom},
        {"DShiftV", &M::DShiftV},
        {"DShiftH", &M::DShiftH},
        {"Treble", &M::Treble},
        {"Bass", &M::Bass},
        {"MenuPositionV", &M::MenuPositionV},
        {"MenuPositionH", &M::MenuPositionH},
        {"AutoPowerOff", &M::AutoPowerOff},
        {"Magnify", &M::Magnify},
        {"CustomGamma", &M::CustomGamma},
        {"ColorBalR", &M::ColorBalR},
        {"ColorBalG", &M::ColorBalG},
        {"ColorBalB", &M::ColorBalB},
        {"OSDBright", &M::OSDBright},
        {"ElectricZoom", &M::ElectricZoom},
    };
    return fields;
}

const std::vector<RangeField>& StoredRangeFields() {
    static const std::vector<RangeField> fields = [] {
        static const char* const kWrittenOrder[] = {
            "AutoPowerOff",
            "ColorTempGainR",
            "ColorTempGainG",
            "ColorTempGainB",
            "ColorTempOffsetR",
            "ColorTempOffsetG",
            "ColorTempOffsetB",
            "UserGammaPoint1",
            "UserGammaPoint2",
            "UserGammaPoint3",
            "UserGammaPoint4",
            "UserGammaPoint5",
            "UserGammaPoint6",
            "UserGammaPoint7",
            "UserGammaPoint8",
            "OverScan",
            "HPhase",
            "Brightness",
            "Contrast",
            "KeystoneV",
            "KeystoneH",
            "Volume",
            "Magnify",
            "ColorBalR",
            "ColorBalG",
            "ColorBalB",
            "Sharpness",
            "Color",
            "Tint",
            "CustomGamma",
            "OSDBright",
            "ElectricZoom",
            "Treble",
            "Bass",
        };
        std::vector<RangeField> out;
        for (const char* name : kWrittenOrder) {
            for (const RangeField& r : AllRangeFields()) {
                if (std::strcmp(r.name, name) == 0)
                    out.push_back(r);
            }
        }
        return out;
    }();
    return fields;
}

int BeginListRead(CModelInfo2& m, const ListField& list, int32_t count) {
    m.*list.count = count > CModelInfo2::kListCapacity ? CModelInfo2::kListCapacity : count;
    for (auto& code : m.*list.codes)
        code = 0;
    std::memset(m.*list.names, 0, sizeof(m.*list.names));
    if (&list == &WhisperList() && count < 1) {
        m.WhisperNum = 2;
        SetText(m.WhisperName[0], "Normal");
        m.WhisperCode[1] = 1;
        SetText(m.WhisperName[1], "Whisper");
        return 0;
    }
    return m.*list.count;
}

std::string NumberedKey(const char* prefix, int n) {
    // "%s%03d" without the formatter: the catalog reader builds some hundred thousand keys.
    std::string key(prefix);
    if (n >= 0 && n <= 999) {
        key += static_cast<char>('0' + n / 100);
        key += static_cast<char>('0' + n / 10 % 10);
        key += static_cast<char>('0' + n % 10);
    } else {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%03d", n);
        key += digits;
    }
    return key;
}

#define ORVANE_LIST(fn, sec, key, prefix, stem)                                                                        \
    const ListField& fn() {                                                                                            \
        static const ListField f{                                                                                      \
            sec, key, prefix, &CModelInfo2::stem##Num, &CModelInfo2::stem##Code, &CModelInfo2::stem##Name};            \
        return f;                                                                                                      \
    }
ORVANE_LIST(WhisperList, "WHISPER", "WhisperNum", "Whisper_", Whisper)
ORVANE_LIST(AspectList, "ASPECT", "AspectNum", "Aspect_", Aspect)
ORVANE_LIST(GammaList, "GAMMA", "GammaNum", "Gamma_", Gamma)
ORVANE_LIST(ColorTempList, "COLORTEMP", "ColorTempNum", "ColorTemp_", ColorTemp)
ORVANE_LIST(MyButtonList, "MYBUTTON", "MyButtonNum", "MyButton_", MyButton)
#undef ORVANE_LIST

} // namespace orvane
