// The volume panel's rules without a window: the bar's maximum and where the panel opens.

#include "mainwnd/VolumePanel.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(VolumePanel, MaximumIsTheNumberAfterTheFirstComma) {
    EXPECT_EQ(VolumeRangeMaximum("0,63"), 63);
    EXPECT_EQ(VolumeRangeMaximum("0, 31,99"), 31);
    EXPECT_EQ(VolumeRangeMaximum("40"), 40); // no comma: the whole text
    EXPECT_EQ(VolumeRangeMaximum("0,"), 0);
    EXPECT_EQ(VolumeRangeMaximum("0,max"), 0);
    EXPECT_EQ(VolumeRangeMaximum("0,20dB"), 20);
    EXPECT_EQ(VolumeRangeMaximum(""), 0);
}

TEST(VolumePanel, OpensUnderTheButtonUnlessItWouldLeaveTheScreen) {
    const PanelRect screen{0, 0, 1280, 770};
    const PanelRect button{500, 100, 536, 136};
    int left = 0;
    int top = 0;
    PlaceVolumePanel(button, 55, 99, screen, left, top);
    EXPECT_EQ(left, 508);
    EXPECT_EQ(top, 140);

    // Near the bottom: above the button.
    const PanelRect low{500, 700, 536, 736};
    PlaceVolumePanel(low, 55, 99, screen, left, top);
    EXPECT_EQ(top, 601);
    // Exactly fitting still opens below.
    const PanelRect fits{500, 631, 536, 667};
    PlaceVolumePanel(fits, 55, 99, screen, left, top);
    EXPECT_EQ(top, 671);
}
