#include "mainwnd/ButtonArt.h"

#include "commands/CommandIds.h"
#include "commands/InputTables.h"
#include "platform/FileUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace orvane {
namespace {

std::string IconFile(const char* icon) {
    return std::string(ORVANE_SOURCE_DIR) + "/res/icons/" + icon + ".svg";
}

TEST(ButtonArt, EveryInputOfEveryLayoutHasItsOwnPicture) {
    for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact}) {
        // Two buttons of one toolbar never look alike.
        std::map<std::pair<std::string, std::string>, int> seen;
        for (int32_t id : DistinctInputCommands(InputTable(layout))) {
            ButtonArt art = ButtonArtFor(id);
            EXPECT_STRNE(art.tag, "") << id;
            EXPECT_LE(std::strlen(art.tag), static_cast<std::size_t>(kMaxButtonTagLength)) << id;
            EXPECT_TRUE(std::strncmp(art.icon, "in_", 3) == 0) << id << " " << art.icon;
            auto [it, added] = seen.emplace(std::make_pair(std::string(art.icon), std::string(art.tag)), id);
            EXPECT_TRUE(added) << id << " looks like " << it->second;
        }
    }
}

TEST(ButtonArt, CommandButtonsHaveTheirOwnIconsAndEveryIconExists) {
    std::set<std::string> icons;
    for (int id : {kCmdConfig, kCmdPowerOn, kCmdPowerOff, kCmdBlankOn, kCmdBlankOff, kCmdVolume, kCmdMute, kCmdFreezeOn,
                   kCmdFreezeOff, kCmdAdvance, kCmdImageSend, kCmdAbout}) {
        ButtonArt art = ButtonArtFor(id);
        EXPECT_STREQ(art.tag, "") << id;
        EXPECT_TRUE(icons.insert(art.icon).second) << id << " shares " << art.icon;
    }
    for (InputLayout layout : {InputLayout::Default, InputLayout::Wide, InputLayout::Compact}) {
        for (int32_t id : DistinctInputCommands(InputTable(layout)))
            icons.insert(ButtonArtFor(id).icon);
    }
    icons.insert(ButtonArtFor(4242).icon);
    icons.insert(kApplicationIcon);
    for (const std::string& icon : icons)
        EXPECT_TRUE(FileExists(IconFile(icon.c_str()))) << icon;
}

} // namespace
} // namespace orvane
