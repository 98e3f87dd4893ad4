#include "model/ConfigFile.h"

#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace orvane {
namespace {

class OrvanectlConfig : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", std::ios::binary);
        dir_.Write("OrvaneModel.txt", std::string(std::istreambuf_iterator<char>(in), {}));
    }
    test::ProgramResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", dir_.path(), "--program-dir", dir_.path()});
        return test::RunProgram("orvanectl", args);
    }
    test::TempDir dir_;
};

TEST_F(OrvanectlConfig, ModelsListsEveryRecordInOrder) {
    auto r = Ctl({"models"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1), "0\tAX-210\t101\n1\tAX-310N\t102\n");
    EXPECT_NE(r.out.find("6\tLM107\t1\n"), std::string::npos); // id from the built-in table

    auto j = Ctl({"models", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    auto models = nlohmann::json::parse(j.out);
    ASSERT_EQ(models.size(), 9u);
    EXPECT_EQ(models[2]["ModelID"], 500);
    EXPECT_EQ(models[0]["AspectCode"].size(), 32u);
    EXPECT_EQ(models[0]["InputName"].size(), 16u);
    EXPECT_EQ(models[0]["InputNameView"].size(), 16u);
    EXPECT_EQ(models[0]["IPAddress"][4], "192.168.1.10");
    EXPECT_EQ(models[1]["Volume"], "0,31");
    EXPECT_EQ(models[0]["WhisperName"][1], "Eco");
}

TEST_F(OrvanectlConfig, ModelsOfPluginsFollowTheCatalogsMarkedAsSuch) {
    if (!std::filesystem::exists(std::string(ORVANE_BIN_DIR) + "/plugin/Adjust_Demo.so"))
        GTEST_SKIP() << "the sample plug-in is built only with the Qt front end";
    std::filesystem::create_directories(dir_.File("plugin"));
    std::filesystem::copy_file(std::string(ORVANE_BIN_DIR) + "/plugin/Adjust_Demo.so",
                               dir_.File("plugin/Adjust_Demo.so"));
    auto r = Ctl({"models"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("8\tZR-40L\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n9\tPX-Demo\t900\tplugin Adjust_Demo.so\n"), std::string::npos) << r.out;

    auto j = Ctl({"models", "--json"});
    ASSERT_EQ(j.exitCode, 0) << j.err;
    auto models = nlohmann::json::parse(j.out);
    ASSERT_EQ(models.size(), 10u);
    EXPECT_FALSE(models[8].contains("plugin"));
    EXPECT_EQ(models[9]["plugin"], "Adjust_Demo.so");
    EXPECT_EQ(models[9]["Name"], "PX-Demo");
    EXPECT_EQ(models[9]["InputNum"], 3);
}

TEST_F(OrvanectlConfig, InvalidUtf8IsReplacedInJson) {
    dir_.Write("OrvaneModel.txt", "[MODEL]\nNum=1\nModel_001=Bad\xff\xfeName\n");
    auto r = Ctl({"models", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto models = nlohmann::json::parse(r.out);
    EXPECT_EQ(models[0]["Name"], "Bad\xEF\xBF\xBD\xEF\xBF\xBDName");
}

TEST_F(OrvanectlConfig, UseWritesByteExactFilesAndShowReadsThemBack) {
    auto r = Ctl({"use", "WD-9000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string current = dir_.Read("Orvane.txt");
    const std::string perModel = dir_.Read("WD-9000.txt");
    // Model 500: no audio and no freeze, so those boxes are written as 0.
    const std::string toolbar = "[TOOLBAR]\r\r\nCONFIG=1\r\r\nPOWERON=1\r\r\nPOWEROFF=1\r\r\nBLANKON=1\r\r\n"
                                "BLANKOFF=1\r\r\nVOLUME=0\r\r\nMUTE=0\r\r\nFREEZEON=0\r\r\nFREEZEOFF=0\r\r\n"
                                "ADVANCE=1\r\r\nABOUT=1\r\r\nIMGSEND=0\r\r\n";
    EXPECT_EQ(current.substr(0, current.find("[INPUTSOURCE]")),
              "[GENERAL]\r\nMODEL=WD-9000\r\nModelID=500\r\nType=3\r\nDiscovery=0\r\nImageSendEnable=0\r\n"
              "ImageDispEnable=0\r\n[PROJECTOR]\r\nPJTNUM=0\r\n" +
                  toolbar);
    EXPECT_NE(current.find("Input_007=1;9;STEREO DVI\r\r\n[WHISPER]\r\r\nWhisperNum=2\r\r\n"
                           "Whisper_001=0;Normal\r\r\nWhisper_002=1;Whisper\r\r\n"),
              std::string::npos);
    EXPECT_NE(current.find("[SCREEN]\r\r\nICON=0\r\r\nALWAYSONTOP=0\r\r\n[Brightness]\r\nMin-Max=0,100\r\n"
                           "[Contrast]\r\nMin-Max=0,100\r\n[INPUTSOURCEVIEW]\r\nInputNameView_001=\r\r\n"),
              std::string::npos);
    std::string expectedPerModel = current;
    for (std::size_t p = 0; (p = expectedPerModel.find("=\r\r\n", p)) != std::string::npos;) {
        if (expectedPerModel.rfind("InputNameView_", p) > expectedPerModel.rfind('\n', p))
            expectedPerModel.erase(p + 1, 1);
        p += 2;
    }
    EXPECT_EQ(perModel, expectedPerModel);
    EXPECT_EQ(dir_.Read("OrvaneOpt.txt"), "0\r\n0\r\n30\r\n");

    auto show = Ctl({"show", "--json"});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    auto m = nlohmann::json::parse(show.out);
    EXPECT_EQ(m["Name"], "WD-9000");
    EXPECT_EQ(m["ToolbarVolume"], 0);
    EXPECT_EQ(m["InputNum"], 7);
    EXPECT_EQ(m["InputShow"][6], 1);
}

TEST_F(OrvanectlConfig, UseKeepsASavedConfigurationAndItsSelection) {
    // A saved per-model file with two projectors and the second one reported.
    dir_.Write("AX-210.txt", "[GENERAL]\r\nMODEL=AX-210\r\nModelID=101\r\n[PROJECTOR]\r\nPJTNUM=2\r\nSELECTPRJ=2\r\n"
                             "[CONNECT-1]\r\r\nCONMETHOD=1\r\nTCPPORTNO=23\r\nIPADDRESS=127.0.0.1\r\n"
                             "[CONNECT-2]\r\r\nCONMETHOD=0\r\nCOMPORTNO=3\r\n[TOOLBAR]\r\r\nPOWERON=1\r\r\n"
                             "[SCREEN]\r\r\nICON=2\r\r\nALWAYSONTOP=1\r\r\n");
    auto r = Ctl({"use", "AX-210"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string current = dir_.Read("Orvane.txt");
    EXPECT_NE(current.find("PJTNUM=2\r\nSELECTPRJ=2\r\n[CONNECT-1]"), std::string::npos);
    EXPECT_NE(current.find("CONFIG=1\r\r\nPOWERON=1\r\r\nPOWEROFF=0\r\r\n"), std::string::npos);
    EXPECT_NE(current.find("ICON=2\r\r\nALWAYSONTOP=1\r\r\n"), std::string::npos);
    auto show = Ctl({"show"});
    EXPECT_NE(show.out.find("COM4"), std::string::npos) << show.out;
}

TEST_F(OrvanectlConfig, BadInputGivesExitTwoAndWritesNothing) {
    auto r = Ctl({"use", "NO-SUCH"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("NO-SUCH"), std::string::npos);
    EXPECT_EQ(dir_.Read("Orvane.txt"), "");
    EXPECT_EQ(dir_.Read("OrvaneOpt.txt"), "");
    EXPECT_EQ(Ctl({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Ctl({"show", dir_.File("missing.txt")}).exitCode, 2);
    EXPECT_EQ(test::RunProgram("orvanectl", {"--dir", dir_.File("nowhere"), "models"}).exitCode, 2);
    std::remove(dir_.File("OrvaneModel.txt").c_str());
    auto models = Ctl({"models"});
    EXPECT_EQ(models.exitCode, 2);
    EXPECT_NE(models.err.find("OrvaneModel.txt"), std::string::npos);
}

TEST_F(OrvanectlConfig, OptionsReportsTheFileAsRead) {
    dir_.Write("OrvaneOpt.txt", "5\n0\n12\n");
    auto r = Ctl({"options", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out),
              nlohmann::json({{"SkipLogin", 1}, {"SkipConfig", 0}, {"UpdateInterval", 12}}));
}

TEST_F(OrvanectlConfig, TextFillsInsertsFromTheCatalogBesideTheProgram) {
    auto r = test::RunProgram("orvanectl", {"--dir", dir_.path(), "text", "11", "42", "AX-210"},
                              {"LANG=en_US.UTF-8", "LC_ALL="});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Orvane - AX-210\n");
    // The marker chooses the Chinese catalog, looked up under 1033.
    auto en = test::RunProgram("orvanectl", {"--dir", dir_.path(), "text", "11", "2"}, {"LANG=en_US.UTF-8", "LC_ALL="});
    EXPECT_EQ(en.out, "Configuration\n");
    dir_.Write("GETSCH", "");
    auto zh = test::RunProgram("orvanectl", {"--dir", dir_.path(), "text", "11", "2"}, {"LANG=en_US.UTF-8", "LC_ALL="});
    EXPECT_NE(zh.out, en.out);
    EXPECT_GT(zh.out.size(), 1u);
    EXPECT_EQ(test::RunProgram("orvanectl", {"text", "11"}).exitCode, 2);
}

} // namespace
} // namespace orvane
