#include "commands/StatusPoller.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandIds.h"
#include "link/LinkTestRig.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

namespace orvane::test {
namespace {

// What the window would receive as WM_CHECKBUTTON, in order.
class CheckLog {
public:
    void Add(int id, int check) {
        {
            std::lock_guard lock(mutex_);
            checks_.push_back({id, check});
        }
        changed_.notify_all();
    }
    std::vector<ButtonCheck> All() const {
        std::lock_guard lock(mutex_);
        return checks_;
    }
    // Waits until `id` was last reported as `check`; false when the bound runs out.
    bool WaitForState(int id, int check) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return LastLocked(id) == check; });
    }
    bool WaitForCount(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return checks_.size() >= count; });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        checks_.clear();
    }

private:
    int LastLocked(int id) const {
        for (auto it = checks_.rbegin(); it != checks_.rend(); ++it) {
            if (it->commandId == id)
                return it->check;
        }
        return -1;
    }
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ButtonCheck> checks_;
};

// The window's half: record, links, transport, poller and handlers, with a window side that
// does nothing.
class NoWindow : public IMainWindowSide {
public:
    void HideVolumePopup() override {}
    void ToggleVolumePopup() override {}
    void HideMainWindow() override {}
    void ShowMainWindow() override {}
    bool IsMainWindowVisible() override { return true; }
    void Sleep(int) override {}
};

struct PollerRig {
    explicit PollerRig(CModelInfo2 initial) {
        model = initial;
        SetText(model.InputName[0], "HDMI 1");
        model.InputCode[0] = 3;
        SetText(model.InputName[1], "Video");
        model.InputCode[1] = 1;
        model.InputNum = 2;
    }
    ~PollerRig() { poller.ControlPoller(kPollerStop); }
    CModelInfo2 model;
    CPjtInterface link;
    CPjtInterface pollLink;
    RecordingSink sink;
    CheckLog checks;
    NoWindow window;
    CommandTransport transport{model, link, pollLink, sink};
    StatusPoller poller{transport, [this](int id, int check) { checks.Add(id, check); }};
    CommandHandlers handlers{transport, poller, window};
};

template <typename Pred> bool WaitUntil(Pred pred) {
    const auto end = Clock::now() + kHangBound;
    while (!pred()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::size_t InputQueries(const PjsimProcess& sim) {
    std::size_t n = 0;
    for (const PjsimRequest& r : sim.Requests())
        n += r.action == kActionGet && r.type == kTypeInput;
    return n;
}

// Changes the simulated projector's input as someone at the projector would.
void SwitchInputBehindTheProgramsBack(const PjsimProcess& sim, int setting) {
    CModelInfo2 other = MakeWorkingModel(1);
    PointSlotAt(other, 0, sim, 1);
    CPjtInterface link, pollLink;
    RecordingSink sink;
    CommandTransport transport(other, link, pollLink, sink);
    ReplyBuffer reply{};
    ASSERT_EQ(transport.SendToSlot(0, kActionSet, kTypeInput, static_cast<std::uint16_t>(setting), reply.data()),
              kExchangeOk);
    ASSERT_EQ(reply[0], kReplyAck);
}

class StatusPollerTest : public ::testing::Test {
protected:
    LinkSandbox box_;
};

// --- what a poll reports ---------------------------------------------------------------------

TEST_F(StatusPollerTest, SeesAnInputChangeMadeBehindTheProgramsBack) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3,kind=4")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);

    // One update per button of the default table.
    ASSERT_TRUE(rig.checks.WaitForCount(29));
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputHdmi1, 1));
    EXPECT_EQ(LoadShared(rig.model.PjtKind[0]), 4);

    SwitchInputBehindTheProgramsBack(sim, 1);
    ASSERT_TRUE(rig.checks.WaitForState(kCmdInputVideo, 1));
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputHdmi1, 0));
    rig.poller.ControlPoller(kPollerStop);
    // The kind was asked once; every poll since asked the input only.
    std::size_t kindQueries = 0;
    for (const PjsimRequest& r : sim.Requests())
        kindQueries += r.type == kTypeKind;
    EXPECT_EQ(kindQueries, 1u);
}

TEST_F(StatusPollerTest, UnreachableProjectorUnchecksEveryRowAtEachPoll) {
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAtPort(rig.model, 0, UnusedLoopbackPort());
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(rig.checks.WaitForCount(2 * 35));
    rig.poller.ControlPoller(kPollerStop);
    auto all = rig.checks.All();
    all.resize(35);
    EXPECT_EQ(all, UncheckAllRows(InputTable(InputLayout::Default)));
}

TEST_F(StatusPollerTest, NoSelectedProjectorOnlyWaits) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.model.SelectPrj = 0;
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 2; }));
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_TRUE(Sent(sim).empty());
    EXPECT_TRUE(rig.checks.All().empty());
}

TEST_F(StatusPollerTest, SelectedProjectorBeyondTheSlotsInUseCountsAsNone) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3"), PjsimProcess::Tcp("power=on,input=1")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    // Slot 2 still holds a projector's address, but only slot 1 is in use.
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);
    rig.model.SelectPrj = 2;
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 2; }));
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_TRUE(rig.checks.All().empty());

    rig.poller.RefreshInputState();
    EXPECT_EQ(rig.checks.All(), UncheckAllRows(InputTable(InputLayout::Default)));
    EXPECT_EQ(rig.handlers.ReadVolumeLevel(), -1);
    EXPECT_TRUE(Sent(sim).empty());
}

TEST_F(StatusPollerTest, RefusedKindIsSkipped) {
    PjsimProcess sim({PjsimProcess::Tcp("kind=9,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 2; }));
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0"}));
    EXPECT_TRUE(rig.checks.All().empty());
}

// --- the status refresh ------------------------------------------------------------------------

TEST_F(StatusPollerTest, RefreshReadsTheSelectedProjectorOnTheCallingThread) {
    PjsimProcess sim(
        {PjsimProcess::Tcp("power=on,input=1"), PjsimProcess::Tcp("kind=9,input=3"), PjsimProcess::Tcp("fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(3));
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);

    rig.poller.RefreshInputState();
    EXPECT_EQ(rig.checks.All().size(), 29u);
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputVideo, 1));

    // No kind check: even a refused projector is read.
    rig.model.SelectPrj = 2;
    rig.checks.Clear();
    rig.poller.RefreshInputState();
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputHdmi1, 1));

    // An answer that is no data reply changes nothing.
    rig.model.SelectPrj = 3;
    rig.checks.Clear();
    rig.poller.RefreshInputState();
    EXPECT_TRUE(rig.checks.All().empty());
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x2000,0", "2 2,0x2000,0", "3 2,0x2000,0"}));

    // No selection, or a projector that cannot be reached: every row unchecked.
    rig.model.SelectPrj = 0;
    rig.poller.RefreshInputState();
    EXPECT_EQ(rig.checks.All(), UncheckAllRows(InputTable(InputLayout::Default)));
    rig.checks.Clear();
    rig.model.SelectPrj = 1;
    rig.model.ModelID = 500;
    PointSlotAtPort(rig.model, 0, UnusedLoopbackPort());
    rig.poller.RefreshInputState();
    EXPECT_EQ(rig.checks.All(), UncheckAllRows(InputTable(InputLayout::Wide)));
    EXPECT_EQ(Sent(sim).size(), 3u);
}

// PJLink's ERR3 while in standby is the projector's state: no input, and no error.
TEST_F(StatusPollerTest, APjlinkProjectorInStandbyShowsNoInput) {
    PjsimProcess sim({PjsimProcess::Pjlink("power=off,input=31,quirks=standby")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    box_.WriteLinkConf("[PJLink]\nPorts=" + std::to_string(sim.Port(1)) + "\n");
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.RefreshInputState();
    EXPECT_EQ(rig.checks.All(), UncheckAllRows(InputTable(InputLayout::Default)));
    EXPECT_TRUE(rig.sink.Errors().empty());
    EXPECT_EQ(sim.Requests().back().pjlink, "%1POWR ?");
}

// A notification of the reported projector moves the buttons without a poll; one of another
// address, or a poller that is suspended, moves nothing.
TEST_F(StatusPollerTest, NotificationsOfTheReportedProjectorMoveTheButtons) {
    using Kind = linkcore::PjlinkNotification::Kind;
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAtPort(rig.model, 0, UnusedLoopbackPort());
    rig.poller.SetPollInterval(3600);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(rig.checks.WaitForCount(35)); // the first poll: unreachable
    rig.checks.Clear();

    rig.poller.OnNotification("127.0.0.1", {Kind::Input, "21"});
    EXPECT_EQ(rig.checks.All(), InputChecksForCode(rig.model, InputTable(InputLayout::Default), 1));
    rig.checks.Clear();
    rig.poller.OnNotification("127.0.0.1", {Kind::Power, "0", 0});
    EXPECT_EQ(rig.checks.All(), UncheckAllRows(InputTable(InputLayout::Default)));
    rig.checks.Clear();
    rig.poller.OnNotification("127.0.0.2", {Kind::Input, "21"});
    rig.poller.OnNotification("127.0.0.1", {Kind::AvMute, "31"});
    rig.poller.ControlPoller(kPollerSuspend);
    rig.poller.OnNotification("127.0.0.1", {Kind::Input, "21"});
    EXPECT_TRUE(rig.checks.All().empty());
    rig.poller.ControlPoller(kPollerStop);
}

// --- control --------------------------------------------------------------------------------------

TEST_F(StatusPollerTest, IntervalZeroNeverPollsButCommandsStillRefresh) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(0);
    rig.poller.ControlPoller(kPollerStart);
    EXPECT_TRUE(rig.poller.HasPoller());
    EXPECT_TRUE(rig.poller.IsSuspended());
    rig.poller.ControlPoller(kPollerResume);
    EXPECT_TRUE(rig.poller.IsSuspended());

    EXPECT_EQ(rig.handlers.Run(kCmdInputVideo), 0);
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputVideo, 1));
    // A poller that would run had more than enough time to poll by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(rig.poller.CompletedPolls(), 0u);
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "1 1,0x2000,1", "1 2,0x2000,0"}));

    const auto start = Clock::now();
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3)) << "a poller without work must not delay a stop";
    EXPECT_FALSE(rig.poller.HasPoller());
}

TEST_F(StatusPollerTest, StopEndsASuspendedOrWaitingPollerAtOnce) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(60);

    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 1; }));
    auto start = Clock::now();
    rig.poller.ControlPoller(kPollerStop); // in the middle of a minute's wait
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));

    rig.poller.ControlPoller(kPollerStart);
    rig.poller.ControlPoller(kPollerSuspend);
    start = Clock::now();
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(rig.poller.HasPoller());

    // Without a poller the other modes do nothing.
    rig.poller.ControlPoller(kPollerSuspend);
    rig.poller.ControlPoller(kPollerResume);
    EXPECT_EQ(rig.poller.ControlPoller(7), 0);
    EXPECT_FALSE(rig.poller.HasPoller());
}

TEST_F(StatusPollerTest, StopDuringASlowExchangeEndsWithinTheLinksTimeOuts) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,fault=slow:20000")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(sim.WaitForRequests(1, kHangBound)); // the kind query is under way
    const auto start = Clock::now();
    rig.poller.ControlPoller(kPollerStop);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kTestConnectMs + kTestReplyMs + 2000));
}

TEST_F(StatusPollerTest, OneResumeEndsAnyNumberOfSuspends) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return InputQueries(sim) >= 1; }));

    for (int i = 0; i < 3; ++i)
        rig.poller.ControlPoller(kPollerSuspend);
    EXPECT_TRUE(rig.poller.IsSuspended());
    const std::size_t before = InputQueries(sim);
    rig.poller.ControlPoller(kPollerResume);
    EXPECT_FALSE(rig.poller.IsSuspended());
    EXPECT_TRUE(WaitUntil([&] { return InputQueries(sim) >= before + 2; }));
}

TEST_F(StatusPollerTest, AfterAnInputCommandThePollerRunsAgain) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 1; }));

    EXPECT_EQ(rig.handlers.Run(kCmdInputRgb2), 0);
    EXPECT_FALSE(rig.poller.IsSuspended());
    const std::size_t polls = rig.poller.CompletedPolls();
    EXPECT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= polls + 2; }));
}

TEST_F(StatusPollerTest, AReadingUnderWayWhenSuspendedIsDropped) {
    // The answer takes 300 ms, less than the reply time-out: long enough to suspend meanwhile.
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3,fault=slow:300")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.model.PjtKind[0] = 1; // known: the first exchange is the input query
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(sim.WaitForRequests(1, kHangBound));
    rig.poller.ControlPoller(kPollerSuspend);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 1; }));
    EXPECT_TRUE(rig.checks.All().empty()) << "a reading from before the suspend reached the toolbar";

    rig.poller.ControlPoller(kPollerResume);
    EXPECT_TRUE(rig.checks.WaitForState(kCmdInputHdmi1, 1));
}

TEST_F(StatusPollerTest, StartingAgainAfterAReconfigurationKeepsTheKindCache) {
    PjsimProcess sim({PjsimProcess::Tcp("kind=9,power=on"), PjsimProcess::Tcp("kind=2,power=on,input=1")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(1));
    PointSlotAt(rig.model, 0, sim, 1);
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 1; }));

    // The window stops the poller, the dialog changes the record, the poller starts again.
    rig.poller.ControlPoller(kPollerStop);
    CModelInfo2 changed = rig.model;
    PointSlotAt(changed, 0, sim, 2);
    rig.model = changed;
    rig.poller.ControlPoller(kPollerStart);
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 3; }));
    rig.poller.ControlPoller(kPollerStop);
    // Slot 1 keeps kind 9 though it is another projector now: it is neither asked nor polled.
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0"}));
}

// Mute and the volume steps run while the poller is active; both use Link.
TEST_F(StatusPollerTest, QuickCommandsRunBesideAnActivePoller) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3"), PjsimProcess::Tcp("power=on,fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PollerRig rig(MakeWorkingModel(2));
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);
    rig.model.SelectPrj = 2; // its kind stays unknown, so every poll asks it through Link
    rig.poller.SetPollInterval(1);
    rig.poller.ControlPoller(kPollerStart);
    for (int i = 0; i < 10; ++i) {
        rig.handlers.Run(kCmdMute);
        rig.handlers.VolumeUp();
        rig.handlers.Run(kCmdVolume);
    }
    ASSERT_TRUE(WaitUntil([&] { return rig.poller.CompletedPolls() >= 1; }));
    rig.poller.ControlPoller(kPollerStop);
    for (const RecordedError& e : rig.sink.Errors())
        EXPECT_EQ(e.slot, 1) << e.message;
    EXPECT_EQ(rig.sink.Errors().size(), 30u);
}

} // namespace
} // namespace orvane::test
