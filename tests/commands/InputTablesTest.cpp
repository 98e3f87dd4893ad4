#include "commands/InputTables.h"
#include "commands/InputChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace orvane {
namespace {

TEST(InputTablesTest, LayoutFollowsTheModelId) {
    EXPECT_EQ(InputLayoutForModel(500), InputLayout::Wide);
    for (int id : {223, 224, 225, 226, 227, 501, 24714, 24722, 24723, 24729, 24731, 41041})
        EXPECT_EQ(InputLayoutForModel(id), InputLayout::Compact) << id;
    for (int id : {-1, 0, 101, 222, 228, 499, 502, 1000, 24715, 24730, 41040})
        EXPECT_EQ(InputLayoutForModel(id), InputLayout::Default) << id;
    EXPECT_EQ(InputTableForModel(500).data(), InputTable(InputLayout::Wide).data());
}

TEST(InputTablesTest, TablesFillTheirButtonGroupWithoutGaps) {
    const std::pair<InputLayout, std::size_t> layouts[] = {
        {InputLayout::Default, 35}, {InputLayout::Wide, 7}, {InputLayout::Compact, 15}};
    for (auto [layout, rows] : layouts) {
        auto table = InputTable(layout);
        EXPECT_EQ(table.size(), rows);
        std::set<int> positions;
        for (const InputRow& row : table) {
            EXPECT_FALSE(row.name.empty());
            positions.insert(row.position);
            // Rows that share a position share the button, hence the command id.
            for (const InputRow& other : table) {
                if (other.position == row.position) {
                    EXPECT_EQ(other.commandId, row.commandId) << row.name << " / " << other.name;
                }
            }
        }
        EXPECT_EQ(static_cast<int>(positions.size()), InputButtonCount(layout));
        EXPECT_EQ(*positions.rbegin(), InputButtonCount(layout) - 1);
        EXPECT_EQ(DistinctInputCommands(table).size(), positions.size());
    }
}

TEST(InputTablesTest, NamesAreFoundWhateverTheirCase) {
    auto def = InputTable(InputLayout::Default);
    EXPECT_EQ(FindInputCommand(def, "hdmi 1"), 32908);
    EXPECT_EQ(FindInputCommand(def, "HDMI 1 / MHL"), 32908);
    EXPECT_EQ(FindInputCommand(def, "computer IN 1"), 32870);
    EXPECT_EQ(FindInputCommand(def, "HDMI"), 32894);
    EXPECT_EQ(FindInputCommand(def, "HDMI "), 0);
    EXPECT_EQ(FindInputCommand(def, "DisplayPort"), 0);
    EXPECT_EQ(FindInputCommand(def, ""), 0);
    auto compact = InputTable(InputLayout::Compact);
    EXPECT_EQ(FindInputCommand(compact, "hdmi 1 / mhl"), 32947);
    EXPECT_EQ(FindInputCommand(compact, "DISPLAYPORT"), 32943);

    EXPECT_TRUE(SameInputName("S-Video", "s-VIDEO"));
    EXPECT_FALSE(SameInputName("Video", "Video 1"));
    // Only ASCII letters fold; other bytes must match exactly.
    EXPECT_FALSE(SameInputName("\xC3\x89", "\xC3\xA9"));
}

TEST(InputTablesTest, DistinctCommandsKeepTheOrderOfTheirFirstRow) {
    auto ids = DistinctInputCommands(InputTable(InputLayout::Default));
    ASSERT_EQ(ids.size(), 29u);
    EXPECT_EQ(ids[0], 2776);
    EXPECT_EQ(ids[3], 32869);
    EXPECT_EQ(ids[4], 32870);
    EXPECT_EQ(ids.back(), 32942); // the last row, HDMI 1 / MHL, adds no id of its own
}

// --- which buttons a reported input code checks ----------------------------------------------

CModelInfo2 ModelWithInputs(std::initializer_list<std::pair<const char*, int>> inputs) {
    CModelInfo2 m;
    m.ModelID = 101;
    m.InputNum = static_cast<int32_t>(inputs.size());
    int i = 0;
    for (auto [name, code] : inputs) {
        SetText(m.InputName[i], name);
        m.InputCode[i] = code;
        ++i;
    }
    return m;
}

std::vector<int> Checked(const std::vector<ButtonCheck>& checks) {
    std::vector<int> ids;
    for (const ButtonCheck& c : checks) {
        if (c.check == 1)
            ids.push_back(c.commandId);
    }
    return ids;
}

TEST(InputChecksTest, AnAliasChecksTheButtonItShares) {
    CModelInfo2 m = ModelWithInputs({{"Computer in 1", 0}, {"hdmi 1", 3}});
    auto table = InputTable(InputLayout::Default);
    auto checks = InputChecksForCode(m, table, 0);
    EXPECT_EQ(checks.size(), 29u); // one update per button
    EXPECT_EQ(Checked(checks), (std::vector<int>{32870}));
    EXPECT_EQ(Checked(InputChecksForCode(m, table, 3)), (std::vector<int>{32908}));
}

TEST(InputChecksTest, TheFirstEntryOfARepeatedCodeCounts) {
    CModelInfo2 m = ModelWithInputs({{"Video", 1}, {"S-Video", 1}});
    EXPECT_EQ(Checked(InputChecksForCode(m, InputTable(InputLayout::Default), 1)), (std::vector<int>{32933}));
    EXPECT_EQ(FindInputIndex(m, 1), 0);
}

TEST(InputChecksTest, AllSixteenEntriesAreSearchedWhateverTheCount) {
    CModelInfo2 m = ModelWithInputs({{"Video", 1}});
    SetText(m.InputName[15], "LAN");
    m.InputCode[15] = 11;
    EXPECT_EQ(Checked(InputChecksForCode(m, InputTable(InputLayout::Default), 11)), (std::vector<int>{32905}));
}

TEST(InputChecksTest, UnknownCodeChangesNothingAndUnknownNameUnchecksAll) {
    CModelInfo2 m = ModelWithInputs({{"Video", 1}, {"Tuner", 7}});
    auto table = InputTable(InputLayout::Default);
    EXPECT_TRUE(InputChecksForCode(m, table, 2).empty());
    // The fresh record's -1 codes never match a 16-bit code.
    EXPECT_TRUE(InputChecksForCode(m, table, 0xFFFF).empty());
    auto checks = InputChecksForCode(m, table, 7);
    EXPECT_EQ(checks.size(), 29u);
    EXPECT_TRUE(Checked(checks).empty());
}

TEST(InputChecksTest, UncheckAllNamesEveryRow) {
    auto checks = UncheckAllRows(InputTable(InputLayout::Default));
    ASSERT_EQ(checks.size(), 35u);
    EXPECT_EQ(checks.back(), (ButtonCheck{32908, 0}));
    EXPECT_TRUE(std::all_of(checks.begin(), checks.end(), [](const ButtonCheck& c) { return c.check == 0; }));
}

} // namespace
} // namespace orvane
