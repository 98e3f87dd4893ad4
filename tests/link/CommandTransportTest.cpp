#include "link/LinkTestRig.h"

#include <gtest/gtest.h>

#include <thread>

namespace orvane::test {
namespace {

using ::testing::Test;

class CommandTransportTest : public Test {
protected:
    LinkSandbox box_;
};

// --- single exchanges ----------------------------------------------------------------------

TEST_F(CommandTransportTest, SendToSlotCarriesOneRequestAndHandsBackTheReply) {
    PjsimProcess sim({PjsimProcess::Tcp("kind=7"), PjsimProcess::Tcp("kind=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(2));
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);

    ReplyBuffer reply{};
    EXPECT_EQ(rig.transport.SendToSlot(1, kActionGet, kTypeKind, 0, reply.data()), kExchangeOk);
    EXPECT_EQ(reply[0], kReplyData);
    EXPECT_EQ(ReplyValue(reply.data()), 3);

    reply.fill(0);
    EXPECT_EQ(rig.transport.PollSendToSlot(0, kActionGet, kTypeKind, 0, reply.data()), kExchangeOk);
    EXPECT_EQ(ReplyValue(reply.data()), 7);

    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"2 2,0x1007,0", "1 2,0x1007,0"}));
    EXPECT_TRUE(rig.sink.Errors().empty());
}

TEST_F(CommandTransportTest, ResultTellsAFailedOpenFromAFailedSend) {
    FakeProjectors sim({PjsimProcess::Tcp("fault=garbage"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(3), sim);
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);
    PointSlotAtPort(rig.model, 2, kUnservedPort);

    ReplyBuffer reply{};
    EXPECT_EQ(rig.transport.SendToSlot(2, kActionSet, kTypeBlank, 1, reply.data()), kExchangeOpenFailed);
    EXPECT_EQ(rig.transport.SendToSlot(0, kActionSet, kTypeBlank, 1, reply.data()), kExchangeSendFailed);
    // A refusal is an answer: the exchange worked, the projector said no.
    EXPECT_EQ(rig.transport.SendToSlot(1, kActionSet, kTypeBlank, 1, reply.data()), kExchangeOk);
    EXPECT_NE(reply[0], kReplyAck);
    EXPECT_FALSE(CommandTransport::Accepted(kExchangeOk, reply));
}

TEST_F(CommandTransportTest, SlotsOutsideTheFiveAreNeverExchangedWith) {
    TransportRig rig(MakeWorkingModel(5));
    ReplyBuffer reply{};
    EXPECT_EQ(rig.transport.SendToSlot(5, kActionGet, kTypeKind, 0, reply.data()), kExchangeOpenFailed);
    EXPECT_EQ(rig.transport.PollSendToSlot(-1, kActionGet, kTypeKind, 0, reply.data()), kExchangeOpenFailed);
    EXPECT_EQ(rig.transport.EnsureKind(7), kKindUnknown);
    EXPECT_EQ(rig.transport.QueryPowerState(5), kPowerUnknown);
}

TEST_F(CommandTransportTest, PowerStateIsTheDataReplyOrFFFF) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=transit"),
                        PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(5), sim);
    for (int n = 1; n <= 4; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);
    PointSlotAtPort(rig.model, 4, kUnservedPort);

    EXPECT_EQ(rig.transport.QueryPowerState(0), kPowerOn);
    EXPECT_EQ(rig.transport.QueryPowerState(1), kPowerTransit);
    EXPECT_EQ(rig.transport.QueryPowerState(2), kPowerOff);
    EXPECT_EQ(rig.transport.QueryPowerState(3), kPowerUnknown); // answered, but not with data
    EXPECT_EQ(rig.transport.QueryPowerState(4), kPowerUnknown); // not reached
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x6000,0", "2 2,0x6000,0", "3 2,0x6000,0", "4 2,0x6000,0"}));
}

// --- the send to all and the kind check -----------------------------------------------------

TEST_F(CommandTransportTest, SecondOfThreeFailingLeavesTheOthersServedAndNamesOnlyIt) {
    // The middle projector is off: it refuses a blank, which is a failure though the link worked.
    FakeProjectors sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(3), sim);
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeBlank, 1, 89), 1);

    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "1 1,0x3020,1", "2 2,0x1007,0", "2 1,0x3020,1",
                                                   "3 2,0x1007,0", "3 1,0x3020,1"}));
    auto errors = rig.sink.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].slot, 1);
    EXPECT_EQ(errors[0].number, 89);
    EXPECT_EQ(errors[0].style, kMbIconHand);
    EXPECT_EQ(errors[0].message, "Blank On failed(127.0.0.1)");
}

TEST_F(CommandTransportTest, RefusedKindIsNeverCommandedNorAskedAgainAcrossReconfiguration) {
    FakeProjectors sim({PjsimProcess::Tcp("kind=9,power=on"), PjsimProcess::Tcp("kind=10,power=on"),
                        PjsimProcess::Tcp("kind=4,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(3), sim);
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 1, 90), 2);
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "2 2,0x1007,0", "3 2,0x1007,0", "3 1,0x2002,1"}));
    EXPECT_EQ(rig.sink.Slots(), (std::vector<int>{0, 1}));
    EXPECT_EQ(rig.model.PjtKind[0], 9);
    EXPECT_EQ(rig.model.PjtKind[1], 10);
    EXPECT_EQ(rig.model.PjtKind[2], 4);

    // Known kinds are not asked again.
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 0, 209), 2);
    EXPECT_EQ(Sent(sim).size(), 5u);
    EXPECT_EQ(Sent(sim).back(), "3 1,0x2002,0");

    // A new configuration that puts the kind-4 projector into slot 1 and a fresh record's
    // unknown kinds everywhere: the window's cache stays, so slot 1 is still refused unasked.
    CModelInfo2 other = MakeWorkingModel(3);
    PointSlotAt(other, 0, sim, 3);
    PointSlotAt(other, 1, sim, 2);
    PointSlotAt(other, 2, sim, 3);
    rig.model = other;
    rig.sink.Clear();
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeBlank, 1, 89), 2);
    EXPECT_EQ(rig.sink.Slots(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "2 2,0x1007,0", "3 2,0x1007,0", "3 1,0x2002,1",
                                                   "3 1,0x2002,0", "3 1,0x3020,1"}));
}

TEST_F(CommandTransportTest, FailedKindQueryLeavesKindUnknownAndTheCommandIsSentAnyway) {
    FakeProjectors sim({PjsimProcess::Tcp("fault=nak")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(1), sim);
    PointSlotAt(rig.model, 0, sim, 1);

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeFreeze, 0, 92), 1);
    EXPECT_EQ(rig.model.PjtKind[0], kKindUnknown);
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeFreeze, 0, 92), 1);
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "1 1,0x3002,0", "1 2,0x1007,0", "1 1,0x3002,0"}));
    EXPECT_EQ(rig.sink.Errors().back().message, "Freeze Off failed(127.0.0.1)");
}

TEST_F(CommandTransportTest, SlotCountOutsideZeroToFiveIsClamped) {
    FakeProjectors sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(0), sim);
    for (int slot = 0; slot < CModelInfo2::kSlots; ++slot)
        PointSlotAt(rig.model, slot, sim, 1);

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 1, 90), 0);
    rig.model.PjtNum = -3;
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 1, 90), 0);
    EXPECT_TRUE(Sent(sim).empty());
    EXPECT_TRUE(rig.sink.Errors().empty());

    rig.model.PjtNum = 9;
    EXPECT_EQ(rig.transport.SlotsInUse(), 5);
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 1, 90), 0);
    // Each of the five slots asks its kind once, then mutes.
    EXPECT_EQ(Sent(sim).size(), 10u);
}

// --- the slot error message ---------------------------------------------------------------

TEST_F(CommandTransportTest, SlotErrorNamesTheComPortOneBasedOrTheAddress) {
    TransportRig rig(MakeWorkingModel(3));
    PointSlotAtSerial(rig.model, 0, 2);
    PointSlotAtPort(rig.model, 1, 23);
    SetText(rig.model.IPAddress[1], "10.1.2.3");
    PointSlotAtSerial(rig.model, 2, 0);

    rig.transport.ShowSlotError(0, 90, kMbIconHand);
    rig.transport.ShowSlotError(1, 27, kMbOk);
    rig.transport.ShowSlotError(2, 211, kMbIconHand);
    auto errors = rig.sink.Errors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message, "Mute failed(com3)");
    EXPECT_EQ(errors[1].message, Msg(27) + "(10.1.2.3)");
    EXPECT_EQ(errors[1].style, kMbOk);
    EXPECT_EQ(errors[2].message, "Power On failed(com1)");
    EXPECT_EQ(errors[2].style, kMbIconHand);
}

// --- two threads on one link ----------------------------------------------------------------

TEST_F(CommandTransportTest, TwoThreadsNeverShareAnExchangeOnLink) {
    // The poller's kind query and a Mute from the window both go through Link.
    PjsimProcess sim({PjsimProcess::Tcp("kind=7,power=on"), PjsimProcess::Tcp("kind=5,power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(2));
    PointSlotAt(rig.model, 0, sim, 1);
    PointSlotAt(rig.model, 1, sim, 2);

    constexpr int kRounds = 25;
    int badA = 0, badB = 0, badPoll = 0;
    std::thread a([&] {
        for (int i = 0; i < kRounds; ++i) {
            ReplyBuffer reply{};
            if (rig.transport.SendToSlot(0, kActionGet, kTypeKind, 0, reply.data()) != kExchangeOk || reply[1] != 7)
                ++badA;
        }
    });
    std::thread b([&] {
        for (int i = 0; i < kRounds; ++i) {
            ReplyBuffer reply{};
            if (rig.transport.SendToSlot(1, kActionGet, kTypePower, 0, reply.data()) != kExchangeOk ||
                reply[0] != kReplyData || reply[1] != kPowerOff)
                ++badB;
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        ReplyBuffer reply{};
        if (rig.transport.PollSendToSlot(1, kActionGet, kTypeKind, 0, reply.data()) != kExchangeOk || reply[1] != 5)
            ++badPoll;
    }
    a.join();
    b.join();
    EXPECT_EQ(badA, 0);
    EXPECT_EQ(badB, 0);
    EXPECT_EQ(badPoll, 0);
    EXPECT_EQ(Sent(sim).size(), 3u * kRounds);
}

// --- which slots speak PJLink ----------------------------------------------------------------

TEST(IsPjlinkSlot, ANetworkSlotOnAPjlinkPortOnly) {
    const auto pjlink = linkcore::PjlinkSettings::FromProfile(PrivateProfile::Parse("[PJLink]\nPorts=14352\n"));
    struct Case {
        int method;
        int port;
        bool pjlink;
    } cases[] = {
        {CModelInfo2::kMethodNetwork, 4352, true},
        {CModelInfo2::kMethodNetwork, 14352, true},
        {CModelInfo2::kMethodNetwork, 23, false},
        {0, 4352, false}, // a serial slot keeps a port of its network days
    };
    CModelInfo2 model;
    for (const Case& c : cases) {
        model.ConnectMethod[2] = c.method;
        model.PortNo[2] = c.port;
        EXPECT_EQ(IsPjlinkSlot(model, 2, pjlink), c.pjlink) << c.method << " " << c.port;
    }
}

} // namespace
} // namespace orvane::test
