// The adjustment component's item table: which ranges and lists of a model become controls,
// and the request type each one travels with.

#include "adjust/AdjustItems.h"

#include <gtest/gtest.h>

using namespace adjust;
using orvane::CModelInfo2;

TEST(AdjustItems, RangeTextsParseOrHideTheirItem) {
    struct Case {
        const char* text;
        bool ok;
        int min;
        int max;
    };
    const Case cases[] = {
        {"0,100", true, 0, 100},  {" -30 , 30 ", true, -30, 30},
        {"+5,5", true, 5, 5},     {"-32768,32767", true, -32768, 32767},
        {"", false, 0, 0},        {"50", false, 0, 0},
        {"a,b", false, 0, 0},     {"10,5", false, 0, 0},
        {"0,40000", false, 0, 0}, {"0,100x", false, 0, 0},
        {"0,,5", false, 0, 0},    {",5", false, 0, 0},
        {"1 0,20", false, 0, 0},
    };
    for (const Case& c : cases) {
        int min = 7;
        int max = 7;
        EXPECT_EQ(ParseRange(c.text, min, max), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(min, c.min) << c.text;
            EXPECT_EQ(max, c.max) << c.text;
        } else {
            EXPECT_EQ(min, 7) << c.text;
        }
    }
}

TEST(AdjustItems, ItemsFollowTheRecordWithTheirCodesAndTabs) {
    CModelInfo2 m;
    m.Brightness = "0,100";
    m.KeystoneV = "-30,30";
    m.Treble = "10,5"; // hidden, not an error
    m.ElectricZoom = "0,8";
    m.MenuPositionH = "0,20";
    m.AspectNum = 40; // beyond the capacity: all 32 entries
    for (int i = 0; i < CModelInfo2::kListCapacity; ++i) {
        m.AspectCode[i] = 100 + i;
        orvane::SetText(m.AspectName[i], "A" + std::to_string(i));
    }
    m.WhisperNum = 2;
    m.WhisperCode[0] = 0;
    orvane::SetText(m.WhisperName[0], "Normal");
    m.WhisperCode[1] = 1;
    orvane::SetText(m.WhisperName[1], "Eco");
    m.GammaNum = 0;
    m.ColorTempNum = -1;
    m.MyButtonNum = 1;
    m.MyButtonCode[0] = 4;
    orvane::SetText(m.MyButtonName[0], "Picture mode");

    const AdjustItems items = BuildItems(m);
    ASSERT_EQ(items.ranges.size(), 4u);
    EXPECT_EQ(items.ranges[0].name, "Brightness");
    EXPECT_EQ(items.ranges[0].type, 0x4000);
    EXPECT_EQ(items.ranges[0].tab, AdjustTab::Picture);
    EXPECT_EQ(items.ranges[1].name, "KeystoneV");
    EXPECT_EQ(items.ranges[1].type, 0x4015);
    EXPECT_EQ(items.ranges[1].min, -30);
    EXPECT_EQ(items.ranges[1].tab, AdjustTab::Geometry);
    EXPECT_EQ(items.ranges[2].name, "MenuPositionH");
    EXPECT_EQ(items.ranges[2].tab, AdjustTab::Setup);
    EXPECT_EQ(items.ranges[3].name, "ElectricZoom");
    EXPECT_EQ(items.ranges[3].type, 0x4026);
    EXPECT_EQ(items.ranges[3].tab, AdjustTab::Geometry);

    ASSERT_EQ(items.choices.size(), 2u); // gamma and colour temperature have no entries
    EXPECT_EQ(items.choices[0].type, kTypeAspect);
    EXPECT_EQ(items.choices[0].entries.size(), 32u);
    EXPECT_EQ(items.choices[0].entries[31].label, "A31");
    EXPECT_EQ(items.choices[0].IndexOfCode(105), 5);
    EXPECT_EQ(items.choices[0].IndexOfCode(99), -1);
    EXPECT_EQ(items.choices[1].type, kTypeLampMode);
    EXPECT_EQ(items.choices[1].entries[1].label, "Eco");
    ASSERT_EQ(items.myButtons.entries.size(), 1u);
    EXPECT_EQ(items.myButtons.type, kTypeMyButton);
    EXPECT_EQ(items.myButtons.entries[0].code, 4);
}

TEST(AdjustItems, TabsAndDisplayOrderCoverEveryItemOnce) {
    const std::vector<int>& order = DisplayOrder();
    ASSERT_EQ(order.size(), 39u);
    std::vector<int> seen(39, 0);
    int lastTab = 0;
    for (int index : order) {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 39);
        ++seen[static_cast<std::size_t>(index)];
        // The order runs through the tabs one after another.
        const int tab = static_cast<int>(TabOfRange(index));
        EXPECT_GE(tab, lastTab) << index;
        lastTab = tab;
    }
    for (int count : seen)
        EXPECT_EQ(count, 1);
    EXPECT_EQ(TabOfRange(23), AdjustTab::Sound);   // Volume
    EXPECT_EQ(TabOfRange(33), AdjustTab::Colour);  // CustomGamma
    EXPECT_EQ(TabOfRange(37), AdjustTab::Setup);   // OSDBright
    EXPECT_EQ(TabOfRange(19), AdjustTab::Picture); // OverScan
}

TEST(AdjustItems, ValuesTravelAsSignedSixteenBits) {
    EXPECT_EQ(ToWire(-30), 0xFFE2);
    EXPECT_EQ(ToWire(32767), 0x7FFF);
    EXPECT_EQ(FromWire(0xFFE2), -30);
    EXPECT_EQ(FromWire(0x8000), -32768);
    EXPECT_EQ(FromWire(ToWire(-32768)), -32768);
}
