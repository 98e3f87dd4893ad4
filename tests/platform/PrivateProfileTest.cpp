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

TEST(PrivateProfile, ALoneCarriageReturnEndsALine) {
    auto ini = PrivateProfile::Parse("[S]\rk=v\rnext=w\r");
    EXPECT_EQ(ini.GetString("S", "k"), "v");
    EXPECT_EQ(ini.GetString("S", "next"), "w");
    // The text after the CR is a line of its own, here without '='.
    auto split = PrivateProfile::Parse("[S]\nk=a\rb\n");
    EXPECT_EQ(split.GetString("S", "k"), "a");
}

TEST(PrivateProfile, SectionNameRunsToTheLastClosingBracket) {
    auto ini = PrivateProfile::Parse("[a[b]c]\nk=1\n[ X]1 ] trailing\nk=2\n");
    EXPECT_EQ(ini.GetString("a[b]c", "k"), "1");
    EXPECT_FALSE(ini.HasSection("a[b"));
    EXPECT_EQ(ini.GetString("X]1", "k"), "2");
}

TEST(PrivateProfile, OpeningBracketWithoutClosingOneIsAnOrdinaryLine) {
    auto ini = PrivateProfile::Parse("[S]\n[T=5\n[U\nafter=6\n");
    EXPECT_EQ(ini.GetString("S", "[T"), "5");
    EXPECT_FALSE(ini.HasSection("T"));
    EXPECT_FALSE(ini.HasSection("U"));
    // "[U" opened nothing: the next key is still in S.
    EXPECT_EQ(ini.GetString("S", "after"), "6");
}

TEST(PrivateProfile, NulEndsTheTextOfItsLine) {
    using namespace std::string_literals;
    auto ini = PrivateProfile::Parse("[S]\nk=a\0b\nnext=c\n"s);
    EXPECT_EQ(ini.GetString("S", "k"), "a");
    EXPECT_EQ(ini.GetString("S", "next"), "c");
}

TEST(PrivateProfile, CtrlZIsTrimmedAsABlank) {
    auto ini = PrivateProfile::Parse("[S]\x1A\nk=v\x1A\n\x1A m = \x1Aw\n");
    EXPECT_EQ(ini.GetString("S", "k"), "v");
    EXPECT_EQ(ini.GetString("S", "m"), "w");
}

TEST(PrivateProfile, ByteOrderMarks) {
    auto utf8 = PrivateProfile::Parse("\xEF\xBB\xBF[MODEL]\nNum=2\n");
    EXPECT_EQ(utf8.GetInt("MODEL", "Num"), 2);

    // UTF-16 in both byte orders, with a character outside the basic plane and a lone
    // surrogate, read from a file as a catalog saved by a Windows editor would be.
    const std::u16string text = u"[MODEL]\r\nNum=3\r\nModel_001=Caf\u00e9 \U0001F4FD\r\nBad=x\xD800y\r\n";
    test::TempDir dir;
    for (bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : text) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        dir.Write("u16.txt", bytes);
        auto ini = PrivateProfile::Load(dir.File("u16.txt"));
        ASSERT_TRUE(ini.Loaded()) << bigEndian;
        EXPECT_EQ(ini.GetInt("MODEL", "Num"), 3) << bigEndian;
        EXPECT_EQ(ini.GetString("MODEL", "Model_001"), "Caf\xC3\xA9 \xF0\x9F\x93\xBD") << bigEndian;
        EXPECT_EQ(ini.GetString("MODEL", "Bad"), "x\xEF\xBF\xBDy") << bigEndian;
    }
}

TEST(PrivateProfile, LongerReadsKeepUpToTheirCapacity) {
    const std::string name(300, 'n');
    auto ini = PrivateProfile::Parse("[GENERAL]\nMODEL=" + name + "\n");
    EXPECT_EQ(ini.GetString("GENERAL", "MODEL"), name.substr(0, 127));
    EXPECT_EQ(ini.GetString("GENERAL", "MODEL", 256), name.substr(0, 255));
}

TEST(PrivateProfile, ReportsWhyAFileCannotBeRead) {
    test::TempDir dir;
    auto missing = PrivateProfile::Load(dir.File("none.txt"));
    EXPECT_TRUE(missing.ReadResult().missing());
    auto directory = PrivateProfile::Load(dir.path());
    EXPECT_TRUE(directory.ReadResult().failed());
    EXPECT_FALSE(directory.Loaded());
    EXPECT_EQ(directory.ReadResult().reason, "is a directory");
    dir.Write("big.txt", "[S]\nk=" + std::string(100, 'v') + "\n");
    auto big = PrivateProfile::Load(dir.File("big.txt"), 64);
    EXPECT_TRUE(big.ReadResult().failed());
    EXPECT_EQ(big.GetString("S", "k"), "");
}

} // namespace
} // namespace orvane
