#include "app/ProgramOptions.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace orvane {
namespace {

ProgramOptions ParseArgs(std::vector<const char*> args) {
    return ProgramOptions::Parse(static_cast<int>(args.size()), args.data());
}

using Args = std::vector<std::string>;

TEST(ProgramOptionsTest, ProgramDirIsTakenOutWhereverItStandsAndTheLastCounts) {
    ProgramOptions o = ParseArgs({"orvane", "--program-dir", "/a", "AX-210", "-SkipUserCheck", "--program-dir=/b"});
    EXPECT_EQ(o.error, "");
    EXPECT_TRUE(o.unknown.empty());
    EXPECT_EQ(o.programDir, "/b");
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.rest, (Args{"orvane", "AX-210", "-SkipUserCheck"}));
}

TEST(ProgramOptionsTest, WithoutOptionsTheCommandLineStaysAsItWas) {
    ProgramOptions o = ParseArgs({"orvane", "-platform", "offscreen", "AX-210"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.programDir, "");
    EXPECT_EQ(o.rest, (Args{"orvane", "-platform", "offscreen", "AX-210"}));
    EXPECT_EQ(ParseArgs({}).rest, Args{"orvane"});
}

TEST(ProgramOptionsTest, DoubleDashEndsTheOptions) {
    ProgramOptions o = ParseArgs({"orvane", "--", "--program-dir"});
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.programDir, "");
    EXPECT_EQ(o.rest, (Args{"orvane", "--program-dir"}));
}

TEST(ProgramOptionsTest, BadOptionsAreErrorsButHelpIsStillSeen) {
    EXPECT_EQ(ParseArgs({"orvane", "--program-dir"}).error, "--program-dir needs a directory");
    EXPECT_EQ(ParseArgs({"orvane", "--program-dir="}).error, "--program-dir needs a directory");
    EXPECT_EQ(ParseArgs({"orvane", "--program-dir", ""}).error, "--program-dir needs a directory");
    ProgramOptions o = ParseArgs({"orvane", "--program-dir", "", "--bogus", "-h", "--style"});
    EXPECT_EQ(o.error, "--program-dir needs a directory");
    EXPECT_EQ(o.unknown, (Args{"--bogus", "--style"}));
    EXPECT_TRUE(o.help) << "-h stays an option after a bad one";
    EXPECT_TRUE(ParseArgs({"orvane", "AX-210", "--help"}).help);
}

} // namespace
} // namespace orvane
