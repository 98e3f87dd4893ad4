#include "linkcore/PjtInterface.h"
#include "linkcore/Frame.h"

#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using orvane::test::PjsimProcess;
using orvane::test::Sandbox;

namespace {

using Clock = std::chrono::steady_clock;
using Reply = std::array<unsigned char, 128>;

constexpr int kTcp = 1;
constexpr int kSerial = 0;

struct Outcome {
    int opened = 0;
    int sent = 0;
    Reply reply{};
    long long ms = 0;
};

// One exchange as the application runs it: copy the slot, open, and only then send and close.
Outcome Exchange(CPjtInterface& link, int method, int comPort, int tcpPort, const std::string& ip,
                 const std::string& password, linkcore::Request request) {
    char ipField[64] = {};
    char passwordField[64] = {};
    std::strncpy(ipField, ip.c_str(), sizeof ipField - 1);
    std::strncpy(passwordField, password.c_str(), sizeof passwordField - 1);
    Outcome out;
    auto start = Clock::now();
    link.CopyData(method, comPort, tcpPort, ipField, passwordField);
    out.opened = link.Open(&link);
    if (out.opened) {
        out.sent = link.Send(request.action, request.type, request.setting, out.reply.data(), &link);
        link.Close(&link);
    }
    out.ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return out;
}

Outcome Tcp(const PjsimProcess& sim, int n, linkcore::Request request, const std::string& password = "") {
    CPjtInterface link;
    return Exchange(link, kTcp, 0, sim.Port(n), "127.0.0.1", password, request);
}

bool RestIsZero(const Reply& reply, std::size_t from) {
    for (std::size_t i = from; i < reply.size(); ++i) {
        if (reply[i] != 0)
            return false;
    }
    return true;
}

void WriteTimeouts(const Sandbox& sandbox, int connectMs, int replyMs, const std::string& serial = "") {
    sandbox.Write("LinkCore.conf", "[Timeouts]\nConnectMs=" + std::to_string(connectMs) +
                                       "\nReplyMs=" + std::to_string(replyMs) + "\n[Serial]\n" + serial);
}

int CountOpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

// A loopback port that is bound but not listening: connecting to it is refused at once.
struct ClosedPort {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    ClosedPort() {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
    }
    ~ClosedPort() { close(fd); }
};

const linkcore::Request kGetPower{2, 0x6000, 0};

} // namespace

TEST(PjtInterface, RepliesLandInTheBufferFromByteZero) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=7,input=4660")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    Outcome kind = Tcp(sim, 1, {2, 0x1007, 0});
    ASSERT_TRUE(kind.opened && kind.sent);
    EXPECT_EQ(kind.reply[0], 0x1D);
    EXPECT_EQ(kind.reply[1], 7);
    EXPECT_EQ(kind.reply[2], 0);
    EXPECT_TRUE(RestIsZero(kind.reply, 3));

    Outcome input = Tcp(sim, 1, {2, 0x2000, 0}); // 4660 = 0x1234: both value bytes matter
    ASSERT_TRUE(input.opened && input.sent);
    EXPECT_EQ(input.reply[1], 0x34);
    EXPECT_EQ(input.reply[2], 0x12);

    Outcome set = Tcp(sim, 1, {1, 0x2000, 3});
    ASSERT_TRUE(set.opened && set.sent);
    EXPECT_EQ(set.reply[0], 6);
    EXPECT_TRUE(RestIsZero(set.reply, 1));

    // A refusal is an answer: Send succeeds and byte 0 says no.
    Outcome unknown = Tcp(sim, 1, {2, 0x7777, 0});
    ASSERT_TRUE(unknown.opened && unknown.sent);
    EXPECT_EQ(unknown.reply[0], 0x15);
    EXPECT_TRUE(RestIsZero(unknown.reply, 1));

    ASSERT_TRUE(sim.WaitForRequests(4));
    std::vector<std::string> lines = sim.RequestLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "REQ 1 action=2 type=0x1007 setting=0 reply=data:7");
    EXPECT_EQ(lines[2], "REQ 1 action=1 type=0x2000 setting=3 reply=ack");
    EXPECT_EQ(lines[3], "REQ 1 action=2 type=0x7777 setting=0 reply=nak");
}

TEST(PjtInterface, CallOrderAndLifecycle) {
    PjsimProcess sim({PjsimProcess::Tcp()});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    CPjtInterface link;
    Reply reply{};
    EXPECT_EQ(link.Send(2, 0x6000, 0, reply.data(), &link), 0); // never opened
    EXPECT_EQ(link.Close(&link), 0);

    char ip[64] = "127.0.0.1";
    char password[64] = "";
    link.CopyData(kTcp, 0, sim.Port(1), ip, password);
    ASSERT_NE(link.Open(&link), 0);
    // Several requests may share one open connection.
    EXPECT_NE(link.Send(2, 0x6000, 0, reply.data(), &link), 0);
    EXPECT_NE(link.Send(2, 0x1007, 0, reply.data(), &link), 0);
    EXPECT_NE(link.Close(&link), 0);
    EXPECT_EQ(link.Close(&link), 0);
    EXPECT_EQ(link.Send(2, 0x6000, 0, reply.data(), &link), 0);

    // Null text pointers are empty fields: no address, so nothing to open.
    link.CopyData(kTcp, 0, sim.Port(1), nullptr, nullptr);
    EXPECT_EQ(link.Open(&link), 0);
}

TEST(PjtInterface, PasswordChallenge) {
    const std::string longPassword(63, 'x');
    PjsimProcess sim(
        {PjsimProcess::Tcp("password=s3cret"), PjsimProcess::Tcp(), PjsimProcess::Tcp("password=" + longPassword)});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    Outcome right = Tcp(sim, 1, kGetPower, "s3cret");
    EXPECT_TRUE(right.opened && right.sent);
    EXPECT_EQ(right.reply[0], 0x1D);
    EXPECT_EQ(Tcp(sim, 1, kGetPower, "s3creT").opened, 0);
    EXPECT_EQ(Tcp(sim, 1, kGetPower, "").opened, 0);
    // A password given for a projector that asks none does no harm.
    EXPECT_TRUE(Tcp(sim, 2, kGetPower, "unused").sent);

    // The field is 64 bytes; without a terminator the first 63 characters count.
    CPjtInterface link;
    char ip[64] = "127.0.0.1";
    char password[64];
    std::memset(password, 'x', sizeof password);
    link.CopyData(kTcp, 0, sim.Port(3), ip, password);
    ASSERT_NE(link.Open(&link), 0);
    link.Close(&link);

    // Refused sessions never reach the request stage.
    ASSERT_TRUE(sim.WaitForRequests(2));
    std::vector<orvane::test::PjsimRequest> requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].projector, 1);
    EXPECT_EQ(requests[1].projector, 2);
}

TEST(PjtInterface, FaultyProjectorsFailWithinTheTimeouts) {
    Sandbox sandbox;
    WriteTimeouts(sandbox, 300, 300);
    PjsimProcess sim({PjsimProcess::Tcp("fault=nak,power=on"), PjsimProcess::Tcp("fault=silent"),
                      PjsimProcess::Tcp("fault=drop"), PjsimProcess::Tcp("fault=drop,password=pw"),
                      PjsimProcess::Tcp("fault=garbage"), PjsimProcess::Tcp("fault=slow:4000")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    Outcome nak = Tcp(sim, 1, {1, 0x3020, 1});
    ASSERT_TRUE(nak.opened && nak.sent);
    EXPECT_EQ(nak.reply[0], 0x15);

    Outcome silent = Tcp(sim, 2, kGetPower);
    EXPECT_EQ(silent.opened, 0);
    EXPECT_LT(silent.ms, 2500);

    Outcome drop = Tcp(sim, 3, kGetPower);
    EXPECT_FALSE(drop.opened && drop.sent);
    EXPECT_EQ(Tcp(sim, 4, kGetPower, "pw").opened, 0);

    Outcome garbage = Tcp(sim, 5, kGetPower);
    EXPECT_TRUE(garbage.opened);
    EXPECT_EQ(garbage.sent, 0);
    EXPECT_TRUE(RestIsZero(garbage.reply, 0)); // a failed Send leaves the buffer alone

    Outcome slow = Tcp(sim, 6, kGetPower);
    EXPECT_TRUE(slow.opened);
    EXPECT_EQ(slow.sent, 0);
    EXPECT_LT(slow.ms, 2500);
}

TEST(PjtInterface, AMissingHelloIsBoundedByTheConnectTimeOutNotTheReplyTimeOut) {
    // Connect and hello share one bound, so a dead projector costs one short time-out.
    Sandbox sandbox;
    WriteTimeouts(sandbox, 300, 6000);
    PjsimProcess sim({PjsimProcess::Tcp("fault=silent"), PjsimProcess::Tcp("fault=slow:1000")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Outcome silent = Tcp(sim, 1, kGetPower);
    EXPECT_EQ(silent.opened, 0);
    EXPECT_LT(silent.ms, 3000);
    // The reply itself still has the reply time-out.
    Outcome slow = Tcp(sim, 2, kGetPower);
    EXPECT_TRUE(slow.opened && slow.sent);
}

TEST(PjtInterface, DefaultTimeoutsBoundASilentProjectorAndTolerateASlowOne) {
    Sandbox sandbox; // no LinkCore.conf: 1500 ms connect, 2000 ms reply
    PjsimProcess sim({PjsimProcess::Tcp("fault=silent"), PjsimProcess::Tcp("fault=slow:200")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Outcome silent = Tcp(sim, 1, kGetPower);
    EXPECT_EQ(silent.opened, 0);
    EXPECT_LT(silent.ms, 4000);
    Outcome slow = Tcp(sim, 2, kGetPower);
    EXPECT_TRUE(slow.opened && slow.sent);
}

TEST(PjtInterface, UnreachableAddressesFailWithoutWaitingForTheTimeout) {
    Sandbox sandbox;
    WriteTimeouts(sandbox, 5000, 5000);
    ClosedPort closed;
    ASSERT_NE(closed.port, 0);
    CPjtInterface link;
    Outcome refused = Exchange(link, kTcp, 0, closed.port, "127.0.0.1", "", kGetPower);
    EXPECT_EQ(refused.opened, 0);
    EXPECT_LT(refused.ms, 2500);

    for (const char* ip : {"", "abc", "300.1.1.1", "127.0.0", "127.0.0.1 ", "::1"})
        EXPECT_EQ(Exchange(link, kTcp, 0, closed.port, ip, "", kGetPower).opened, 0) << "'" << ip << "'";
    for (int port : {0, -1, 65536})
        EXPECT_EQ(Exchange(link, kTcp, 0, port, "127.0.0.1", "", kGetPower).opened, 0) << port;
}

TEST(PjtInterface, ListenerThatNeverAcceptsIsBoundedByTheTimeouts) {
    Sandbox sandbox;
    WriteTimeouts(sandbox, 300, 300);
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);

    // Fill the accept queue, so that further connection attempts are left unanswered.
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(fd);
    }
    CPjtInterface link;
    // Whether the kernel leaves the connect hanging or completes it without an accept, no
    // hello comes: either time-out ends the attempt.
    Outcome outcome = Exchange(link, kTcp, 0, ntohs(addr.sin_port), "127.0.0.1", "", kGetPower);
    EXPECT_EQ(outcome.opened, 0);
    EXPECT_LT(outcome.ms, 3000);
    for (int fd : fillers)
        close(fd);
    close(listener);
}

TEST(PjtInterface, SerialProjectorOnAPseudoTerminal) {
    Sandbox sandbox;
    PjsimProcess sim({PjsimProcess::Serial("power=on,kind=5"), PjsimProcess::Serial("fault=silent")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_FALSE(sim.PtyPath(1).empty());
    WriteTimeouts(sandbox, 300, 300, "COM3=" + sim.PtyPath(1) + "\nCOM4=" + sim.PtyPath(2) + "\nCOM5=/dev/null\n");

    CPjtInterface link;
    // ComNo 2 is COM3; any method other than 1 is the serial line.
    for (int method : {kSerial, 7}) {
        Outcome kind = Exchange(link, method, 2, 0, "", "", {2, 0x1007, 0});
        ASSERT_TRUE(kind.opened && kind.sent) << method;
        EXPECT_EQ(kind.reply[0], 0x1D);
        EXPECT_EQ(kind.reply[1], 5);
    }
    EXPECT_EQ(Exchange(link, kSerial, 2, 0, "", "", {1, 0x3020, 1}).reply[0], 6);
    Outcome blank = Exchange(link, kSerial, 2, 0, "", "", {2, 0x3020, 0});
    EXPECT_EQ(blank.reply[0], 0x1D);
    EXPECT_EQ(blank.reply[1], 1);

    Outcome silent = Exchange(link, kSerial, 3, 0, "", "", kGetPower);
    EXPECT_TRUE(silent.opened);
    EXPECT_EQ(silent.sent, 0);
    EXPECT_LT(silent.ms, 2500);

    EXPECT_EQ(Exchange(link, kSerial, 4, 0, "", "", kGetPower).opened, 0);  // not a terminal
    EXPECT_EQ(Exchange(link, kSerial, 60, 0, "", "", kGetPower).opened, 0); // /dev/ttyS60 is no device
    EXPECT_EQ(Exchange(link, kSerial, -1, 0, "", "", kGetPower).opened, 0);
}

TEST(PjtInterface, SerialLineDropsStaleInputBeforeARequest) {
    Sandbox sandbox;
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    WriteTimeouts(sandbox, 300, 2000, std::string("COM1=") + name + "\n");

    // An answer left over from an exchange that timed out.
    const unsigned char stale = 0x06;
    ASSERT_EQ(write(master, &stale, 1), 1);

    std::thread projector([master] {
        unsigned char frame[linkcore::kFrameSize];
        std::size_t got = 0;
        while (got < sizeof frame) {
            ssize_t n = read(master, frame + got, sizeof frame - got);
            if (n <= 0)
                return;
            got += static_cast<std::size_t>(n);
        }
        const unsigned char answer[] = {0x1D, 42, 0};
        (void)!write(master, answer, sizeof answer);
    });
    CPjtInterface link;
    Outcome outcome = Exchange(link, kSerial, 0, 0, "", "", kGetPower);
    projector.join();
    close(slave);
    close(master);
    ASSERT_TRUE(outcome.opened && outcome.sent);
    EXPECT_EQ(outcome.reply[0], 0x1D);
    EXPECT_EQ(outcome.reply[1], 42);
}

TEST(PjtInterface, TwoInstancesOnTwoThreads) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=on,password=pw")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    constexpr int kRounds = 30;
    CPjtInterface link;
    CPjtInterface pollLink;
    int failures[2] = {0, 0};
    std::thread commands([&] {
        for (int i = 0; i < kRounds; ++i) {
            Outcome o =
                Exchange(link, kTcp, 0, sim.Port(1), "127.0.0.1", "", {1, 0x2000, static_cast<unsigned short>(i)});
            failures[0] += !(o.opened && o.sent && o.reply[0] == 6);
        }
    });
    std::thread poller([&] {
        for (int i = 0; i < kRounds; ++i) {
            // The poller's instance is handed the other one as peer, as the application does.
            char ip[64] = "127.0.0.1";
            char password[64] = "pw";
            Reply reply{};
            pollLink.CopyData(kTcp, 0, sim.Port(2), ip, password);
            int ok = pollLink.Open(&link) && pollLink.Send(2, 0x2000, 0, reply.data(), &link);
            pollLink.Close(&link);
            failures[1] += !(ok && reply[0] == 0x1D);
        }
    });
    commands.join();
    poller.join();
    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
    Outcome last = Tcp(sim, 1, {2, 0x2000, 0});
    EXPECT_EQ(last.reply[1], kRounds - 1);
}

TEST(PjtInterface, NoDescriptorOutlivesAnExchange) {
    Sandbox sandbox;
    PjsimProcess sim(
        {PjsimProcess::Tcp("power=on,password=pw"), PjsimProcess::Tcp("fault=garbage"), PjsimProcess::Serial()});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteTimeouts(sandbox, 300, 300, "COM1=" + sim.PtyPath(3) + "\n");
    ClosedPort closed;
    CPjtInterface link;
    int before = CountOpenDescriptors();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(Exchange(link, kTcp, 0, sim.Port(1), "127.0.0.1", "pw", kGetPower).sent);
        EXPECT_FALSE(Exchange(link, kTcp, 0, sim.Port(1), "127.0.0.1", "bad", kGetPower).opened);
        EXPECT_FALSE(Exchange(link, kTcp, 0, sim.Port(2), "127.0.0.1", "", kGetPower).sent);
        EXPECT_FALSE(Exchange(link, kTcp, 0, closed.port, "127.0.0.1", "", kGetPower).opened);
        EXPECT_TRUE(Exchange(link, kSerial, 0, 0, "", "", kGetPower).sent);
    }
    // Open without Close, then Open again: the first connection is not leaked either.
    char ip[64] = "127.0.0.1";
    char password[64] = "pw";
    link.CopyData(kTcp, 0, sim.Port(1), ip, password);
    ASSERT_NE(link.Open(&link), 0);
    ASSERT_NE(link.Open(&link), 0);
    link.Close(&link);
    EXPECT_EQ(CountOpenDescriptors(), before);
}
