#include "adjust/AdjustItems.h"

#include "platform/Blanks.h"

#include <charconv>
#include <cstring>

namespace adjust {

namespace {

using orvane::CModelInfo2;

bool ParseBound(std::string_view text, int& out) {
    text = orvane::TrimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < -32768 || value > 32767)
        return false;
    out = static_cast<int>(value);
    return true;
}

ChoiceItem MakeChoice(const CModelInfo2& model, const orvane::ListField& list, const char* name, std::uint16_t type) {
    ChoiceItem item{name, type, {}};
    const int count = orvane::ClampCount(model.*list.count, CModelInfo2::kListCapacity);
    for (int i = 0; i < count; ++i)
        item.entries.push_back({(model.*list.codes)[i], orvane::FieldText((model.*list.names)[i])});
    return item;
}

} // namespace

int ChoiceItem::IndexOfCode(std::int32_t code) const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].code == code)
            return static_cast<int>(i);
    }
    return -1;
}

bool ParseRange(std::string_view text, int& min, int& max) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return false;
    int lo = 0;
    int hi = 0;
    if (!ParseBound(text.substr(0, comma), lo) || !ParseBound(text.substr(comma + 1), hi) || lo > hi)
        return false;
    min = lo;
    max = hi;
    return true;
}

AdjustTab TabOfRange(int index) {
    // Field order: Brightness, Contrast, Color, Tint, Sharpness, UserGammaPoint1-8,
    // ColorTempGain R/G/B, ColorTempOffset R/G/B, OverScan, HPhase, KeystoneV/H, Volume,
    // DZoom, DShiftV/H, Treble, Bass, MenuPositionV/H, AutoPowerOff, Magnify, CustomGamma,
    // ColorBal R/G/B, OSDBright, ElectricZoom.
    static constexpr AdjustTab kTabs[39] = {
        AdjustTab::Picture,  AdjustTab::Picture,  AdjustTab::Picture,  AdjustTab::Picture,  AdjustTab::Picture,
        AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,
        AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,
        AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Picture,
        AdjustTab::Picture,  AdjustTab::Geometry, AdjustTab::Geometry, AdjustTab::Sound,    AdjustTab::Geometry,
        AdjustTab::Geometry, AdjustTab::Geometry, AdjustTab::Sound,    AdjustTab::Sound,    AdjustTab::Setup,
        AdjustTab::Setup,    AdjustTab::Setup,    AdjustTab::Geometry, AdjustTab::Colour,   AdjustTab::Colour,
        AdjustTab::Colour,   AdjustTab::Colour,   AdjustTab::Setup,    AdjustTab::Geometry,
    };
    return index >= 0 && index < 39 ? kTabs[index] : AdjustTab::Setup;
}

const std::vector<int>& DisplayOrder() {
    static const std::vector<int> order = {
        0,  1,  2,  3,  4,  19, 20,                                        // Picture
        13, 14, 15, 16, 17, 18, 34, 35, 36, 5, 6, 7, 8, 9, 10, 11, 12, 33, // Colour
        21, 22, 24, 25, 26, 38, 32,                                        // Geometry
        23, 27, 28,                                                        // Sound
        29, 30, 31, 37,                                                    // Setup
    };
    return order;
}

AdjustItems BuildItems(const CModelInfo2& model) {
    AdjustItems items;
    const auto& fields = orvane::AllRangeFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        RangeItem item;
        if (!ParseRange(model.*fields[i].field, item.min, item.max))
            continue;
        item.name = fields[i].name;
        item.index = static_cast<int>(i);
        item.type = static_cast<std::uint16_t>(kTypeFirstRange + i);
        item.tab = TabOfRange(item.index);
        items.ranges.push_back(item);
    }
    const ChoiceItem lists[] = {
        MakeChoice(model, orvane::AspectList(), "Aspect", kTypeAspect),
        MakeChoice(model, orvane::WhisperList(), "Whisper", kTypeLampMode),
        MakeChoice(model, orvane::GammaList(), "Gamma", kTypeGamma),
        MakeChoice(model, orvane::ColorTempList(), "ColorTemp", kTypeColorTemp),
    };
    for (const ChoiceItem& list : lists) {
        if (!list.entries.empty())
            items.choices.push_back(list);
    }
    items.myButtons = MakeChoice(model, orvane::MyButtonList(), "MyButton", kTypeMyButton);
    return items;
}

} // namespace adjust
