#include "platform/PrivateProfile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace orvane {
namespace {

TEST(PrivateProfile, SectionsAndKeysMatchWithoutCaseAndFirstOccurrenceWins) {
    auto ini = PrivateProfile::Parse("[General]\nModel=First\nMODEL=Second\n[general]\nModel=Third\nOther=x\n");
    EXPECT_EQ(ini.GetString("GENERAL", "model"), "First");
    EXPECT_EQ(ini.GetString("general", "MoDeL"), "First");
    // A repeated section is never consulted.
    EXPECT_EQ(ini.GetString("GENERAL", "Other"), "");
}

TEST(PrivateProfile, MissingKeysAndSectionsReadEmptyAndZero) {
    auto ini = PrivateProfile::Parse("[A]\nKey=5\n");
    EXPECT_EQ(ini.GetString("A", "Nope"), "");
    EXPECT_EQ(ini.GetString("B", "Key"), "");
    EXPECT_EQ(ini.GetInt("B", "Key"), 0);
    EXPECT_TRUE(ini.HasSection("a"));
    EXPECT_FALSE(ini.HasSection("b"));
}

TEST(PrivateProfile, AcceptsCrLfAndCrCrLfWithoutCarriageReturnsInValues) {
    auto ini = PrivateProfile::Parse("[GENERAL]\r\nMODEL=AX-210\r\n[TOOLBAR]\r\r\nCONFIG=1\r\r\nPOWERON=0\r\r\n");
    EXPECT_EQ(ini.GetString("GENERAL", "MODEL"), "AX-210");
    EXPECT_EQ(ini.GetString("TOOLBAR", "CONFIG"), "1");
    EXPECT_EQ(ini.GetString("TOOLBAR", "POWERON"), "0");
    EXPECT_TRUE(ini.HasSection("TOOLBAR"));
}

TEST(PrivateProfile, ValuesAreCutTo127Characters) {
    std::string longValue(10000, 'v');
    auto ini = PrivateProfile::Parse("[S]\nK=" + longValue + "\nNext=ok\n");
    EXPECT_EQ(ini.GetString("S", "K"), std::string(127, 'v'));
    EXPECT_EQ(ini.GetString("S", "Next"), "ok");
}

TEST(PrivateProfile, TrimsBlanksAndKeepsInnerSemicolonsAndEquals) {
    auto ini = PrivateProfile::Parse("  [ S ]  \n  Key  =  5;a=b;c  \n;comment=1\n");
    EXPECT_EQ(ini.GetString("S", "Key"), "5;a=b;c");
    EXPECT_EQ(ini.GetString("S", ";comment"), "");
}

TEST(PrivateProfile, NumbersReadAsAtoiDoes) {
    EXPECT_EQ(ProfileAtoi("  42abc"), 42);
    EXPECT_EQ(ProfileAtoi("-7"), -7);
    EXPECT_EQ(ProfileAtoi("+3"), 3);
    EXPECT_EQ(ProfileAtoi("x1"), 0);
    EXPECT_EQ(ProfileAtoi(""), 0);
    EXPECT_EQ(ProfileAtoi("- 1"), 0);
    // Out-of-range numbers saturate instead of overflowing.
    EXPECT_EQ(ProfileAtoi("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ProfileAtoi("-99999999999999999999"), INT_MIN);
}

TEST(PrivateProfile, MissingFileIsEmptyAndGarbageDoesNotCrash) {
    test::TempDir dir;
    auto missing = PrivateProfile::Load(dir.File("none.txt"));
    EXPECT_FALSE(missing.Loaded());
    EXPECT_EQ(missing.GetString("A", "B"), "");

    std::mt19937 rng(7);
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += static_cast<char>(rng() & 0xFF);
    garbage += "\n[S]\nK=v\n";
    dir.Write("garbage.txt", garbage);
    auto ini = PrivateProfile::Load(dir.File("garbage.txt"));
    EXPECT_TRUE(ini.Loaded());
    EXPECT_EQ(ini.GetString("S", "K"), "v");
}

TEST(PrivateProfile, Utf8ByteOrderMarkIsIgnored) {
    auto ini = PrivateProfile::Parse("\xEF\xBB\xBF[MODEL]\nNum=2\n");
    EXPECT_EQ(ini.GetInt("MODEL", "Num"), 2);
}

} // namespace
} // namespace orvane
