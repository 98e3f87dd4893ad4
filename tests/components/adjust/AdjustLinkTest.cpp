// Reading and setting adjustments on projectors that pjsim plays on 127.0.0.1, and the
// spacing of the dialog's sets.

#include "adjust/AdjustLink.h"
#include "adjust/SetSender.h"

#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <unistd.h>

using namespace adjust;
using orvane::test::PjsimProcess;
using orvane::test::PjsimRequest;

namespace {

SlotConnection Tcp(int port, const char* password = "") {
    SlotConnection c;
    c.method = 1;
    c.port = port;
    std::snprintf(c.ip, sizeof c.ip, "127.0.0.1");
    std::snprintf(c.password, sizeof c.password, "%s", password);
    return c;
}

// A port nothing listens on: one a simulator had until it stopped.
int ClosedPort() {
    PjsimProcess gone({PjsimProcess::Tcp()});
    const int port = gone.Port(1);
    gone.Stop();
    return port;
}

// Short link time-outs in a working directory of the test's own.
class AdjustLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
        dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n");
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old_), 0); }

    orvane::test::TempDir dir_;
    char old_[4096] = {};
};

} // namespace

TEST_F(AdjustLinkTest, ReadsValuesRefusalsAndSignsFromTheProjector) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,password=pw,refuse=0x4003,values=0x4000:55+0x4015:-12+0x4100:2")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<ItemValue> values;
    ASSERT_TRUE(ReadValues(Tcp(sim.Port(1), "pw"), {0x4000, 0x4003, 0x4015, 0x4100, 0x4026}, values));
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0].state, ValueState::Ok);
    EXPECT_EQ(values[0].value, 55);
    EXPECT_EQ(values[1].state, ValueState::Refused);
    EXPECT_EQ(values[2].value, -12);
    EXPECT_EQ(values[3].value, 2);
    EXPECT_EQ(values[4].state, ValueState::Ok);
    EXPECT_EQ(values[4].value, 0);
    // Only gets, in the order asked.
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[2].type, 0x4015);
    for (const PjsimRequest& r : requests)
        EXPECT_EQ(r.action, 2);
}

TEST_F(AdjustLinkTest, AProjectorThatCannotBeReachedGivesNoValues) {
    std::vector<ItemValue> values;
    EXPECT_FALSE(ReadValues(Tcp(ClosedPort()), {0x4000, 0x4001}, values));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].state, ValueState::NoAnswer);

    const SetOutcome outcome = SendSet(Tcp(ClosedPort()), 0x4000, 5);
    EXPECT_TRUE(outcome.unreachable);
    EXPECT_EQ(outcome.state, ValueState::NoAnswer);
}

TEST_F(AdjustLinkTest, AProjectorThatStopsAnsweringLeavesTheRestUnanswered) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,fault=garbage")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<ItemValue> values;
    EXPECT_TRUE(ReadValues(Tcp(sim.Port(1)), {0x4000, 0x4001}, values));
    EXPECT_EQ(values[0].state, ValueState::NoAnswer);
    EXPECT_EQ(values[1].state, ValueState::NoAnswer);
    // Each unanswered request was asked on a fresh connection, none skipped.
    EXPECT_TRUE(sim.WaitForRequests(2));
}

TEST_F(AdjustLinkTest, ASetIsAcceptedOrRefusedWithTheValueTheProjectorKeeps) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,refuse=0x4001"), PjsimProcess::Tcp("power=off,values=0x4000:7")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    SetOutcome ok = SendSet(Tcp(sim.Port(1)), 0x4015, -30);
    EXPECT_EQ(ok.state, ValueState::Ok);
    SetOutcome lacking = SendSet(Tcp(sim.Port(1)), 0x4001, 10);
    EXPECT_EQ(lacking.state, ValueState::Refused);
    EXPECT_FALSE(lacking.actualKnown); // its get is refused too
    SetOutcome off = SendSet(Tcp(sim.Port(2)), 0x4000, 60);
    EXPECT_EQ(off.state, ValueState::Refused);
    EXPECT_TRUE(off.actualKnown);
    EXPECT_EQ(off.actual, 7);

    const auto requests = sim.Requests();
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests[0].action, 1);
    EXPECT_EQ(requests[0].setting, 0xFFE2);
    EXPECT_EQ(requests[0].reply, "ack");
}

TEST(SetSender, ADraggedValueIsSentSpacedAndOnlyItsLatestWaits) {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::vector<std::pair<int, Clock::time_point>> sent;
    std::atomic<int> done{0};
    constexpr auto kGap = std::chrono::milliseconds(100);
    Clock::duration dragging{};
    {
        SetSender sender(
            [&](std::uint16_t type, int value) {
                std::lock_guard lock(mutex);
                sent.push_back({value, Clock::now()});
                return SetOutcome{type, value, ValueState::Ok, false, false, 0};
            },
            [&](const SetOutcome&) { ++done; }, kGap);
        const Clock::time_point start = Clock::now();
        for (int v = 0; v < 50; ++v) {
            sender.Submit(0x4000, v);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        dragging = Clock::now() - start;
        while (!sender.Idle())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().first, 49);
    // One send at once, then at most one per gap: a few, not 50.
    EXPECT_LE(static_cast<long>(sent.size()), dragging / kGap + 2);
    EXPECT_EQ(done.load(), static_cast<int>(sent.size()));
    for (std::size_t i = 1; i < sent.size(); ++i) {
        EXPECT_GE(sent[i].second - sent[i - 1].second, kGap);
        EXPECT_GT(sent[i].first, sent[i - 1].first); // never an older value after a newer one
    }
}

TEST(SetSender, ItemsWaitSideBySideAndAnUnreachableProjectorDropsTheRestAtTheEnd) {
    std::vector<std::uint16_t> types;
    {
        SetSender sender(
            [&](std::uint16_t type, int value) {
                types.push_back(type);
                return SetOutcome{type, value, ValueState::NoAnswer, true, false, 0};
            },
            nullptr, std::chrono::milliseconds(10000));
        sender.Submit(0x4000, 1); // sent at once
        while (!sender.Idle())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sender.Submit(0x4001, 2); // these wait for the gap: the end comes first
        sender.Submit(0x4002, 3);
    }
    // At the end the first waiting set finds the projector unreachable; the other is dropped.
    EXPECT_EQ(types, (std::vector<std::uint16_t>{0x4000, 0x4001}));
}
