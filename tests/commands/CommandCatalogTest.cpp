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
    for (const CommandSpec& spec : AllCommands()) {
        EXPECT_TRUE(seen.insert(spec.id).second) << spec.id;
        EXPECT_EQ(FindCommand(spec.id), &spec);
    }
    EXPECT_EQ(FindCommand(0), nullptr);
    EXPECT_EQ(FindCommand(2796), nullptr);
}

TEST(CommandCatalogTest, EveryInputButtonOfEveryTableHasAnInputCommand) {
    for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact}) {
        for (const InputRow& row : InputTable(layout)) {
            const CommandSpec* spec = FindCommand(row.commandId);
            ASSERT_NE(spec, nullptr) << row.name;
            EXPECT_EQ(spec->role, CommandRole::Input) << row.name;
        }
    }
}

TEST(CommandCatalogTest, InputCommandsAreStandardCommandsOnTheInputType) {
    int inputs = 0;
    for (const CommandSpec& spec : AllCommands()) {
        if (spec.role != CommandRole::Input)
            continue;
        ++inputs;
        EXPECT_EQ(spec.action, kActionSet) << spec.id;
        EXPECT_EQ(spec.type, kTypeInput) << spec.id;
        EXPECT_NE(spec.message, 0) << spec.id;
        EXPECT_TRUE(spec.hidePopup && spec.suspendPoller && spec.refreshInput) << spec.id;
        // Each input command's own name leads to it through some table, but for the four
        // commands no table row carries.
        if (!spec.name.empty()) {
            bool found = false;
            for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact})
                found = found || FindInputCommand(InputTable(layout), spec.name) == spec.id;
            EXPECT_TRUE(found) << spec.name;
        }
    }
    EXPECT_EQ(inputs, 42);
}

TEST(CommandCatalogTest, OnlyMuteAndVolumeLeaveThePollerRunning) {
    for (const CommandSpec& spec : AllCommands()) {
        if (!IsProjectorCommand(spec))
            continue;
        const bool quick = spec.id == kCmdMute || spec.id == kCmdVolume;
        EXPECT_EQ(spec.suspendPoller, !quick) << spec.id;
        EXPECT_EQ(spec.hidePopup, spec.id != kCmdVolume) << spec.id;
        EXPECT_EQ(spec.refreshInput, spec.role == CommandRole::Input) << spec.id;
    }
}

TEST(CommandCatalogTest, BncSettingFollowsTheModelIdRange) {
    const CommandSpec* bnc = FindCommand(kCmdInputBnc);
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
        const CommandSpec* spec = FindCommand(id);
        ASSERT_NE(spec, nullptr) << id;
        EXPECT_FALSE(IsProjectorCommand(*spec)) << id;
    }
}

} // namespace
} // namespace orvane
