#include "config/ShowPageState.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

CModelInfo2 AllShown(int32_t modelId) {
    CModelInfo2 m;
    m.ModelID = modelId;
    m.ToolbarConfig = m.ToolbarPowerOn = m.ToolbarPowerOff = m.ToolbarBlankOn = m.ToolbarBlankOff = 1;
    m.ToolbarVolume = m.ToolbarMute = m.ToolbarFreezeOn = m.ToolbarFreezeOff = 1;
    m.ToolbarAdvance = m.ToolbarAbout = m.ToolbarImgSend = 1;
    m.ImageSendEnable = 1;
    m.IconSize = 0;
    m.AlwaysOnTop = 0;
    return m;
}

TEST(ShowPageState, ModelConditionsDisableAndClearBoxes) {
    ShowPageState page;
    page.SetFromRecord(AllShown(500));
    EXPECT_FALSE(page.volume.enabled || page.volume.checked);
    EXPECT_FALSE(page.mute.enabled || page.mute.checked);
    EXPECT_FALSE(page.freezeOn.enabled || page.freezeOn.checked);
    EXPECT_FALSE(page.freezeOff.enabled || page.freezeOff.checked);
    EXPECT_TRUE(page.powerOff.checked);
    ConfigControls c;
    page.ToControls(c);
    EXPECT_FALSE(c.volume || c.mute || c.freezeOn || c.freezeOff);
    EXPECT_TRUE(c.powerOn && c.powerOff && c.blankOn && c.imgSend);

    ShowPageState p167;
    p167.SetFromRecord(AllShown(167));
    EXPECT_FALSE(p167.powerOff.enabled || p167.powerOff.checked);
    EXPECT_TRUE(p167.volume.checked);

    CModelInfo2 noImage = AllShown(101);
    noImage.ImageSendEnable = 0;
    ShowPageState p;
    p.SetFromRecord(noImage);
    EXPECT_FALSE(p.imgSend.enabled || p.imgSend.checked);
}

TEST(ShowPageState, VolumeLessModels) {
    for (int id : {176, 177, 178, 185, 194, 199, 500, 501, 1000, 1005, 32850})
        EXPECT_TRUE(IsVolumeLessModel(id)) << id;
    for (int id : {175, 179, 186, 193, 200, 502, 999, 1006, 32849, 0, -1})
        EXPECT_FALSE(IsVolumeLessModel(id)) << id;
}

TEST(ShowPageState, SettingAgainNeverUnchecksAnEnabledBoxButRestoresFlaggedOnes) {
    CModelInfo2 m = AllShown(101);
    m.ToolbarBlankOff = 0;
    m.AlwaysOnTop = 0;
    ShowPageState page;
    page.SetFromRecord(m);
    EXPECT_FALSE(page.blankOff.checked);
    page.blankOff.checked = true; // ticked by the operator
    page.blankOn.checked = false; // unticked by the operator, flag 1
    page.alwaysOnTop = true;
    page.SetFromRecord(m);
    EXPECT_TRUE(page.blankOff.checked);
    EXPECT_TRUE(page.blankOn.checked);
    EXPECT_TRUE(page.alwaysOnTop);
}

TEST(ShowPageState, InputBoxesFollowTheCodesAndAreSetBothWays) {
    CModelInfo2 m = AllShown(101);
    m.InputNum = 12;
    for (int i = 0; i < 12; ++i) {
        m.InputCode[i] = i;
        m.InputShow[i] = 1;
        SetText(m.InputName[i], "In" + std::to_string(i));
    }
    m.InputCode[2] = -1; // below InputNum but without a code: no box
    m.InputShow[3] = 0;
    ShowPageState page;
    page.inputs[3].checked = true;
    page.SetFromRecord(m);
    EXPECT_FALSE(page.inputs[2].visible);
    EXPECT_TRUE(page.inputs[0].visible);
    EXPECT_EQ(page.inputs[0].caption, "In0");
    EXPECT_FALSE(page.inputs[3].checked);
    EXPECT_TRUE(page.inputs[9].checked);
}

TEST(ShowPageState, IconSizeOutsideTheThreeChoosesTheSmallest) {
    CModelInfo2 m = AllShown(101);
    for (auto [size, choice] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}}) {
        m.IconSize = size;
        ShowPageState page;
        page.iconChoice = 2;
        page.SetFromRecord(m);
        EXPECT_EQ(page.iconChoice, choice) << size;
    }
}

} // namespace
} // namespace orvane
