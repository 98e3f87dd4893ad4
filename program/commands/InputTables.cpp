#include "commands/InputTables.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <array>

namespace orvane {

namespace {

// One row a line, as the tables are read and compared.
// clang-format off
constexpr std::array<InputRow, 35> kInputTableDefault{{
    {"RGB", 0, 2776},
    {"RGB1", 1, 32887},
    {"RGB2", 2, 2783},
    {"Computer", 3, 32869},
    {"Computer in", 3, 32869},
    {"Computer1", 4, 32870},
    {"Computer in 1", 4, 32870},
    {"Computer in1", 4, 32870},
    {"Computer2", 5, 32874},
    {"Computer in 2", 5, 32874},
    {"Computer in2", 5, 32874},
    {"BNC(RGB)", 6, 32926},
    {"BNC", 7, 2782},
    {"BNC(Component)", 8, 32925},
    {"Component", 9, 32930},
    {"Digital", 10, 32931},
    {"DVI", 11, 2781},
    {"DVI-D", 12, 32898},
    {"HDBaseT", 13, 32927},
    {"M1-D", 14, 2779},
    {"HDMI", 15, 32894},
    {"HDMI 1", 16, 32908},
    {"HDMI 2", 17, 32909},
    {"HDMI 3", 18, 32928},
    {"HDMI 4", 19, 32929},
    {"LAN", 20, 32905},
    {"MIU", 21, 32863},
    {"USB type A", 22, 32906},
    {"USB type B", 23, 32907},
    {"S-Video", 24, 32932},
    {"Video", 25, 32933},
    {"Video 1", 26, 32934},
    {"Video 2", 27, 32935},
    {"SDI/DIGITAL 1", 28, 32942},
    {"HDMI 1 / MHL", 16, 32908},
}};

constexpr std::array<InputRow, 7> kInputTableWide{{
    {"HDMI 1", 0, 32908},
    {"HDMI 2", 1, 32909},
    {"RGB D-15", 2, 32937},
    {"YUV1", 3, 32938},
    {"RGBHV/YUV2", 4, 32939},
    {"SDI/HDSDI/3G", 5, 32940},
    {"STEREO DVI", 6, 32941},
}};

constexpr std::array<InputRow, 15> kInputTableCompact{{
    {"Computer in", 0, 32869},
    {"HDMI 1", 1, 32908},
    {"HDMI 2", 2, 32909},
    {"DisplayPort", 3, 32943},
    {"HDBaseT", 4, 32927},
    {"SDI", 5, 32946},
    {"Video", 6, 32933},
    {"LAN", 7, 32905},
    {"Computer in1", 8, 32870},
    {"Computer in2", 9, 32874},
    {"DVI-D", 10, 32898},
    {"HDMI 1 / MHL", 11, 32947},
    {"HDMI 2 / MHL", 12, 32948},
    {"USB type A", 13, 32906},
    {"USB type B", 14, 32907},
}};
// clang-format on

constexpr std::array<std::int32_t, 7> kCompactModelIds{501, 24714, 24722, 24723, 24729, 24731, 41041};

} // namespace

InputLayout InputLayoutForModel(std::int32_t modelId) {
    if (modelId == 500)
        return InputLayout::Wide;
    if ((modelId >= 223 && modelId <= 227) ||
        std::find(kCompactModelIds.begin(), kCompactModelIds.end(), modelId) != kCompactModelIds.end())
        return InputLayout::Compact;
    return InputLayout::Default;
}

std::span<const InputRow> InputTable(InputLayout layout) {
    switch (layout) {
    case InputLayout::Wide:
        return kInputTableWide;
    case InputLayout::Compact:
        return kInputTableCompact;
    case InputLayout::Default:
        break;
    }
    return kInputTableDefault;
}

std::span<const InputRow> InputTableForModel(std::int32_t modelId) {
    return InputTable(InputLayoutForModel(modelId));
}

int InputButtonCount(InputLayout layout) {
    switch (layout) {
    case InputLayout::Wide:
        return 7;
    case InputLayout::Compact:
        return 15;
    case InputLayout::Default:
        break;
    }
    return 29;
}

bool SameInputName(std::string_view a, std::string_view b) {
    return EqualIgnoringAsciiCase(a, b);
}

std::int32_t FindInputCommand(std::span<const InputRow> table, std::string_view name) {
    for (const InputRow& row : table) {
        if (SameInputName(row.name, name))
            return row.commandId;
    }
    return 0;
}

std::vector<std::int32_t> DistinctInputCommands(std::span<const InputRow> table) {
    std::vector<std::int32_t> ids;
    for (const InputRow& row : table) {
        if (std::find(ids.begin(), ids.end(), row.commandId) == ids.end())
            ids.push_back(row.commandId);
    }
    return ids;
}

} // namespace orvane
