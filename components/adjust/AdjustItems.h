#pragma once

#include "model/ModelInfo2.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the advanced-adjustment dialog offers for one model, and the request types that
// carry each item: adjustment item i of the record's 39 ranges (in field order) is type
// 0x4000 + i; the choices follow from 0x4100. Values travel as signed 16-bit numbers.
namespace adjust {

inline constexpr std::uint16_t kTypeFirstRange = 0x4000;
inline constexpr std::uint16_t kTypeAspect = 0x4100;
inline constexpr std::uint16_t kTypeLampMode = 0x4101;
inline constexpr std::uint16_t kTypeGamma = 0x4102;
inline constexpr std::uint16_t kTypeColorTemp = 0x4103;
inline constexpr std::uint16_t kTypeMyButton = 0x4104; // set only: "presses" the code

enum class AdjustTab { Picture, Colour, Geometry, Sound, Setup };
inline constexpr int kTabCount = 5;

// One slider: a range the model offers.
struct RangeItem {
    std::string name; // as in the record ("Brightness")
    int index = 0;    // 0..38, the field's place in the record
    std::uint16_t type = 0;
    AdjustTab tab = AdjustTab::Picture;
    int min = 0;
    int max = 0;
};

struct ChoiceEntry {
    std::int32_t code = 0;
    std::string label;
};

// One choice list: aspect, lamp mode (the record's Whisper list), gamma, colour temperature
// or the my-buttons.
struct ChoiceItem {
    std::string name; // "Aspect", "Whisper", "Gamma", "ColorTemp", "MyButton"
    std::uint16_t type = 0;
    std::vector<ChoiceEntry> entries;

    // Index of the entry with `code`, -1 when none has it.
    int IndexOfCode(std::int32_t code) const;
};

struct AdjustItems {
    std::vector<RangeItem> ranges;   // in field order
    std::vector<ChoiceItem> choices; // the four lists with entries, in type order
    ChoiceItem myButtons;            // entries may be empty
};

// "min,max": decimal numbers, either may be negative, blanks around them allowed. False for
// any other text, for min > max and for bounds outside -32768..32767, which cannot travel.
[[nodiscard]] bool ParseRange(std::string_view text, int& min, int& max);

// The tab a range belongs on, by its record name.
AdjustTab TabOfRange(int index);

// The 39 field indices in the order the dialog shows them: by tab, and within a tab as a
// projector's own menu lists them (gains before offsets before balance before gamma).
const std::vector<int>& DisplayOrder();

// Every range with a text that parses, and every choice list with entries (count clamped to
// the capacity, -1 and 0 give none).
AdjustItems BuildItems(const orvane::CModelInfo2& model);

// A value as it travels, and back.
inline std::uint16_t ToWire(int value) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
}
inline int FromWire(std::uint16_t value) {
    return static_cast<std::int16_t>(value);
}

} // namespace adjust
