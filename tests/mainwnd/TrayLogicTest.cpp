#include "mainwnd/TrayLogic.h"

#include "catalog/MessageCatalog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

TEST(TrayMenus, ShownAndHiddenMenusDifferInTheFirstItem) {
    std::vector<TrayMenuItem> shown = TrayMenuItems(kMenuWindowShown);
    std::vector<TrayMenuItem> hidden = TrayMenuItems(kMenuWindowHidden);
    ASSERT_EQ(shown.size(), 4u);
    ASSERT_EQ(hidden.size(), 4u);
    EXPECT_EQ(shown[0].commandId, 2771);
    EXPECT_STREQ(shown[0].caption, "54;&Hide");
    EXPECT_EQ(hidden[0].commandId, 2771);
    EXPECT_STREQ(hidden[0].caption, "57;&Show");
    for (const auto* menu : {&shown, &hidden}) {
        EXPECT_EQ((*menu)[1].commandId, 32867);
        EXPECT_STREQ((*menu)[1].caption, "61;C&onfig");
        EXPECT_EQ((*menu)[2].commandId, 2772);
        EXPECT_STREQ((*menu)[2].caption, "55;&Exit");
        EXPECT_EQ((*menu)[3].commandId, 2773);
        EXPECT_STREQ((*menu)[3].caption, "56;&Cancel");
    }
    EXPECT_TRUE(TrayMenuItems(128).empty());
}

TEST(TrayMouse, DoubleClickShowsAHiddenWindowWithButtons) {
    WindowFlags hidden{0, 0};
    TrayResponse r = OnTrayMouse(TrayMouse::LeftDoubleClick, hidden, 5);
    EXPECT_TRUE(r.showWindow);
    EXPECT_EQ(hidden.Shown, 1);
    EXPECT_EQ(r.menuId, 0);

    // Already visible: nothing.
    r = OnTrayMouse(TrayMouse::LeftDoubleClick, hidden, 5);
    EXPECT_FALSE(r.showWindow);
    EXPECT_EQ(hidden.Shown, 1);

    // An empty toolbar stays hidden.
    WindowFlags empty{0, 0};
    r = OnTrayMouse(TrayMouse::LeftDoubleClick, empty, 0);
    EXPECT_FALSE(r.showWindow);
    EXPECT_EQ(empty.Shown, 0);

    // A modal dialog does not stop the double click.
    WindowFlags modal{0, 1};
    EXPECT_TRUE(OnTrayMouse(TrayMouse::LeftDoubleClick, modal, 2).showWindow);
}

TEST(TrayMouse, RightClickOffersTheMenuOfTheWindowsState) {
    WindowFlags shown{1, 0};
    TrayResponse r = OnTrayMouse(TrayMouse::RightButtonDown, shown, 3);
    EXPECT_TRUE(r.foreground);
    EXPECT_EQ(r.menuId, kMenuWindowShown);
    EXPECT_FALSE(r.showWindow);

    WindowFlags hidden{0, 0};
    r = OnTrayMouse(TrayMouse::RightButtonDown, hidden, 0);
    EXPECT_EQ(r.menuId, kMenuWindowHidden);
    EXPECT_EQ(hidden.Shown, 0);

    // While a dialog from the toolbar runs, the window only comes forward.
    WindowFlags modal{1, 1};
    r = OnTrayMouse(TrayMouse::RightButtonDown, modal, 3);
    EXPECT_TRUE(r.foreground);
    EXPECT_EQ(r.menuId, 0);

    r = OnTrayMouse(TrayMouse::Other, shown, 3);
    EXPECT_FALSE(r.foreground || r.showWindow || r.menuId != 0);
}

TEST(TrayHideShow, TogglesButNeverShowsAnEmptyToolbar) {
    WindowFlags f{1, 0};
    EXPECT_EQ(OnHideShow(f, 4), VisibilityChange::Hide);
    EXPECT_EQ(f.Shown, 0);
    EXPECT_EQ(OnHideShow(f, 0), VisibilityChange::None);
    EXPECT_EQ(f.Shown, 0);
    EXPECT_EQ(OnHideShow(f, 4), VisibilityChange::Show);
    EXPECT_EQ(f.Shown, 1);
    // Hiding needs no buttons.
    EXPECT_EQ(OnHideShow(f, 0), VisibilityChange::Hide);
}

TEST(WindowMenu, AboutEntryMinimiseAndTheRest) {
    EXPECT_EQ(ClassifySysCommand(16), SysCommandAction::About);
    EXPECT_EQ(ClassifySysCommand(16 | 0xF), SysCommandAction::About); // the low bits are the system's
    EXPECT_EQ(ClassifySysCommand(0xF020), SysCommandAction::HideInsteadOfMinimize);
    EXPECT_EQ(ClassifySysCommand(0xF060), SysCommandAction::Default); // close: ends in the exit question
    EXPECT_EQ(ClassifySysCommand(32), SysCommandAction::Default);
}

class WindowTexts : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write(kMarkerEnglish, "");
        ASSERT_EQ(OpenCatalog(), 0);
    }
    void TearDown() override { CloseCatalog(); }

    test::TempDir dir_;
    test::ScopedWorkDir work_{dir_.path()};
};

TEST_F(WindowTexts, TitleNamesTheModelAndTheTipIsCut) {
    EXPECT_EQ(WindowTitleText("AX-210"), "Orvane - AX-210");
    EXPECT_EQ(TrayTipText("AX-210"), "Orvane - AX-210");

    std::string longName(80, 'n');
    std::string title = WindowTitleText(longName);
    ASSERT_GT(title.size(), 63u);
    EXPECT_EQ(TrayTipText(longName), title.substr(0, 63));

    // A cut never splits a character: the title is 9 ASCII bytes then 3-byte characters.
    std::string wide;
    for (int k = 0; k < 30; ++k)
        wide += "\xE6\x8A\x95";
    std::string tip = TrayTipText(wide);
    EXPECT_LE(tip.size(), 63u);
    EXPECT_EQ(tip.size(), 9u + 18u * 3u);
    EXPECT_EQ(tip, WindowTitleText(wide).substr(0, tip.size()));
}

} // namespace
} // namespace orvane
