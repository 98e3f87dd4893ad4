#include "commands/CommandHandlers.h"
#include "commands/CommandIds.h"
#include "link/LinkTestRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace orvane::test {
namespace {

// Stands in for the window, the poller and the message box at once, and writes every step
// into one list, each with the number of requests the projectors had logged by then, so that
// the order of window steps, poller control, sends and messages can be compared in one go.
class StepRecorder : public ISlotErrorSink, public IMainWindowSide, public IPollerControl {
public:
    // `sim` is a PjsimProcess or FakeProjectors.
    template <typename Projectors> void Watch(const Projectors* sim) {
        logged_ = [sim] { return sim->RequestLines().size(); };
    }
    std::vector<std::string> steps;
    bool visible = true;

    int ShowSlotError(int slot, int number, int style, const std::string& message) override {
        Step("error " + std::to_string(number) + " slot " + std::to_string(slot) + (style == kMbOk ? " plain" : "") +
             (visible ? "" : " hidden"));
        messages.push_back(message);
        return 1;
    }
    std::vector<std::string> messages;

    void HideVolumePopup() override { Step("hide-popup"); }
    void ToggleVolumePopup() override { Step("toggle-popup"); }
    void HideMainWindow() override {
        visible = false;
        Step("hide-window");
    }
    void ShowMainWindow() override {
        visible = true;
        Step("show-window");
    }
    bool IsMainWindowVisible() override { return visible; }
    void Sleep(int ms) override {
        Step("sleep " + std::to_string(ms));
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    int ControlPoller(int mode) override {
        static const char* const kNames[] = {"start", "stop", "suspend", "resume"};
        Step(mode >= 0 && mode <= 3 ? kNames[mode] : "mode?");
        return 0;
    }
    void RefreshInputState() override { Step("refresh"); }

private:
    void Step(const std::string& what) { steps.push_back(what + "@" + std::to_string(logged_ ? logged_() : 0)); }
    std::function<std::size_t()> logged_;
};

struct HandlerRig {
    explicit HandlerRig(CModelInfo2 initial) { model = initial; }
    HandlerRig(CModelInfo2 initial, FakeProjectors& sim) : links(sim) { model = initial; }
    CModelInfo2 model;
    LinkPair links;
    StepRecorder rec;
    CommandTransport transport{model, *links.link, *links.pollLink, rec};
    CommandHandlers handlers{transport, rec, rec};
};

using Steps = std::vector<std::string>;
using Lines = std::vector<std::string>;

class CommandHandlersTest : public ::testing::Test {
protected:
    LinkSandbox box_;
};

// --- power -------------------------------------------------------------------------------------

TEST_F(CommandHandlersTest, PowerOnSwitchesOnlyWhatIsOffAndTellsOfATransitPlainly) {
    PjsimProcess sim(
        {PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=transit")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(3));
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdPowerOn), 1);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 2,0x6000,0", "1 1,0x6000,1", "2 2,0x1007,0", "2 2,0x6000,0",
                                "3 2,0x1007,0", "3 2,0x6000,0"}));
    EXPECT_EQ(rig.rec.steps, (Steps{"hide-popup@0", "suspend@0", "error 27 slot 2 plain@7", "resume@7"}));
    EXPECT_EQ(rig.rec.messages, (Lines{Msg(27) + "(127.0.0.1)"}));
}

TEST_F(CommandHandlersTest, PowerOffIsTheMirrorImage) {
    FakeProjectors sim(
        {PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=transit")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(3), sim);
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdPowerOff), 1);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 2,0x6000,0", "2 2,0x1007,0", "2 2,0x6000,0", "2 1,0x6000,0",
                                "3 2,0x1007,0", "3 2,0x6000,0"}));
    EXPECT_EQ(rig.rec.steps, (Steps{"hide-popup@0", "suspend@0", "error 27 slot 2 plain@7", "resume@7"}));
}

TEST_F(CommandHandlersTest, PowerStateThatCannotBeReadOrAnyOtherValueGets87) {
    FakeProjectors sim({PjsimProcess::Tcp("fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(2), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAtPort(rig.model, 1, kUnservedPort);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdPowerOn), 2);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 2,0x6000,0"})); // no set without a known state
    EXPECT_EQ(rig.rec.steps,
              (Steps{"hide-popup@0", "suspend@0", "error 87 slot 0@2", "error 87 slot 1@2", "resume@2"}));
    EXPECT_EQ(rig.rec.messages.at(0), "The projector's power could not be controlled(127.0.0.1)");
}

TEST_F(CommandHandlersTest, PowerToARefusedKindGets87WithoutAnyPowerRequest) {
    FakeProjectors sim({PjsimProcess::Tcp("kind=10,power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(1), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdPowerOn), 1);
    EXPECT_EQ(rig.handlers.Run(kCmdPowerOff), 1);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0"}));
    EXPECT_EQ(rig.rec.steps, (Steps{"hide-popup@0", "suspend@0", "error 87 slot 0@1", "resume@1", "hide-popup@1",
                                    "suspend@1", "error 87 slot 0@1", "resume@1"}));
}

TEST_F(CommandHandlersTest, Model500SendsPowerAtOnceAndReportsAFailedSetWithTheCommandsMessage) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(2, 500), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);

    EXPECT_EQ(rig.handlers.Run(kCmdPowerOn), 1);
    EXPECT_EQ(rig.handlers.Run(kCmdPowerOff), 1);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x6000,1", "2 2,0x1007,0", "2 1,0x6000,1", "1 1,0x6000,0",
                                "2 2,0x1007,0", "2 1,0x6000,0"}));
    EXPECT_EQ(rig.rec.messages, (Lines{"Power On failed(127.0.0.1)", "Power Off failed(127.0.0.1)"}));
}

// --- the other sends ---------------------------------------------------------------------------

struct SendCase {
    int id;
    const char* request; // what the projector receives
    int message;
    Steps steps; // with one accepting and one refusing projector
};

// Without this, the test's listed name carries the case's raw bytes, pointers included,
// and changes with every build.
void PrintTo(const SendCase& c, std::ostream* os) {
    *os << c.id << " " << c.request;
}

class SendCommandTest : public ::testing::TestWithParam<SendCase> {
protected:
    LinkSandbox box_;
};

TEST_P(SendCommandTest, SendsItsRequestToAllAndReportsTheRefusingSlot) {
    const SendCase& c = GetParam();
    // A projector that is off refuses every set but power.
    FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(2), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(c.id), 1);
    EXPECT_EQ(Sent(sim),
              (Lines{"1 2,0x1007,0", std::string("1 ") + c.request, "2 2,0x1007,0", std::string("2 ") + c.request}));
    EXPECT_EQ(rig.rec.steps, c.steps);
    ASSERT_EQ(rig.rec.messages.size(), 1u);
    EXPECT_EQ(rig.rec.messages[0], Msg(c.message) + "(127.0.0.1)");
}

const Steps kSuspended = {"hide-popup@0", "suspend@0", "error {} slot 1@4", "resume@4"};

Steps StepsWith(Steps steps, int message) {
    for (std::string& s : steps) {
        if (auto p = s.find("{}"); p != std::string::npos)
            s.replace(p, 2, std::to_string(message));
    }
    return steps;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SendCommandTest,
    ::testing::Values(
        SendCase{kCmdBlankOn, "1,0x3020,1", 89, StepsWith(kSuspended, 89)},
        SendCase{kCmdBlankOff, "1,0x3020,0", 88, StepsWith(kSuspended, 88)},
        SendCase{kCmdFreezeOff, "1,0x3002,0", 92, StepsWith(kSuspended, 92)},
        // Mute and Volume leave the poller running.
        SendCase{kCmdMute, "1,0x2002,1", 90, {"hide-popup@0", "error 90 slot 1@4"}},
        SendCase{kCmdVolume, "1,0x2002,0", 209, {"error 209 slot 1@4", "toggle-popup@4"}},
        // Inputs refresh the buttons while the poller is still suspended.
        SendCase{kCmdInputRgb2,
                 "1,0x2000,4",
                 212,
                 {"hide-popup@0", "suspend@0", "error 212 slot 1@4", "refresh@4", "resume@4"}},
        SendCase{
            32943, "1,0x2000,19", 2022, {"hide-popup@0", "suspend@0", "error 2022 slot 1@4", "refresh@4", "resume@4"}},
        SendCase{
            32904, "1,0x2000,4", 2006, {"hide-popup@0", "suspend@0", "error 2006 slot 1@4", "refresh@4", "resume@4"}}),
    [](const auto& info) { return std::to_string(info.param.id); });

TEST_F(CommandHandlersTest, BncSettingDependsOnTheModelId) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(1), sim);
    PointSlotAt(rig.model, 0, sim, 1);

    for (int modelId : {999, 1000, 1005, 1006}) {
        rig.model.ModelID = modelId;
        EXPECT_EQ(rig.handlers.Run(kCmdInputBnc), 0) << modelId;
    }
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x2000,4", "1 1,0x2000,7", "1 1,0x2000,7", "1 1,0x2000,4"}));
}

TEST_F(CommandHandlersTest, Hdmi1AndHdmi1MhlSendTheSameRequestAndMessage) {
    FakeProjectors sim({PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(1, 224), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdInputHdmi1), 1);
    EXPECT_EQ(rig.handlers.Run(kCmdInputHdmi1Mhl), 1);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x2000,3", "1 1,0x2000,3"}));
    EXPECT_EQ(rig.rec.messages, (Lines{"Failed to switch the input to HDMI 1(127.0.0.1)",
                                       "Failed to switch the input to HDMI 1(127.0.0.1)"}));
}

TEST_F(CommandHandlersTest, VolumePopupStepsGoToAllWithoutTouchingThePoller) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on,volume=10"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(2), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.VolumeUp(), 1);
    EXPECT_EQ(rig.handlers.VolumeDown(), 1);
    EXPECT_EQ(rig.handlers.VolumeUp(), 1);
    EXPECT_EQ(rig.handlers.ReadVolumeLevel(), 11);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 4,0x2001,0", "2 2,0x1007,0", "2 4,0x2001,0", "1 5,0x2001,0",
                                "2 5,0x2001,0", "1 4,0x2001,0", "2 4,0x2001,0", "1 2,0x2001,0"}));
    EXPECT_EQ(rig.rec.steps, (Steps{"error 93 slot 1@4", "error 94 slot 1@6", "error 93 slot 1@8"}));
    EXPECT_EQ(rig.rec.messages.at(0), "Volume up failed(127.0.0.1)");

    rig.model.SelectPrj = 0;
    EXPECT_EQ(rig.handlers.ReadVolumeLevel(), -1);
    EXPECT_EQ(Sent(sim).size(), 9u);
}

// --- Freeze On's window handling ------------------------------------------------------------

TEST_F(CommandHandlersTest, FreezeOnKeepsTheWindowHiddenExceptForAnErrorBox) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("kind=9")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    HandlerRig rig(MakeWorkingModel(3), sim);
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);
    rig.rec.Watch(&sim);

    EXPECT_EQ(rig.handlers.Run(kCmdFreezeOn), 2);
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 1,0x3002,1", "2 2,0x1007,0", "2 1,0x3002,1", "3 2,0x1007,0"}));
    // A refused kind is told with the window left hidden.
    EXPECT_EQ(rig.rec.steps,
              (Steps{"hide-popup@0", "suspend@0", "hide-window@0", "show-window@4", "error 91 slot 1@4",
                     "hide-window@4", "error 91 slot 2 hidden@5", "sleep 100@5", "show-window@5", "resume@5"}));
    EXPECT_TRUE(rig.rec.visible);
}

// --- unreachable projectors ------------------------------------------------------------------

TEST_F(CommandHandlersTest, ProjectorWhoseLinkDoesNotOpenIsTriedOncePerCommandAndReportedAtOnce) {
    PjsimProcess sim({PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    QuietListener quiet;
    ASSERT_NE(quiet.Port(), 0);
    HandlerRig rig(MakeWorkingModel(2));
    PointSlotAtPort(rig.model, 0, quiet.Port());
    PointSlotAt(rig.model, 1, sim, 1);
    rig.rec.Watch(&sim);

    // A kind query that cannot open the link is the only try: neither the power query
    // nor the command goes after it. The projector behind it is served as usual.
    struct Case {
        int commandId;
        std::string step;
    };
    for (const Case& c : {Case{kCmdPowerOn, "error 87 slot 0"}, Case{kCmdBlankOn, "error 89 slot 0"},
                          Case{kCmdFreezeOn, "error 91 slot 0"}}) {
        rig.rec.steps.clear();
        EXPECT_EQ(rig.handlers.Run(c.commandId), 1) << c.step;
        EXPECT_EQ(quiet.TakeConnections(), 1) << c.step;
        EXPECT_EQ(rig.model.PjtKind[0], kKindUnknown);
        EXPECT_EQ(std::count_if(rig.rec.steps.begin(), rig.rec.steps.end(),
                                [&c](const std::string& s) { return s.rfind(c.step, 0) == 0; }),
                  1)
            << c.step;
    }
    EXPECT_EQ(Sent(sim), (Lines{"1 2,0x1007,0", "1 2,0x6000,0", "1 1,0x6000,1", "1 1,0x3020,1", "1 1,0x3002,1"}));
    // Freeze On shows the window for the box, as for a failed send.
    EXPECT_EQ(rig.rec.steps, (Steps{"hide-popup@4", "suspend@4", "hide-window@4", "show-window@4", "error 91 slot 0@4",
                                    "hide-window@4", "sleep 100@5", "show-window@5", "resume@5"}));
}

// --- no projectors ---------------------------------------------------------------------------

TEST_F(CommandHandlersTest, WithoutProjectorsOnlyVolumeAndFreezeOnShowAnything) {
    HandlerRig rig(MakeWorkingModel(0));
    for (const CommandEntry& entry : AllCommands()) {
        if (!IsProjectorCommand(entry) || entry.id == kCmdVolume || entry.id == kCmdFreezeOn)
            continue;
        rig.rec.steps.clear();
        EXPECT_EQ(rig.handlers.Run(entry.id), 0) << entry.id;
        for (const std::string& step : rig.rec.steps) {
            EXPECT_EQ(step.find("error"), std::string::npos) << entry.id;
            EXPECT_EQ(step.find("-window"), std::string::npos) << entry.id;
            EXPECT_EQ(step.find("toggle"), std::string::npos) << entry.id;
        }
    }
    rig.rec.steps.clear();
    rig.handlers.Run(kCmdVolume);
    EXPECT_EQ(rig.rec.steps, (Steps{"toggle-popup@0"}));
    rig.rec.steps.clear();
    rig.handlers.Run(kCmdFreezeOn);
    EXPECT_EQ(rig.rec.steps,
              (Steps{"hide-popup@0", "suspend@0", "hide-window@0", "sleep 100@0", "show-window@0", "resume@0"}));
    EXPECT_EQ(rig.handlers.VolumeUp(), 0);
    EXPECT_EQ(rig.handlers.VolumeDown(), 0);
}

TEST_F(CommandHandlersTest, WindowCommandsAndUnknownIdsAreLeftAlone) {
    HandlerRig rig(MakeWorkingModel(1));
    for (int id : {kCmdConfig, kCmdTrayConfig, kCmdAbout, kCmdAdvance, kCmdImageSend, kCmdTrayHideShow, kCmdTrayExit,
                   kCmdTrayCancel, 2777, 32899, 0, 12345})
        EXPECT_EQ(rig.handlers.Run(id), CommandHandlers::kNoHandler) << id;
    EXPECT_TRUE(rig.rec.steps.empty());
}

} // namespace
} // namespace orvane::test
