#include "mainwnd/ToolbarLayout.h"

#include "catalog/MessageCatalog.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace orvane {
namespace {

constexpr int kSep = 0;
constexpr int32_t kDefaultModel = 100;
constexpr int32_t kWideModel = 500;
constexpr int32_t kCompactModel = 24714;

CModelInfo2 AllShown(int32_t modelId = kDefaultModel) {
    CModelInfo2 m;
    m.Name = "AX-210";
    m.ModelID = modelId;
    m.IconSize = 0;
    m.ToolbarConfig = m.ToolbarPowerOn = m.ToolbarPowerOff = 1;
    m.ToolbarBlankOn = m.ToolbarBlankOff = m.ToolbarVolume = m.ToolbarMute = 1;
    m.ToolbarFreezeOn = m.ToolbarFreezeOff = m.ToolbarAdvance = m.ToolbarImgSend = m.ToolbarAbout = 1;
    m.InputNum = 0;
    return m;
}

void HideEverything(CModelInfo2& m) {
    m.ToolbarConfig = m.ToolbarPowerOn = m.ToolbarPowerOff = 0;
    m.ToolbarBlankOn = m.ToolbarBlankOff = m.ToolbarVolume = m.ToolbarMute = 0;
    m.ToolbarFreezeOn = m.ToolbarFreezeOff = m.ToolbarAdvance = m.ToolbarImgSend = m.ToolbarAbout = 0;
}

void AddInput(CModelInfo2& m, std::string_view name, int shown = 1, std::string_view label = {}) {
    int c = m.InputNum < 0 ? 0 : m.InputNum;
    SetText(m.InputName[c], name);
    SetText(m.InputNameView[c], label);
    m.InputShow[c] = shown;
    m.InputCode[c] = c;
    m.InputNum = c + 1;
}

// Texts of the input buttons right after the head (Config, separator, power pair, separator).
std::vector<std::string> GroupTexts(const ToolbarLayout& layout, std::size_t count) {
    std::vector<std::string> texts;
    for (std::size_t k = 5; k < 5 + count && k < layout.items.size(); ++k)
        texts.push_back(layout.items[k].text);
    return texts;
}

// The toolbar as command ids, 0 for a separator.
std::vector<int> Ids(const ToolbarLayout& layout) {
    std::vector<int> ids;
    for (const ToolbarItem& item : layout.items)
        ids.push_back(item.separator ? kSep : item.commandId);
    return ids;
}

// The tail with the separator behind the input group, and without it (no input group).
const std::vector<int> kTail = {kSep, 2786, 2793, 2795, 2787, 2791, 2794, 1016, 32843, kSep, 1017};
const std::vector<int> kBareTail(kTail.begin() + 1, kTail.end());

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ToolbarButtonSet, HoldsEveryPositionOfTheLayoutOnce) {
    std::vector<ToolbarItem> def = LoadButtonSet(InputLayout::Default);
    std::vector<ToolbarItem> wide = LoadButtonSet(InputLayout::Wide);
    std::vector<ToolbarItem> compact = LoadButtonSet(InputLayout::Compact);
    EXPECT_EQ(def.size(), 5u + 29u + 11u);
    EXPECT_EQ(wide.size(), 5u + 7u + 11u);
    EXPECT_EQ(compact.size(), 5u + 15u + 11u);
    // Head and group start: Config, separator, the power pair, separator, position 0.
    EXPECT_EQ(def[0].commandId, 2797);
    EXPECT_TRUE(def[1].separator);
    EXPECT_EQ(def[4].separator, true);
    EXPECT_EQ(def[5].commandId, 2776);
    // "HDMI 1 / MHL" shares position 16 with "HDMI 1": the group holds one button for both.
    EXPECT_EQ(def[5 + 16].commandId, 32908);
    EXPECT_EQ(def[5 + 28].commandId, 32942);
    EXPECT_EQ(wide[5 + 6].commandId, 32941);
    EXPECT_EQ(compact[5 + 14].commandId, 32907);
    EXPECT_EQ(def.back().commandId, 1017);
}

TEST(ToolbarRebuild, EverythingShownKeepsTheResourceOrder) {
    CModelInfo2 m = AllShown();
    AddInput(m, "RGB");
    AddInput(m, "Video");
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_EQ(Ids(t), Concat({2797, kSep, 2792, 2775, kSep, 2776, 32933}, kTail));
    EXPECT_EQ(t.buttonCount, static_cast<int>(t.items.size()));
    EXPECT_EQ(t.volumeButtonIndex, 10);
    EXPECT_EQ(t.items[t.volumeButtonIndex].commandId, 2795);
    EXPECT_FALSE(t.NothingLeft());
    EXPECT_EQ(t.ExtraHeight(), 0);
    // Only the input buttons are check buttons.
    for (const ToolbarItem& item : t.items)
        EXPECT_EQ(item.check, item.commandId == 2776 || item.commandId == 32933) << item.commandId;
}

TEST(ToolbarRebuild, NothingLeftWhenEveryFlagIsOffAndNoInputShows) {
    CModelInfo2 m = AllShown();
    HideEverything(m);
    AddInput(m, "RGB", 0);
    AddInput(m, "Not an input of any table", 1);
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_TRUE(t.items.empty());
    EXPECT_EQ(t.buttonCount, 0);
    EXPECT_TRUE(t.NothingLeft());
    EXPECT_EQ(t.volumeButtonIndex, 0);
}

TEST(ToolbarRebuild, OnlyShownInputsLeftKeepTheirSeparators) {
    CModelInfo2 m = AllShown();
    HideEverything(m);
    AddInput(m, "HDMI");
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_EQ(Ids(t), (std::vector<int>{kSep, 32894, kSep}));
    EXPECT_EQ(t.buttonCount, 3);
}

TEST(ToolbarRebuild, NoInputGroupWithoutAShownTableInput) {
    const std::vector<int> expected = Concat({2797, kSep, 2792, 2775}, kBareTail);

    CModelInfo2 none = AllShown();
    EXPECT_EQ(Ids(BuildToolbarLayout(none)), expected);

    CModelInfo2 unset = AllShown();
    unset.InputNum = -1; // a record that never had an input list
    EXPECT_EQ(Ids(BuildToolbarLayout(unset)), expected);

    CModelInfo2 hiddenOrUnknown = AllShown();
    AddInput(hiddenOrUnknown, "RGB", 0);
    AddInput(hiddenOrUnknown, "HDMI 7", 1);
    AddInput(hiddenOrUnknown, "Video", -1);
    ToolbarLayout t = BuildToolbarLayout(hiddenOrUnknown);
    EXPECT_EQ(Ids(t), expected);
    EXPECT_EQ(t.buttonCount, static_cast<int>(expected.size()));
}

TEST(ToolbarRebuild, InputsFollowTheConfigurationsListNotTheTable) {
    CModelInfo2 m = AllShown();
    AddInput(m, "hdmi 2");
    AddInput(m, "Video");
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_EQ(Ids(t), Concat({2797, kSep, 2792, 2775, kSep, 32909, 32933}, kTail));

    CModelInfo2 reversed = AllShown();
    AddInput(reversed, "Video");
    AddInput(reversed, "RGB");
    AddInput(reversed, "Component", 0);
    AddInput(reversed, "HDMI 2");
    EXPECT_EQ(Ids(BuildToolbarLayout(reversed)), Concat({2797, kSep, 2792, 2775, kSep, 32933, 2776, 32909}, kTail));
}

TEST(ToolbarRebuild, AliasNamesTakeTheirRowsButton) {
    CModelInfo2 m = AllShown();
    AddInput(m, "Computer in 1");
    AddInput(m, "computer in2");
    AddInput(m, "HDMI 1 / MHL");
    std::vector<int> ids = Ids(BuildToolbarLayout(m));
    EXPECT_EQ(std::vector<int>(ids.begin() + 5, ids.begin() + 8), (std::vector<int>{32870, 32874, 32908}));

    CModelInfo2 compact = AllShown(kCompactModel);
    AddInput(compact, "HDMI 1 / MHL");
    AddInput(compact, "Computer in");
    ids = Ids(BuildToolbarLayout(compact));
    EXPECT_EQ(std::vector<int>(ids.begin() + 5, ids.begin() + 7), (std::vector<int>{32947, 32869}));
}

TEST(ToolbarRebuild, TwoEntriesOfOneNameGiveTwoButtons) {
    CModelInfo2 m = AllShown();
    AddInput(m, "HDMI");
    AddInput(m, "HDMI");
    std::vector<int> ids = Ids(BuildToolbarLayout(m));
    EXPECT_EQ(std::vector<int>(ids.begin() + 4, ids.begin() + 8), (std::vector<int>{kSep, 32894, 32894, kSep}));
}

TEST(ToolbarRebuild, WideAndCompactGroupsAreRemovedWhole) {
    CModelInfo2 wide = AllShown(kWideModel);
    AddInput(wide, "STEREO DVI");
    AddInput(wide, "HDMI 1");
    AddInput(wide, "Video"); // not a wide input
    ToolbarLayout t = BuildToolbarLayout(wide);
    EXPECT_EQ(Ids(t), Concat({2797, kSep, 2792, 2775, kSep, 32941, 32908}, kTail));

    CModelInfo2 compact = AllShown(kCompactModel);
    AddInput(compact, "USB type B");
    AddInput(compact, "RGB"); // not a compact input
    EXPECT_EQ(Ids(BuildToolbarLayout(compact)), Concat({2797, kSep, 2792, 2775, kSep, 32907}, kTail));
    compact.InputShow[0] = 0;
    EXPECT_EQ(Ids(BuildToolbarLayout(compact)), Concat({2797, kSep, 2792, 2775}, kBareTail));
}

TEST(ToolbarRebuild, HeadFlags) {
    CModelInfo2 noConfig = AllShown();
    noConfig.ToolbarConfig = 0;
    AddInput(noConfig, "RGB");
    EXPECT_EQ(Ids(BuildToolbarLayout(noConfig)), Concat({2792, 2775, kSep, 2776}, kTail));

    // Only 0 hides: a flag never written (-1) keeps its button.
    CModelInfo2 unset = AllShown();
    unset.ToolbarConfig = -1;
    unset.ToolbarPowerOff = 0;
    EXPECT_EQ(Ids(BuildToolbarLayout(unset)), Concat({2797, kSep, 2792}, kBareTail));

    // Config without the power pair and without inputs keeps one separator behind Config.
    CModelInfo2 configOnly = AllShown();
    configOnly.ToolbarPowerOn = configOnly.ToolbarPowerOff = 0;
    EXPECT_EQ(Ids(BuildToolbarLayout(configOnly)), Concat({2797, kSep}, kBareTail));

    // With inputs, the separator behind Config and the one before the group both stay.
    AddInput(configOnly, "LAN");
    EXPECT_EQ(Ids(BuildToolbarLayout(configOnly)), Concat({2797, kSep, kSep, 32905}, kTail));
}

TEST(ToolbarRebuild, TailFlagsAndVolumeIndex) {
    CModelInfo2 m = AllShown();
    m.ToolbarVolume = 0;
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_EQ(t.volumeButtonIndex, 0);
    std::vector<int> ids = Ids(t);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 2795), 0);

    CModelInfo2 v = AllShown();
    v.ToolbarConfig = 0;
    v.ToolbarBlankOn = 0;
    AddInput(v, "RGB");
    t = BuildToolbarLayout(v);
    // Power On, Power Off, separator, RGB, separator, Blank Off, Volume.
    EXPECT_EQ(t.volumeButtonIndex, 6);
    EXPECT_EQ(t.items[6].commandId, 2795);

    CModelInfo2 noAbout = AllShown();
    noAbout.ToolbarAbout = 0;
    noAbout.ToolbarImgSend = 0;
    noAbout.ToolbarAdvance = 0;
    AddInput(noAbout, "RGB");
    EXPECT_EQ(Ids(BuildToolbarLayout(noAbout)),
              (std::vector<int>{2797, kSep, 2792, 2775, kSep, 2776, kSep, 2786, 2793, 2795, 2787, 2791, 2794}));
}

TEST(ToolbarRebuild, ButtonCountIsWhatIsLeftForAnyFlags) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> flag(-1, 1);
    const char* names[] = {"RGB", "HDMI 1", "video", "Computer in 2", "LAN", "nothing", "SDI", "HDMI 2 / MHL"};
    for (int round = 0; round < 400; ++round) {
        const int32_t models[] = {kDefaultModel, kWideModel, kCompactModel};
        CModelInfo2 m = AllShown(models[round % 3]);
        for (int32_t* f : {&m.ToolbarConfig, &m.ToolbarPowerOn, &m.ToolbarPowerOff, &m.ToolbarBlankOn,
                           &m.ToolbarBlankOff, &m.ToolbarVolume, &m.ToolbarMute, &m.ToolbarFreezeOn,
                           &m.ToolbarFreezeOff, &m.ToolbarAdvance, &m.ToolbarImgSend, &m.ToolbarAbout})
            *f = flag(random);
        int count = static_cast<int>(random() % 6);
        for (int c = 0; c < count; ++c)
            AddInput(m, names[random() % 8], flag(random));
        ToolbarLayout t = BuildToolbarLayout(m);
        ASSERT_EQ(t.buttonCount, static_cast<int>(t.items.size())) << "round " << round;
        if (m.ToolbarVolume != 0)
            EXPECT_EQ(t.items.at(t.volumeButtonIndex).commandId, 2795) << "round " << round;
        else
            EXPECT_EQ(t.volumeButtonIndex, 0);
        for (const ToolbarItem& item : t.items)
            EXPECT_EQ(item.separator, item.commandId == 0);
    }
}

TEST(ToolbarLabels, CutByIconSize) {
    for (int32_t size : {0, 1, 2, 3, -1}) {
        CModelInfo2 m = AllShown();
        m.IconSize = size;
        AddInput(m, "HDMI 1", 1, "ABCDEFGHIJKL"); // the field keeps 8 of the 12
        AddInput(m, "HDMI 2", 1, "WXYZ");
        ToolbarLayout t = BuildToolbarLayout(m);
        const std::size_t expected = size == 1 ? 6 : (size == 2 ? 8 : 4);
        EXPECT_EQ(t.items[5].text, std::string("ABCDEFGH").substr(0, expected)) << "size " << size;
        EXPECT_EQ(t.items[6].text, "WXYZ") << "a label of the limit is shown whole, size " << size;
        EXPECT_EQ(ToolbarTipText(32908, m), t.items[5].text);
        EXPECT_EQ(t.labelCount, 2);
        EXPECT_EQ(t.ExtraHeight(), 12);
    }
    // Characters, not bytes, count; a cut never leaves half a character.
    EXPECT_EQ(CutInputLabel("\xE6\x8A\x95\xE5\xBD\xB1", 0), "\xE6\x8A\x95\xE5\xBD\xB1");
    EXPECT_EQ(CutInputLabel("\xE6\x8A\x95\xE5\xBD\xB1\xE4\xBB\xAA", 2), "\xE6\x8A\x95\xE5\xBD\xB1");
}

TEST(ToolbarLabels, SingleLabelGivesTheOthersABlank) {
    CModelInfo2 one = AllShown();
    AddInput(one, "RGB");
    AddInput(one, "HDMI", 1, "Desk");
    AddInput(one, "Video");
    ToolbarLayout t = BuildToolbarLayout(one);
    EXPECT_EQ(GroupTexts(t, 3), (std::vector<std::string>{" ", "Desk", " "}));
    EXPECT_EQ(t.labelCount, 1);
    EXPECT_EQ(t.ExtraHeight(), 12);
    // Only input buttons carry text.
    EXPECT_EQ(t.items[0].text, "");
    EXPECT_EQ(t.items.back().text, "");

    CModelInfo2 two = AllShown();
    AddInput(two, "RGB");
    AddInput(two, "HDMI", 1, "Desk");
    AddInput(two, "Video", 1, "Cam");
    t = BuildToolbarLayout(two);
    EXPECT_EQ(GroupTexts(t, 3), (std::vector<std::string>{"", "Desk", "Cam"}));

    // The one label counts even on a hidden entry; no button then carries a label of its
    // own, so the toolbar does not grow.
    CModelInfo2 hiddenLabel = AllShown();
    AddInput(hiddenLabel, "RGB");
    AddInput(hiddenLabel, "HDMI", 0, "Desk");
    t = BuildToolbarLayout(hiddenLabel);
    EXPECT_EQ(t.items[5].text, " ");
    EXPECT_EQ(t.labelCount, 0);
    EXPECT_EQ(t.ExtraHeight(), 0);

    CModelInfo2 none = AllShown();
    AddInput(none, "RGB");
    t = BuildToolbarLayout(none);
    EXPECT_EQ(t.items[5].text, "");
    EXPECT_FALSE(t.LabelsExist());
}

TEST(ToolbarResources, LayoutAndIconSizePickTheSet) {
    EXPECT_EQ(ToolbarResourceId(InputLayout::Default, 0), 176);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Default, 1), 178);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Default, 2), 181);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Wide, 0), 185);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Wide, 1), 186);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Wide, 2), 187);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Compact, 0), 188);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Compact, 1), 189);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Compact, 2), 190);
    // Any other icon size takes the 48-pixel column.
    EXPECT_EQ(ToolbarResourceId(InputLayout::Default, 5), 181);
    EXPECT_EQ(ToolbarResourceId(InputLayout::Compact, -1), 190);
    EXPECT_EQ(ToolbarImagePixels(0), 24);
    EXPECT_EQ(ToolbarImagePixels(1), 32);
    EXPECT_EQ(ToolbarImagePixels(2), 48);
    EXPECT_EQ(ToolbarImagePixels(-1), 48);

    CModelInfo2 m = AllShown(kCompactModel);
    m.IconSize = 1;
    ToolbarLayout t = BuildToolbarLayout(m);
    EXPECT_EQ(t.resourceId, 189);
    EXPECT_EQ(t.imagePixels, 32);
    m.ModelID = 225;
    EXPECT_EQ(BuildToolbarLayout(m).resourceId, 189);
    m.ModelID = 500;
    EXPECT_EQ(BuildToolbarLayout(m).resourceId, 186);
    m.ModelID = 228;
    EXPECT_EQ(BuildToolbarLayout(m).resourceId, 178);
}

// Tooltips read the shipped English catalog.
class ToolbarTips : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write(kMarkerEnglish, "");
        ASSERT_EQ(OpenCatalog(), 0);
    }
    void TearDown() override { CloseCatalog(); }

    test::TempDir dir_;
    test::ScopedWorkDir work_{dir_.path()};
};

TEST_F(ToolbarTips, FixedButtonsComeFromTheCatalog) {
    CModelInfo2 m = AllShown();
    EXPECT_EQ(ToolbarTipText(2797, m), "Configuration");
    EXPECT_EQ(ToolbarTipText(2792, m), "Power On");
    EXPECT_EQ(ToolbarTipText(2775, m), "Power Off");
    EXPECT_EQ(ToolbarTipText(2786, m), "Blank On");
    EXPECT_EQ(ToolbarTipText(2793, m), "Blank Off");
    EXPECT_EQ(ToolbarTipText(2795, m), "Volume");
    EXPECT_EQ(ToolbarTipText(2787, m), CatalogText(kCatalogSetUi, 43));
    EXPECT_EQ(ToolbarTipText(2791, m), "Freeze On");
    EXPECT_EQ(ToolbarTipText(2794, m), "Freeze Off");
    EXPECT_EQ(ToolbarTipText(1016, m), CatalogText(kCatalogSetUi, 44));
    EXPECT_EQ(ToolbarTipText(1017, m), CatalogText(kCatalogSetUi, 45));
    EXPECT_EQ(ToolbarTipText(32843, m), CatalogText(kCatalogSetUi, 46));
    for (int n : {43, 44, 45, 46})
        EXPECT_NE(CatalogText(kCatalogSetUi, n), kNoMessageCatalog) << n;
}

TEST_F(ToolbarTips, InputButtonsNameTheirInput) {
    CModelInfo2 compact = AllShown(kCompactModel);
    EXPECT_EQ(ToolbarTipText(32908, compact), "HDMI 1");
    EXPECT_EQ(ToolbarTipText(32947, compact), "HDMI 1 / MHL");

    // The first row of an id names it: a label on an alias shows on the button only.
    CModelInfo2 def = AllShown();
    AddInput(def, "Computer in", 1, "Left");
    EXPECT_EQ(ToolbarTipText(32869, def), "Computer");
    ToolbarLayout t = BuildToolbarLayout(def);
    EXPECT_EQ(t.items[5].text, "Left");

    // A label on the first row's name is the tooltip, shown or not, cut like the button's.
    CModelInfo2 labelled = AllShown();
    labelled.IconSize = 1;
    AddInput(labelled, "RGB", 0, "Lectern");
    AddInput(labelled, "rgb", 1, "Other");
    EXPECT_EQ(ToolbarTipText(2776, labelled), "Lecter");
    // Inputs without a label fall back to the name, whatever the record's list holds.
    EXPECT_EQ(ToolbarTipText(32933, labelled), "Video");
    // The same id in another layout: the wide table has no RGB row.
    labelled.ModelID = kWideModel;
    EXPECT_EQ(ToolbarTipText(2776, labelled), "");
}

TEST_F(ToolbarTips, UnknownIdsHaveNoText) {
    CModelInfo2 m = AllShown();
    EXPECT_EQ(ToolbarTipText(0, m), "");
    EXPECT_EQ(ToolbarTipText(0xE800, m), "");
    EXPECT_EQ(ToolbarTipText(32901, m), ""); // an input command without a table row
    EXPECT_EQ(ToolbarTipText(2777, m), "");

    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    GetToolbarTipText(0xE800, m, buffer, sizeof buffer);
    EXPECT_EQ(buffer[0], 'x') << "nothing is written for an id without text";
    GetToolbarTipText(2797, m, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Configu");
    GetToolbarTipText(2776, m, buffer, 1);
    EXPECT_STREQ(buffer, "");
}

} // namespace
} // namespace orvane
