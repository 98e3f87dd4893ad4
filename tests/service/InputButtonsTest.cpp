// What a remote draws a room's input buttons with: the toolbar's tooltips and icons.

#include "service/InputButtons.h"
#include "service/ServiceConfig.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

std::unique_ptr<CModelInfo2> Room(const std::string& text) {
    TempDir dir;
    dir.Write("room.txt", text);
    std::vector<service::ConfigProblem> problems;
    std::vector<service::RoomFile> rooms = service::LoadRooms(dir.path(), problems);
    EXPECT_TRUE(problems.empty());
    return rooms.empty() ? nullptr : std::move(rooms[0].model);
}

TEST(ToolbarInputButtons, TooltipsIconsAndTagsInToolbarOrder) {
    const auto model = Room("[GENERAL]\nMODEL=AX-210\nModelID=101\n[PROJECTOR]\nPJTNUM=1\nSELECTPRJ=1\n"
                            "[CONNECT-1]\nCONMETHOD=1\nTCPPORTNO=1\nIPADDRESS=127.0.0.1\n[TOOLBAR]\nPOWERON=1\n"
                            "[INPUTSOURCE]\nInputNum=4\nInput_001=1;1;Video\nInput_002=1;3;HDMI 1\n"
                            "Input_003=0;4;HDMI 2\nInput_004=1;0;Computer in 1\n"
                            "[INPUTSOURCEVIEW]\nInputNameView_001=\nInputNameView_002=Lectern\n"
                            "[SCREEN]\nICON=1\n[Volume]\nMin-Max=0,63\n");
    ASSERT_NE(model, nullptr);
    // The label cut to the icon size's six characters, as the tooltip shows it; an alias is
    // told by the table's first name for its button; a hidden input has no button.
    EXPECT_EQ(service::ToolbarInputButtons(*model), nlohmann::json::parse(R"([
        {"input": "Video", "tip": "Video", "icon": "in_video", "tag": "VIDEO"},
        {"input": "HDMI 1", "tip": "Lecter", "icon": "in_hdmi", "tag": "HDMI1"},
        {"input": "Computer in 1", "tip": "Computer1", "icon": "in_vga", "tag": "PC1"}])"));
    EXPECT_EQ(service::VolumeRange(*model), nlohmann::json::parse("[0, 63]"));
}

} // namespace
} // namespace orvane::test
