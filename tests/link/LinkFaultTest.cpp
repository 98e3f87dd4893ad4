#include "link/LinkTestRig.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace orvane::test {
namespace {

// A projector that misbehaves in one way sits between two good ones: only it is reported,
// with the command's message, and the whole command ends within the link's time-outs.
class FaultyMiddleProjector : public ::testing::TestWithParam<const char*> {
protected:
    LinkSandbox box_;
};

TEST_P(FaultyMiddleProjector, OnlyThatSlotIsReportedWithinTheTimeOuts) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp(std::string("power=on,") + GetParam()),
                      PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(3));
    for (int n = 1; n <= 3; ++n)
        PointSlotAt(rig.model, n - 1, sim, n);

    const auto start = Clock::now();
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeMute, 1, 90), 1);
    EXPECT_LT(Clock::now() - start, kHangBound);

    auto errors = rig.sink.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].slot, 1);
    EXPECT_EQ(errors[0].message, "Mute failed(127.0.0.1)");
    EXPECT_EQ(rig.model.PjtKind[1], kKindUnknown);
    int firstAndThirdMuted = 0;
    for (const PjsimRequest& r : sim.Requests()) {
        if (r.projector != 2 && r.type == kTypeMute && r.reply == "ack")
            ++firstAndThirdMuted;
    }
    EXPECT_EQ(firstAndThirdMuted, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultyMiddleProjector,
                         ::testing::Values("fault=nak", "fault=silent", "fault=drop", "fault=garbage",
                                           "fault=slow:1500"),
                         [](const auto& info) {
                             std::string name = std::string(info.param).substr(6);
                             return name.substr(0, name.find(':'));
                         });

class LinkFaultTest : public ::testing::Test {
protected:
    LinkSandbox box_;
};

TEST_F(LinkFaultTest, PasswordMustMatchToGetIn) {
    PjsimProcess sim({PjsimProcess::Tcp("password=s3cret,power=on"), PjsimProcess::Tcp("password=s3cret,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TransportRig rig(MakeWorkingModel(2));
    PointSlotAt(rig.model, 0, sim, 1, "s3cret");
    PointSlotAt(rig.model, 1, sim, 2, "wrong");

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeBlank, 1, 89), 1);
    EXPECT_EQ(rig.sink.Slots(), (std::vector<int>{1}));
    // The wrong password never got a request through.
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "1 1,0x3020,1"}));
}

TEST_F(LinkFaultTest, SerialProjectorOnAPseudoTerminal) {
    PjsimProcess sim({PjsimProcess::Serial("power=on,kind=2")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_FALSE(sim.PtyPath(1).empty());
    box_.WriteLinkConf("[Serial]\nCOM1=" + sim.PtyPath(1) + "\nCOM2=" + box_.Box().File("no-such-tty") + "\n");
    TransportRig rig(MakeWorkingModel(2));
    PointSlotAtSerial(rig.model, 0, 0);
    PointSlotAtSerial(rig.model, 1, 1);

    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypeFreeze, 1, 91), 1);
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "1 1,0x3002,1"}));
    EXPECT_EQ(rig.model.PjtKind[0], 2);
    auto errors = rig.sink.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, "Freeze On failed(com2)");
}

// A listener whose accept queue is full: the kernel answers no further connection attempts,
// as a projector that is switched off at the wall would not.
class FullBacklogListener {
public:
    FullBacklogListener() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 0) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        // Fill the queue; the later attempts stay half-open and keep it full.
        for (int i = 0; i < 4; ++i) {
            int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            fillers_.push_back(fd);
        }
    }
    ~FullBacklogListener() {
        for (int fd : fillers_)
            close(fd);
        close(listener_);
    }
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

TEST_F(LinkFaultTest, ListenerThatNeverAcceptsEndsWithinTheConnectTimeOut) {
    FullBacklogListener listener;
    ASSERT_NE(listener.Port(), 0);
    TransportRig rig(MakeWorkingModel(1));
    PointSlotAtPort(rig.model, 0, listener.Port());

    const auto start = Clock::now();
    ReplyBuffer reply{};
    EXPECT_EQ(rig.transport.SendToSlot(0, kActionSet, kTypePower, 1, reply.data()), kExchangeOpenFailed);
    EXPECT_EQ(rig.transport.SendToAll(kActionSet, kTypePower, 1, 211), 1);
    EXPECT_LT(Clock::now() - start, kHangBound);
    EXPECT_EQ(rig.sink.Errors().at(0).message, "Power On failed(127.0.0.1)");
}

} // namespace
} // namespace orvane::test
