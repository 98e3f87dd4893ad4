#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"

#include "support/PjsimProcess.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/UdpInbox.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

namespace orvane {
namespace {

using test::PjsimProcess;
using test::PjsimRequest;
using Lines = std::vector<std::string>;

std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A working directory as the operator would have it: the sample catalog, a configuration of
// model AX-210 (inputs "Computer in 1" code 0, "HDMI 1" code 3, "HDMI 2" code 13, ...) whose
// projectors are pjsim's, the English texts, and short link time-outs.
class OrvanectlProjector : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write("OrvaneModel.txt", SourceFile("res/OrvaneModel.txt"));
        dir_.Write("txtdef.cat", SourceFile("res/txtdef.cat"));
        dir_.Write("GETENG", "");
        dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n");
    }

    // Slot n+1 is `slots[n]`: a pjsim projector number, 0 for a port nobody listens on, or -N
    // for serial port COMN.
    std::string Configuration(const PjsimProcess& sim, const std::vector<int>& slots) {
        ModelList list;
        EXPECT_TRUE(LoadModelCatalogFrom(dir_.File("OrvaneModel.txt"), list).ok());
        const int index = FindModelIndex(list, "AX-210");
        EXPECT_GE(index, 0);
        CModelInfo2 m = *list[static_cast<std::size_t>(index)];
        m.PjtNum = static_cast<int32_t>(slots.size());
        for (std::size_t s = 0; s < slots.size(); ++s) {
            m.ConnectMethod[s] = slots[s] >= 0 ? 1 : 0;
            m.ComNo[s] = slots[s] >= 0 ? 0 : -slots[s] - 1;
            m.PortNo[s] = slots[s] > 0 ? sim.Port(slots[s]) : 1;
            SetText(m.IPAddress[s], "127.0.0.1");
            SetText(m.Password[s], "");
        }
        ConfigControls controls;
        controls.modelName = "AX-210";
        controls.rowChecked[0] = true;
        return FormatConfigFile(m, controls, false);
    }

    test::ProgramResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", dir_.path(), "--program-dir", dir_.path()});
        return test::RunProgram("orvanectl", args);
    }

    static Lines Sent(const PjsimProcess& sim) {
        Lines out;
        for (const PjsimRequest& r : sim.Requests()) {
            char line[64];
            std::snprintf(line, sizeof line, "%d %d,0x%04x,%d", r.projector, r.action, r.type, r.setting);
            out.push_back(line);
        }
        return out;
    }

    test::TempDir dir_;
};

TEST_F(OrvanectlProjector, PowerOnSwitchesTheProjectorsOnAndStatusShowsIt) {
    PjsimProcess sim({PjsimProcess::Tcp("power=off,input=3,kind=4"), PjsimProcess::Tcp("power=off,input=7")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2}));

    auto before = Ctl({"status"});
    EXPECT_EQ(before.exitCode, 0) << before.err;
    EXPECT_EQ(before.out, "1 127.0.0.1 kind=4 power=0 input=HDMI 1\n2 127.0.0.1 kind=1 power=0 input=7\n");

    auto on = Ctl({"power", "on"});
    EXPECT_EQ(on.exitCode, 0) << on.err;
    EXPECT_EQ(on.err, "");

    auto after = Ctl({"status"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(after.out, "1 127.0.0.1 kind=4 power=1 input=HDMI 1\n2 127.0.0.1 kind=1 power=1 input=7\n");

    // The power command made the toolbar button's requests, slot by slot.
    Lines sent = Sent(sim);
    ASSERT_EQ(sent.size(), 18u);
    EXPECT_EQ(Lines(sent.begin() + 6, sent.begin() + 12),
              (Lines{"1 2,0x1007,0", "1 2,0x6000,0", "1 1,0x6000,1", "2 2,0x1007,0", "2 2,0x6000,0", "2 1,0x6000,1"}));

    // Already on: nothing to do, nothing to report.
    auto again = Ctl({"power", "on"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Sent(sim).size(), 22u);
}

TEST_F(OrvanectlProjector, EveryFailingProjectorPrintsTheMessageBoxText) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2, 0}));

    auto r = Ctl({"blank", "on"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Blank On failed(127.0.0.1)\nBlank On failed(127.0.0.1)\n");
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x3020,1", "2 2,0x1007,0", "2 1,0x3020,1"}));

    auto status = Ctl({"status"});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_NE(status.out.find("3 127.0.0.1 kind=? power=? input=?\n"), std::string::npos) << status.out;
}

TEST_F(OrvanectlProjector, StatusAsksAProjectorThatDoesNotAnswerInTimeOnlyOnce) {
    // The first projector answers after the reply time-out (400 ms) has run out.
    PjsimProcess sim({PjsimProcess::Tcp("power=on,fault=slow:1500"), PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2}));

    auto status = Ctl({"status"});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_EQ(status.out, "1 127.0.0.1 kind=? power=? input=?\n2 127.0.0.1 kind=1 power=1 input=HDMI 1\n");
    // Requests are logged as they arrive, so all of them are in once orvanectl has ended.
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "2 2,0x1007,0", "2 2,0x6000,0", "2 2,0x2000,0"}));
}

TEST_F(OrvanectlProjector, SerialSlotIsNamedByItsComPort) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    // Slot 2 on COM3, which leads nowhere.
    dir_.Write("Orvane.txt", Configuration(sim, {1, -3}));
    dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n[Serial]\nCOM3=" + dir_.File("none") + "\n");

    auto r = Ctl({"mute"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Mute failed(com3)\n");
    auto status = Ctl({"status"});
    EXPECT_NE(status.out.find("2 com3 kind=? power=? input=?\n"), std::string::npos) << status.out;
}

TEST_F(OrvanectlProjector, EachCommandSendsWhatItsButtonSends) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=2")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1}));

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"mute"},
                                                                                      {"unmute"},
                                                                                      {"volume", "up"},
                                                                                      {"volume", "down"},
                                                                                      {"freeze", "on"},
                                                                                      {"freeze", "off"},
                                                                                      {"blank", "off"},
                                                                                      {"power", "off"}}) {
        auto r = Ctl(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
    }
    // Every run is a new process: the kind is asked again each time.
    Lines expected;
    for (const char* request :
         {"1,0x2002,1", "1,0x2002,0", "4,0x2001,0", "5,0x2001,0", "1,0x3002,1", "1,0x3002,0", "1,0x3020,0"}) {
        expected.push_back("1 2,0x1007,0");
        expected.push_back(std::string("1 ") + request);
    }
    for (const char* request : {"2,0x1007,0", "2,0x6000,0", "1,0x6000,0"})
        expected.push_back(std::string("1 ") + request);
    EXPECT_EQ(Sent(sim), expected);
}

TEST_F(OrvanectlProjector, InputIsFoundByNameInAnyCase) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=2")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1}));

    auto words = Ctl({"input", "hdmi", "2"});
    EXPECT_EQ(words.exitCode, 0) << words.err;
    auto quoted = Ctl({"input", "COMPUTER IN 1"});
    EXPECT_EQ(quoted.exitCode, 0) << quoted.err;
    // After the send the toolbar's refresh reads the input back, as the button does.
    EXPECT_EQ(Sent(sim),
              (Lines{"1 2,0x1007,0", "1 1,0x2000,13", "1 2,0x2000,0", "1 2,0x1007,0", "1 1,0x2000,0", "1 2,0x2000,0"}));

    auto unknown = Ctl({"input", "Tuner"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("\"Tuner\""), std::string::npos);
    EXPECT_NE(unknown.err.find("\n  HDMI 1 / MHL\n"), std::string::npos) << unknown.err;
    EXPECT_EQ(Sent(sim).size(), 6u);
}

TEST_F(OrvanectlProjector, PerModelFileChosenLikeTheProgramsFirstArgument) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("AX-210.txt", Configuration(sim, {1}));

    auto missing = Ctl({"mute"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("no configuration"), std::string::npos) << missing.err;
    auto unknown = Ctl({"mute", "--config", "ZZ-1"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(Sent(sim).empty());

    auto r = Ctl({"mute", "--config", "AX-210"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x2002,1"}));
}

TEST_F(OrvanectlProjector, UsageErrorsExitWith2AndSendNothing) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1}));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"power"}, {"power", "maybe"}, {"blank", "ON"}, {"volume", "sideways"}, {"input"}, {"mute", "now"}})
        EXPECT_EQ(Ctl(args).exitCode, 2) << args[0];
    EXPECT_TRUE(Sent(sim).empty());
}

TEST_F(OrvanectlProjector, RefusedKindIsReportedButNotAskedFurther) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=9")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1}));

    auto status = Ctl({"status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.out, "1 127.0.0.1 kind=9 power=? input=?\n");
    auto power = Ctl({"power", "off"});
    EXPECT_EQ(power.exitCode, 1);
    EXPECT_EQ(power.err, "The projector's power could not be controlled(127.0.0.1)\n");
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 2,0x1007,0"}));
}

TEST_F(OrvanectlProjector, VolumeShowsTheReportedProjectorsLevelAsThePanelWould) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,volume=17"), PjsimProcess::Tcp("power=on,volume=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2}));
    auto level = Ctl({"volume"});
    EXPECT_EQ(level.exitCode, 0) << level.err;
    EXPECT_EQ(level.out, "level=17 max=63\n");
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x2001,0"}));

    dir_.Write("Orvane.txt", Configuration(sim, {0}));
    auto unknown = Ctl({"volume"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.out, "level=?\n");
}

TEST_F(OrvanectlProjector, AdjustListsEachProjectorsValuesAndSetsByNameAndLabel) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,values=0x4000:64+0x4015:-5+0x4100:2,refuse=0x4002"),
                      PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2}));

    auto list = Ctl({"adjust"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("item\trange\t1\t2\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Aspect\tNormal|4:3|16:9|Zoom\t16:9\tNormal\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Brightness\t0..100\t64\t0\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Color\t0..100\t-\t0\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("KeystoneV\t-30..30\t-5\t0\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("MyButton\tBlank|Freeze|Magnify|Picture mode\n"), std::string::npos) << list.out;

    const std::size_t before = Sent(sim).size();
    auto one = Ctl({"adjust", "BRIGHTNESS", "60", "--slot", "1"});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    auto all = Ctl({"adjust", "aspect", "4:3"});
    EXPECT_EQ(all.exitCode, 1); // the projector that is off refuses
    EXPECT_EQ(all.err, "Setting aspect failed(127.0.0.1)\n");
    auto button = Ctl({"adjust", "mybutton", "picture", "mode", "--slot", "1"});
    EXPECT_EQ(button.exitCode, 0) << button.err;
    const Lines sent = Sent(sim);
    const Lines sets(sent.begin() + static_cast<long>(before), sent.end());
    EXPECT_EQ(sets, (Lines{"1 1,0x4000,60", "1 1,0x4100,1", "2 1,0x4100,1", "2 2,0x4100,0", "1 1,0x4104,4"}));

    // Unknown names, labels and values out of range send nothing and list what is valid.
    auto name = Ctl({"adjust", "hue", "3"});
    EXPECT_EQ(name.exitCode, 2);
    EXPECT_NE(name.err.find("KeystoneV (-30..30)"), std::string::npos) << name.err;
    auto label = Ctl({"adjust", "aspect", "21:9"});
    EXPECT_EQ(label.exitCode, 2);
    EXPECT_NE(label.err.find("Normal|4:3|16:9|Zoom"), std::string::npos) << label.err;
    EXPECT_EQ(Ctl({"adjust", "brightness", "101"}).exitCode, 2);
    EXPECT_EQ(Ctl({"adjust", "brightness", "--slot", "3", "5"}).exitCode, 2);
    EXPECT_EQ(Ctl({"adjust", "brightness"}).exitCode, 2);
    EXPECT_EQ(Sent(sim).size(), sent.size());
}

TEST_F(OrvanectlProjector, InfoShowsWhatEachProjectorTellsOfItself) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=4"),
                      PjsimProcess::Pjlink("class=2,power=on,name=Ceiling,lamp=2345,error=001200")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2, 0}));
    dir_.Write("LinkCore.conf",
               "[Timeouts]\nConnectMs=400\nReplyMs=400\n[PJLink]\nPorts=1," + std::to_string(sim.Port(2)) + "\n");

    auto text = Ctl({"info"});
    EXPECT_EQ(text.exitCode, 1); // the third projector cannot be reached
    const std::string at1 = "127.0.0.1:" + std::to_string(sim.Port(1));
    const std::string at2 = "127.0.0.1:" + std::to_string(sim.Port(2));
    EXPECT_EQ(text.out, "Projector 1 (" + at1 +
                            "): Orvane protocol\n"
                            "  kind:         4\n"
                            "  power:        on\n"
                            "Projector 2 (" +
                            at2 +
                            "): PJLink class 2\n"
                            "  name:         Ceiling\n"
                            "  manufacturer: ORVANE\n"
                            "  product:      pjsim\n"
                            "  other:        simulated projector\n"
                            "  power:        on\n"
                            "  input:        11\n"
                            "  av mute:      30\n"
                            "  lamp 1:       2345 hours, on\n"
                            "  errors:       fan ok, lamp ok, temperature warning, cover error, filter ok, other ok\n"
                            "  inputs:       11 Computer 1, 12 Computer 2, 13 Component, 14 BNC, 21 Video, 22 S-Video, "
                            "23 Video 2, 31 HDMI 1, 32 HDMI 2, 33 HDMI 3, 34 HDMI 4, 35 DVI-D, 36 HDBaseT, 37 SDI, "
                            "38 DisplayPort, 41 USB type A, 42 USB type B, 51 LAN\n"
                            "  serial:       PJSIM0002\n"
                            "  software:     1.0\n"
                            "  input signal: 1920x1080\n"
                            "  recommended:  1920x1080\n"
                            "  filter hours: 350\n"
                            "  lamp model:   LMP-200\n"
                            "  filter model: FLT-100\n"
                            "  freeze:       off\n"
                            "Projector 3 (127.0.0.1:1): PJLink, not reachable\n");

    auto json = Ctl({"info", "--json"});
    EXPECT_EQ(json.exitCode, 1);
    const auto all = nlohmann::json::parse(json.out)["projectors"];
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]["protocol"], "orvane");
    EXPECT_EQ(all[0]["kind"], 4);
    EXPECT_EQ(all[1]["protocol"], "pjlink");
    EXPECT_EQ(all[1]["class"], 2);
    EXPECT_EQ(all[1]["name"], "Ceiling");
    EXPECT_EQ(all[1]["power"], 1);
    EXPECT_EQ(all[1]["lamps"], nlohmann::json::parse(R"([{"hours": 2345, "on": true}])"));
    EXPECT_EQ(all[1]["errors"],
              nlohmann::json::parse(R"({"fan":0,"lamp":0,"temperature":1,"cover":2,"filter":0,"other":0})"));
    EXPECT_EQ(all[1]["input"], "11");
    EXPECT_EQ(all[1]["avmute"], "30");
    EXPECT_EQ(all[1]["inputs"][7], nlohmann::json::parse(R"({"code": "31", "name": "HDMI 1"})"));
    EXPECT_EQ(all[1]["filter_hours"], 350);
    EXPECT_EQ(all[1]["freeze"], false);
    EXPECT_EQ(all[1]["recommended_resolution"], "1920x1080");
    EXPECT_EQ(all[2]["reachable"], false);
    EXPECT_TRUE(all[2]["name"].is_null());
}

TEST_F(OrvanectlProjector, StatusOnPjlinkKeepsOneConnectionPerProjectorAndStandbyIsNoFailure) {
    std::vector<std::string> defs(4, PjsimProcess::Pjlink("power=on,input=32,quirks=standby"));
    defs.insert(defs.begin(), PjsimProcess::Pjlink("power=off,quirks=standby,lamp=none"));
    PjsimProcess sim(defs);
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2, 3, 4, 5}));
    std::string ports;
    for (int n = 1; n <= 5; ++n)
        ports += (n == 1 ? "" : ",") + std::to_string(sim.Port(n));
    dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n[PJLink]\nPorts=" + ports + "\n");

    auto status = Ctl({"status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    std::string expected = "1 127.0.0.1 kind=1 power=0 input=-\n";
    for (int n = 1; n <= 5; ++n) {
        expected += n == 1 ? "" : std::to_string(n) + " 127.0.0.1 kind=1 power=1 input=HDMI 2\n";
        EXPECT_EQ(sim.LogLines("CONNECT " + std::to_string(n)).size(), 1u) << n;
    }
    EXPECT_EQ(status.out, expected);

    auto text = Ctl({"info"});
    // Items refused in standby show "?" and the others go on; the class 1 input list has no names.
    EXPECT_NE(text.out.find("  power:        off\n  input:        ?\n  av mute:      ?\n  lamps:        none\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("  inputs:       11, 12, 13,"), std::string::npos) << text.out;
    auto json = Ctl({"info", "--json"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["projectors"][0]["lamps"], nlohmann::json::array());
}

TEST_F(OrvanectlProjector, APjlinkProjectorsOwnInputsAreListedAndSelectedByCode) {
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on,input=3A"), PjsimProcess::Pjlink("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Orvane.txt", Configuration(sim, {1, 2}));
    dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n[PJLink]\nPorts=" +
                                    std::to_string(sim.Port(1)) + "," + std::to_string(sim.Port(2)) + "\n");

    auto named = Ctl({"inputs", "--projector", "1"});
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.out.substr(0, 13), "11 Computer 1");
    EXPECT_NE(named.out.find("\n51 LAN\n3A Input 3A\n"), std::string::npos) << named.out;
    EXPECT_EQ(Ctl({"inputs", "--projector", "2"}).out.substr(0, 9), "11\n12\n13\n");
    EXPECT_EQ(Ctl({"inputs", "--projector", "3"}).exitCode, 2);

    EXPECT_EQ(Ctl({"input", "pjlink:32"}).exitCode, 0);
    auto classTwoOnly = Ctl({"input", "pjlink:3a"});
    EXPECT_EQ(classTwoOnly.exitCode, 1);
    EXPECT_NE(classTwoOnly.err.find("refused input 3A (ERR1)"), std::string::npos) << classTwoOnly.err;
    EXPECT_EQ(Ctl({"input", "pjlink:61"}).exitCode, 2);
    const std::vector<std::string> log = sim.RequestLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "PJLINK 1 %2INPT 3A -> %2INPT=OK"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "PJLINK 2 %1INPT 32 -> %1INPT=OK"), log.end());
}

// A class 2 projector whose notifications go to `notifyPort`.
std::string NotifyingProjector(int notifyPort) {
    return PjsimProcess::Pjlink("class=2,power=on,input=31,notify=127.0.0.1:" + std::to_string(notifyPort));
}

// The configuration of that projector, with a LinkCore.conf that hears its notifications.
void ConfigureNotifying(test::TempDir& dir, const std::string& orvaneTxt, const PjsimProcess& sim, int notifyPort) {
    dir.Write("Orvane.txt", orvaneTxt);
    dir.Write("LinkCore.conf",
              "[Timeouts]\nConnectMs=400\nReplyMs=400\n[PJLink]\nPorts=" + std::to_string(sim.Port(1)) +
                  "\nNotifyAddress=127.0.0.1\nNotifyPort=" + std::to_string(notifyPort) + "\n");
}

// watch prints the first reading and then each change as the projector tells it: the polls
// are half a minute apart, so what follows the first lines came by notification.
TEST_F(OrvanectlProjector, WatchPrintsEachChangeTheProjectorTellsOf) {
    test::UdpInbox port;
    port.Release();
    PjsimProcess sim({NotifyingProjector(port.Port())});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ConfigureNotifying(dir_, Configuration(sim, {1}), sim, port.Port());
    dir_.Write("OrvaneOpt.txt", "1\n0\n30\n");

    test::ProgramResult watch;
    std::thread watcher([&] { watch = Ctl({"watch", "--seconds", "3"}); });
    // Waits until pjsim has logged a line that starts with `prefix`.
    const auto logged = [&](const std::string& prefix) {
        for (int i = 0; i < 200 && sim.LogLines(prefix).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    logged("PJLINK 1 %1INPT ? -> %1INPT=31"); // watch has read the projector
    EXPECT_EQ(Ctl({"input", "HDMI", "2"}).exitCode, 0);
    logged("NOTIFY 1 %2INPT=32"); // one change at a time, so that the lines come in order
    EXPECT_EQ(Ctl({"power", "off"}).exitCode, 0);
    watcher.join();
    EXPECT_EQ(watch.exitCode, 0) << watch.err;
    EXPECT_EQ(watch.out, "1 power=1\n1 input=HDMI 1\n1 input=HDMI 2\n1 power=0\n");
    EXPECT_EQ(watch.err, "");
}

// Only watch listens: the other commands work and print as they would while the projector's
// notifications go to a port the test holds.
TEST_F(OrvanectlProjector, NotificationsLeaveTheOtherCommandsAlone) {
    test::UdpInbox inbox;
    PjsimProcess sim({NotifyingProjector(inbox.Port())});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ConfigureNotifying(dir_, Configuration(sim, {1}), sim, inbox.Port());

    const test::ProgramResult input = Ctl({"input", "HDMI", "2"});
    EXPECT_EQ(input.exitCode, 0);
    EXPECT_EQ(input.err, "");
    const test::ProgramResult status = Ctl({"status"});
    EXPECT_EQ(status.out, "1 127.0.0.1 kind=1 power=1 input=HDMI 2\n");
    EXPECT_EQ(status.err, "");
    const std::vector<std::string> told = inbox.Receive(std::chrono::milliseconds(2000));
    EXPECT_EQ(told, (std::vector<std::string>{"%2LKUP=02:4F:52:56:00:01\r", "%2INPT=32\r"}));
}

TEST_F(OrvanectlProjector, SearchListsOurProjectorsAndPjlinkOnesOnLoopback) {
    PjsimProcess sim({PjsimProcess::Tcp("name=Hall"), PjsimProcess::Pjlink("class=2,name=Ceiling")},
                     {"--discovery", "127.0.0.1:0"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("Finder.conf", "[Probe]\nAddress=127.0.0.1\nPort=" + std::to_string(sim.DiscoveryPort()) +
                                  "\nListenMs=500\n[PJLink]\nPort=" + std::to_string(sim.Port(2)) + "\n");

    auto text = Ctl({"search"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "127.0.0.1 orvane Hall -\n127.0.0.1 pjlink Ceiling 02:4F:52:56:00:02\n");
    auto json = Ctl({"search", "--address", "127.0.0.1", "--seconds", "1", "--json"});
    const auto all = nlohmann::json::parse(json.out);
    ASSERT_EQ(all.size(), 2u) << json.out;
    EXPECT_EQ(all[1],
              nlohmann::json::parse(
                  R"({"address": "127.0.0.1", "protocol": "pjlink", "name": "Ceiling", "mac": "02:4F:52:56:00:02"})"));
    EXPECT_TRUE(all[0]["mac"].is_null());
}

} // namespace
} // namespace orvane
