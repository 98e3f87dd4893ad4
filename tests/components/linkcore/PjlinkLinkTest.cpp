// The link on a PJLink slot, end to end against pjsim in PJLink mode: the password, the
// time-outs and which ports speak PJLink. The translation and lines out of step are the
// session's (PjlinkSessionTest).

#include "linkcore/PjtInterface.h"

#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using orvane::test::PjsimProcess;
using orvane::test::Sandbox;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

constexpr int kReplyMs = 600;
constexpr int kConnectMs = 1000;

const Bytes kAck{0x06};
const Bytes kNak{0x15};
Bytes Data(int v) {
    return {0x1D, static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)};
}

// LinkCore.conf that makes `ports` speak PJLink, with short time-outs and extra settings.
void WriteConf(const Sandbox& box, const std::vector<int>& ports, const std::string& extra = "") {
    std::string list;
    for (int p : ports)
        list += (list.empty() ? "" : ",") + std::to_string(p);
    box.Write("LinkCore.conf", "[Timeouts]\nConnectMs=" + std::to_string(kConnectMs) + "\nReplyMs=" +
                                   std::to_string(kReplyMs) + "\n[PJLink]\nPorts=" + list + "\n" + extra);
}

struct Exchange {
    int opened = 0;
    int sent = 0;
    std::array<unsigned char, 128> reply{};
    long long ms = 0;

    Bytes Reply() const {
        std::size_t size = reply[0] == 0x1D ? 3 : reply[0] == 0 ? 0 : 1;
        return Bytes(reply.begin(), reply.begin() + static_cast<long>(size));
    }
};

// One exchange as the application runs it: copy, open, send, close.
Exchange Exchanged(int port, unsigned short action, unsigned short type, unsigned short setting,
                   const std::string& password = "") {
    CPjtInterface link;
    char ip[64] = "127.0.0.1";
    char pw[64] = {};
    std::strncpy(pw, password.c_str(), sizeof pw - 1);
    Exchange out;
    const auto start = Clock::now();
    link.CopyData(1, 0, port, ip, pw);
    out.opened = link.Open(&link);
    if (out.opened) {
        out.sent = link.Send(action, type, setting, out.reply.data(), &link);
        link.Close(&link);
    }
    out.ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return out;
}

// The PJLink lines pjsim logged since `from`, as "<command> -> <answer>".
std::vector<std::string> LoggedSince(const PjsimProcess& sim, std::size_t from) {
    std::vector<std::string> lines = sim.RequestLines();
    std::vector<std::string> out;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::size_t space = lines[i].find(' ', 7);
        out.push_back(lines[i].substr(space + 1));
    }
    return out;
}

} // namespace

TEST(PjlinkLink, PasswordRightAndWrong) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("password=JBMIAProjectorLink,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteConf(box, {sim.Port(1)});

    Exchange good = Exchanged(sim.Port(1), 2, 0x6000, 0, "JBMIAProjectorLink");
    ASSERT_EQ(good.opened, 1);
    EXPECT_EQ(good.Reply(), Data(1));
    ASSERT_TRUE(sim.WaitForRequests(2));
    EXPECT_EQ(LoggedSince(sim, 0), (std::vector<std::string>{"%1CLSS ? -> %1CLSS=1", "%1POWR ? -> %1POWR=1"}));

    for (const char* wrong : {"jbmiaprojectorlink", ""}) {
        const std::size_t before = sim.RequestLines().size();
        Exchange bad = Exchanged(sim.Port(1), 1, 0x6000, 0, wrong);
        EXPECT_EQ(bad.opened, 0) << wrong;
        ASSERT_TRUE(sim.WaitForRequests(before + 1));
        EXPECT_EQ(LoggedSince(sim, before), std::vector<std::string>{"%1CLSS ? -> PJLINK ERRA"});
    }
    EXPECT_EQ(sim.Requests().back().reply, "nak");
}

TEST(PjlinkLink, FaultyProjectorsFailWithinTheTimeOuts) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("power=on,fault=nak"), PjsimProcess::Pjlink("power=on,fault=silent"),
                      PjsimProcess::Pjlink("power=on,fault=drop"), PjsimProcess::Pjlink("power=on,fault=garbage"),
                      PjsimProcess::Pjlink("power=on,fault=slow:1500"),
                      PjsimProcess::Pjlink("power=on,fault=slow:100")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<int> ports;
    for (int n = 1; n <= 6; ++n)
        ports.push_back(sim.Port(n));
    WriteConf(box, ports);

    Exchange nak = Exchanged(sim.Port(1), 2, 0x6000, 0);
    ASSERT_EQ(nak.sent, 1);
    EXPECT_EQ(nak.Reply(), kNak);

    // A greeting that never comes: Open gives up after the connect time-out, which covers
    // the greeting as it covers our own protocol's hello.
    Exchange silent = Exchanged(sim.Port(2), 2, 0x6000, 0);
    EXPECT_EQ(silent.opened, 0);
    EXPECT_GE(silent.ms, kConnectMs - 50);
    EXPECT_LT(silent.ms, kConnectMs + 1500);

    for (int n : {3, 4, 5}) {
        Exchange failed = Exchanged(sim.Port(n), 2, 0x6000, 0);
        EXPECT_EQ(failed.opened, 1) << n;
        EXPECT_EQ(failed.sent, 0) << n;
        EXPECT_EQ(failed.Reply(), Bytes{}) << n; // the buffer is left as it was
        EXPECT_LT(failed.ms, kReplyMs + 1500) << n;
    }
    Exchange slowButInTime = Exchanged(sim.Port(6), 2, 0x6000, 0);
    EXPECT_EQ(slowButInTime.Reply(), Data(1));
}

TEST(PjlinkLink, OnlyThePortsNamedSpeakPjlink) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("power=on"), PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    // Without the file neither port speaks PJLink: our hello is what the link waits for.
    Exchange unnamed = Exchanged(sim.Port(1), 2, 0x6000, 0);
    EXPECT_EQ(unnamed.opened, 0);
    WriteConf(box, {sim.Port(1)});
    EXPECT_EQ(Exchanged(sim.Port(1), 2, 0x6000, 0).Reply(), Data(1));
    EXPECT_EQ(Exchanged(sim.Port(2), 2, 0x6000, 0).Reply(), Data(1)); // our own protocol, as before
}

TEST(PjlinkLink, EachHabitOfRealProjectorsIsReadThrough) {
    Sandbox box;
    const std::vector<std::string> quirks = {"lf", "prompt", "lower", "nul", "echo", "lf+prompt+lower+nul+echo"};
    std::vector<std::string> defs;
    for (const std::string& q : quirks)
        defs.push_back(PjsimProcess::Pjlink("power=on,input=32,password=abc,quirks=" + q));
    PjsimProcess sim(defs);
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<int> ports;
    for (std::size_t n = 1; n <= quirks.size(); ++n)
        ports.push_back(sim.Port(static_cast<int>(n)));
    WriteConf(box, ports);

    for (std::size_t i = 0; i < quirks.size(); ++i) {
        SCOPED_TRACE(quirks[i]);
        EXPECT_EQ(Exchanged(ports[i], 2, 0x6000, 0, "abc").Reply(), Data(1));
        EXPECT_EQ(Exchanged(ports[i], 2, 0x2000, 0, "abc").Reply(), Data(13));
        EXPECT_EQ(Exchanged(ports[i], 1, 0x3020, 1, "abc").Reply(), kAck);
        EXPECT_EQ(Exchanged(ports[i], 2, 0x3020, 0, "abc").Reply(), Data(1));
    }
}

TEST(PjlinkLink, OneConnectionServesAProjectorUntilItIsClosed) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("power=on,password=abc"), PjsimProcess::Pjlink("power=on,idle=200")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    auto connects = [&sim](int n) { return sim.LogLines("CONNECT " + std::to_string(n)).size(); };

    WriteConf(box, {sim.Port(1), sim.Port(2)});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Exchanged(sim.Port(1), 2, 0x6000, 0, "abc").Reply(), Data(1));
    EXPECT_EQ(connects(1), 1u);
    // The password is checked once, with the class query of the first connection.
    ASSERT_TRUE(sim.WaitForRequests(4));
    EXPECT_EQ(LoggedSince(sim, 0), (std::vector<std::string>{"%1CLSS ? -> %1CLSS=1", "%1POWR ? -> %1POWR=1",
                                                             "%1POWR ? -> %1POWR=1", "%1POWR ? -> %1POWR=1"}));

    // A projector that closes an idle connection gets a new one.
    EXPECT_EQ(Exchanged(sim.Port(2), 2, 0x6000, 0).Reply(), Data(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(Exchanged(sim.Port(2), 1, 0x3020, 1).Reply(), kAck);
    EXPECT_EQ(connects(2), 2u);

    // KeepConnection=0: one connection per exchange again.
    WriteConf(box, {sim.Port(1), sim.Port(2)}, "KeepConnection=0\n");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Exchanged(sim.Port(1), 2, 0x6000, 0, "abc").Reply(), Data(1));
    EXPECT_EQ(connects(1), 3u);
}
