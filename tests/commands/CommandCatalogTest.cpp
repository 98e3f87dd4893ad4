#include "commands/CommandCatalog.h"
#include "commands/CommandIds.h"
#include "commands/InputTables.h"
#include "link/LinkCodes.h"

#include <gtest/gtest.h>

#include <set>

namespace orvane {
namespace {

TEST(CommandCatalogTest, IdsAreUniqueAndFound) {
    std::set<int> seen;
    for (const CommandEntry& entry : AllCommands()) {
        EXPECT_TRUE(seen.insert(entry.id).second) << entry.id;
        EXPECT_EQ(FindCommand(entry.id), &entry);
    }
    EXPECT_EQ(FindCommand(0), nullptr);
    EXPECT_EQ(FindCommand(2796), nullptr);
}

TEST(CommandCatalogTest, EveryInputButtonOfEveryTableHasAnInputCommand) {
    for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact}) {
        for (const InputRow& row : InputTable(layout)) {
            const CommandEntry* entry = FindCommand(row.commandId);
            ASSERT_NE(entry, nullptr) << row.name;
            EXPECT_EQ(entry->role, CommandRole::Input) << row.name;
        }
    }
}

TEST(CommandCatalogTest, InputCommandsAreStandardCommandsOnTheInputType) {
    int inputs = 0;
    for (const CommandEntry& entry : AllCommands()) {
        if (entry.role != CommandRole::Input)
            continue;
        ++inputs;
        EXPECT_EQ(entry.action, kActionSet) << entry.id;
        EXPECT_EQ(entry.type, kTypeInput) << entry.id;
        EXPECT_NE(entry.message, 0) << entry.id;
        EXPECT_TRUE(entry.hidePopup && entry.suspendPoller && entry.refreshInput) << entry.id;
        // Each input command's own name leads to it through some table, but for the four
        // commands no table row carries.
        if (!entry.name.empty()) {
            bool found = false;
            for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact})
                found = found || FindInputCommand(InputTable(layout), entry.name) == entry.id;
            EXPECT_TRUE(found) << entry.name;
        }
    }
    EXPECT_EQ(inputs, 42);
}

TEST(CommandCatalogTest, OnlyMuteAndVolumeLeaveThePollerRunning) {
    for (const CommandEntry& entry : AllCommands()) {
        if (!IsProjectorCommand(entry))
            continue;
        const bool quick = entry.id == kCmdMute || entry.id == kCmdVolume;
        EXPECT_EQ(entry.suspendPoller, !quick) << entry.id;
        EXPECT_EQ(entry.hidePopup, entry.id != kCmdVolume) << entry.id;
        EXPECT_EQ(entry.refreshInput, entry.role == CommandRole::Input) << entry.id;
    }
}

TEST(CommandCatalogTest, BncSettingFollowsTheModelIdRange) {
    const CommandEntry* bnc = FindCommand(kCmdInputBnc);
    ASSERT_NE(bnc, nullptr);
    EXPECT_EQ(CommandSetting(*bnc, 999), 4);
    EXPECT_EQ(CommandSetting(*bnc, 1000), 7);
    EXPECT_EQ(CommandSetting(*bnc, 1003), 7);
    EXPECT_EQ(CommandSetting(*bnc, 1005), 7);
    EXPECT_EQ(CommandSetting(*bnc, 1006), 4);
    // Only BNC depends on the model: BNC(RGB) shares its usual setting but not the rule.
    EXPECT_EQ(CommandSetting(*FindCommand(32926), 1000), 4);
}

TEST(CommandCatalogTest, WindowCommandsAreNotProjectorCommands) {
    for (int id : {kCmdConfig, kCmdTrayConfig, kCmdAbout, kCmdAdvance, kCmdImageSend, kCmdTrayHideShow, kCmdTrayExit,
                   kCmdTrayCancel, 2777, 2778, 2780, 2784, 2785, 32899, 32900}) {
        const CommandEntry* entry = FindCommand(id);
        ASSERT_NE(entry, nullptr) << id;
        EXPECT_FALSE(IsProjectorCommand(*entry)) << id;
    }
}

} // namespace
} // namespace orvane
