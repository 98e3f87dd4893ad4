// orvanectl's listings and where its options may stand on the command line.

#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace orvane {
namespace {

class OrvanectlList : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", std::ios::binary);
        work_.Write("OrvaneModel.txt", std::string(std::istreambuf_iterator<char>(in), {}));
    }
    test::ProgramResult Ctl(std::vector<std::string> args) { return test::RunProgram("orvanectl", args); }
    test::TempDir work_;
    test::TempDir program_;
};

TEST_F(OrvanectlList, ConfigsAreThePerModelFilesOfTheProgramDirectory) {
    ASSERT_EQ(Ctl({"use", "WD-9000", "--dir", work_.path(), "--program-dir", program_.path()}).exitCode, 0);
    ASSERT_EQ(Ctl({"--dir", work_.path(), "--program-dir", program_.path(), "use", "AX-210"}).exitCode, 0);
    // Text files that are no configuration of their own name do not count.
    program_.Write("Notes.txt", "[GENERAL]\nMODEL=AX-210\n");
    program_.Write("OrvaneUsers.txt", "admin\n");
    auto r = Ctl({"configs", "--program-dir", program_.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "AX-210\nWD-9000\n");
}

TEST_F(OrvanectlList, InputsAreTheNamesOfTheConfigurationsModel) {
    ASSERT_EQ(Ctl({"--dir", work_.path(), "--program-dir", program_.path(), "use", "WD-9000"}).exitCode, 0);
    auto r = Ctl({"--config", "WD-9000", "--program-dir", program_.path(), "inputs", "--dir", work_.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "HDMI 1\nHDMI 2\nRGB D-15\nYUV1\nRGBHV/YUV2\nSDI/HDSDI/3G\nSTEREO DVI\n");
}

TEST_F(OrvanectlList, OptionsStandOnEitherSideOfTheCommandWordOnce) {
    // The last --dir counts, wherever it stands.
    auto later = Ctl({"--dir", "/nonexistent", "models", "--dir", work_.path()});
    EXPECT_EQ(later.exitCode, 0) << later.err;

    auto noConfig = Ctl({"--config", "AX-210", "models", "--dir", work_.path()});
    EXPECT_EQ(noConfig.exitCode, 2);
    EXPECT_NE(noConfig.err.find("the command models takes no configuration"), std::string::npos) << noConfig.err;

    auto twice = Ctl({"--config", "AX-210", "status", "--config", "WD-9000", "--dir", work_.path()});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_NE(twice.err.find("given both before and after the command word"), std::string::npos) << twice.err;
}

// Installed, it is started by a launcher from a path of the package's own; its help names
// the command the operator types.
TEST_F(OrvanectlList, HelpNamesTheCommandWhateverPathStartedIt) {
    for (const auto& [args, usage] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--help"}, "Usage: orvanectl [OPTIONS] SUBCOMMAND\n"},
             {{"models", "--help"}, "Usage: orvanectl models [OPTIONS]\n"},
         }) {
        auto r = test::RunProgram(test::BinPath("orvanectl"), args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(usage), std::string::npos) << r.out;
    }
}

} // namespace
} // namespace orvane
