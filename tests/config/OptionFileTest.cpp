#include "model/OptionFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class OptionFileTest : public ::testing::Test {
protected:
    OptionValues Read(const std::string& text) {
        box_.Write("OrvaneOpt.txt", text);
        OptionValues o;
        static_cast<void>(ReadOptions(o)); // the tests judge the values; one test the result
        return o;
    }
    test::Sandbox box_;
};

TEST_F(OptionFileTest, AnyNonZeroFlagCountsAndTheIntervalIsTakenAsWritten) {
    OptionValues o = Read("5\n0\n12\n");
    EXPECT_EQ(o.SkipLogin, 1);
    EXPECT_EQ(o.SkipConfig, 0);
    EXPECT_EQ(o.UpdateInterval, 12);
    ASSERT_EQ(WriteOptions(o), 0);
    EXPECT_EQ(box_.Read("OrvaneOpt.txt"), "1\r\n0\r\n12\r\n");

    o = Read("0\r\n-3\r\n0\r\n");
    EXPECT_EQ(o.SkipLogin, 0);
    EXPECT_EQ(o.SkipConfig, 1);
    EXPECT_EQ(o.UpdateInterval, 0);

    o = Read("x\n\n250x\n");
    EXPECT_EQ(o.SkipLogin, 0);
    EXPECT_EQ(o.SkipConfig, 0);
    EXPECT_EQ(o.UpdateInterval, 250);
}

TEST_F(OptionFileTest, ShortOrMissingFilesSetOnlyWhatTheyHave) {
    OptionValues o = Read("1\n");
    EXPECT_EQ(o.SkipLogin, 1);
    EXPECT_EQ(o.SkipConfig, 0);
    EXPECT_EQ(o.UpdateInterval, 30);

    // Flags are cleared on every read; the interval keeps its last value.
    OptionValues kept;
    kept.SkipLogin = kept.SkipConfig = 1;
    kept.UpdateInterval = 7;
    std::remove("OrvaneOpt.txt");
    EXPECT_TRUE(ReadOptions(kept).missing());
    EXPECT_EQ(kept.SkipLogin, 0);
    EXPECT_EQ(kept.SkipConfig, 0);
    EXPECT_EQ(kept.UpdateInterval, 7);
}

TEST_F(OptionFileTest, LongLinesAreReadInPiecesOfFourteen) {
    // The first read takes 14 characters; the rest of that line is the second read.
    OptionValues o = Read("00000000000000"
                          "7\n"
                          "0\n");
    EXPECT_EQ(o.SkipLogin, 0);
    EXPECT_EQ(o.SkipConfig, 1);
    EXPECT_EQ(o.UpdateInterval, 0);
}

TEST_F(OptionFileTest, BinaryGarbageReadsAsNoOptionsAndNoPolling) {
    // No line feed among the first 42 bytes: three reads of 14 bytes each, none of them
    // starting with a digit (a NUL, '*' and 'T').
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 131) & 0xFF);
    OptionValues o;
    o.UpdateInterval = 7;
    box_.Write("OrvaneOpt.txt", garbage);
    static_cast<void>(ReadOptions(o)); // read it is, if not as numbers: the values tell
    EXPECT_EQ(o.SkipLogin, 0);
    EXPECT_EQ(o.SkipConfig, 0);
    EXPECT_EQ(o.UpdateInterval, 0);
}

} // namespace
} // namespace orvane
