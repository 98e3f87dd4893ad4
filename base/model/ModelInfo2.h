#pragma once

#include "platform/Utf8.h"
#include <cstdint>
#include <cstring>

#include <memory>
#include <string>
#include <vector>

namespace orvane {

// The model record: one per catalog or plug-in model, and one more (the working record)
// for the projector set in use. The adjustment and image-send components read it through
// this layout, so the order and widths of the fields must not change.
class CModelInfo2 {
public:
    static constexpr int kSlots = 5;
    static constexpr int kListCapacity = 32;
    static constexpr int kInputCapacity = 16;
    static constexpr int kTextBytes = 64;        // 63 characters and the terminator
    static constexpr int kViewLabelBytes = 9;    // 8 characters and the terminator
    static constexpr int32_t kMethodNetwork = 1; // ConnectMethod of a TCP slot; 0 is a serial one

    CModelInfo2();
    CModelInfo2(const CModelInfo2& other);
    // Copies every field but PjtKind, which keeps this record's values: the kind codes
    // belong to the projectors the window has talked to, not to a configuration.
    CModelInfo2& operator=(const CModelInfo2& other);

    std::string Name;
    int32_t Type;
    int32_t ModelID;
    int32_t ConnectMethod[kSlots];
    int32_t ComNo[kSlots];
    int32_t PortNo[kSlots];
    char IPAddress[kSlots][kTextBytes];
    char Password[kSlots][kTextBytes];
    int32_t Discovery;
    int32_t ImageSendEnable;
    int32_t ImageDispEnable;
    int32_t ToolbarConfig;
    int32_t ToolbarButtonCount;
    char InputNameView[kInputCapacity][kViewLabelBytes];
    int32_t IconSize;
    int32_t AlwaysOnTop;
    int32_t PjtNum;
    int32_t SelectPrj;
    int32_t ToolbarPowerOn;
    int32_t ToolbarPowerOff;
    int32_t ToolbarBlankOn;
    int32_t ToolbarBlankOff;
    int32_t ToolbarVolume;
    int32_t ToolbarMute;
    int32_t ToolbarFreezeOn;
    int32_t ToolbarFreezeOff;
    int32_t ToolbarAdvance;
    int32_t ToolbarAbout;
    int32_t ToolbarImgSend;
    int32_t PjtKind[kSlots];

    // Adjustment ranges, kept as text and never parsed here.
    std::string Brightness;
    std::string Contrast;
    std::string Color;
    std::string Tint;
    std::string Sharpness;
    std::string UserGammaPoint1;
    std::string UserGammaPoint2;
    std::string UserGammaPoint3;
    std::string UserGammaPoint4;
    std::string UserGammaPoint5;
    std::string UserGammaPoint6;
    std::string UserGammaPoint7;
    std::string UserGammaPoint8;
    std::string ColorTempGainR;
    std::string ColorTempGainG;
    std::string ColorTempGainB;
    std::string ColorTempOffsetR;
    std::string ColorTempOffsetG;
    std::string ColorTempOffsetB;
    std::string OverScan;
    std::string HPhase;
    std::string KeystoneV;
    std::string KeystoneH;
    std::string Volume;
    std::string DZoom;
    std::string DShiftV;
    std::string DShiftH;
    std::string Treble;
    std::string Bass;
    std::string MenuPositionV;
    std::string MenuPositionH;
    std::string AutoPowerOff;
    std::string Magnify;
    std::string CustomGamma;
    std::string ColorBalR;
    std::string ColorBalG;
    std::string ColorBalB;
    std::string OSDBright;
    std::string ElectricZoom;

    int32_t AspectNum;
    int32_t AspectCode[kListCapacity];
    char AspectName[kListCapacity][kTextBytes];
    int32_t WhisperNum;
    int32_t WhisperCode[kListCapacity];
    char WhisperName[kListCapacity][kTextBytes];
    int32_t WhisperType;
    int32_t GammaNum;
    int32_t GammaCode[kListCapacity];
    char GammaName[kListCapacity][kTextBytes];
    int32_t ColorTempNum;
    int32_t ColorTempCode[kListCapacity];
    char ColorTempName[kListCapacity][kTextBytes];
    int32_t InputNum;
    char InputName[kInputCapacity][kTextBytes];
    int32_t InputCode[kInputCapacity];
    int32_t InputShow[kInputCapacity];
    int32_t MyButtonNum;
    int32_t MyButtonCode[kListCapacity];
    char MyButtonName[kListCapacity][kTextBytes];

private:
    void CopyFrom(const CModelInfo2& other);
};

// The catalog records in load order; the list owns them.
using ModelList = std::vector<std::unique_ptr<CModelInfo2>>;

// One adjustment range: its name (the catalog key and the section of the configuration
// files) and where the record keeps it.
struct RangeField {
    const char* name;
    std::string CModelInfo2::*field;
};

// The 39 ranges in field order.
const std::vector<RangeField>& AllRangeFields();
// The 34 ranges that the configuration files store, in their written order.
const std::vector<RangeField>& StoredRangeFields();

// One of the code-and-label lists, for code that treats them alike.
struct ListField {
    const char* section; // configuration-file section
    const char* countKey;
    const char* entryPrefix;
    int32_t CModelInfo2::*count;
    int32_t (CModelInfo2::*codes)[CModelInfo2::kListCapacity];
    char (CModelInfo2::*names)[CModelInfo2::kListCapacity][CModelInfo2::kTextBytes];
};
const ListField& WhisperList();
const ListField& AspectList();
const ListField& GammaList();
const ListField& ColorTempList();
const ListField& MyButtonList();

// Copies text into a fixed field, cut to fit (never inside a UTF-8 character), always
// terminated, rest zero-filled.
template <std::size_t N> void SetText(char (&field)[N], std::string_view text) {
    const std::size_t n = CutUtf8(text, N - 1).size();
    std::size_t i = 0;
    for (; i < n; ++i)
        field[i] = text[i];
    for (; i < N; ++i)
        field[i] = '\0';
}

// The text of a fixed field, which a damaged record may leave without its terminator.
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return {field, strnlen(field, N)};
}

// Starts reading a list from a file: stores the count as read (cut to the capacity),
// clears all 32 entries (codes 0, labels empty) and, for the lamp modes, puts in the two
// every projector has (code 0 "Normal", code 1 "Whisper") when the count is below 1.
// Returns how many entries the file should now provide.
int BeginListRead(CModelInfo2& model, const ListField& list, int32_t count);
// Key of a numbered entry: prefix and the 1-based index in three digits ("Input_001").
std::string NumberedKey(const char* prefix, int n);

// Count clamped to 0..capacity, for loops over the valid entries (-1 means none).
inline int ClampCount(int32_t count, int capacity) {
    return count < 0 ? 0 : (count > capacity ? capacity : count);
}

} // namespace orvane
