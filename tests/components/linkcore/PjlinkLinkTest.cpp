// The link on a PJLink slot, against pjsim in PJLink mode and against a scripted projector
// on 127.0.0.1 that answers what no well-behaved one would.

#include "linkcore/PjtInterface.h"

#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
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

// A projector on 127.0.0.1 played by the test: it greets with `greeting` and answers every
// line it receives with what `answer` returns for it (nothing for an empty text).
class ScriptedProjector {
public:
    using Script = std::function<std::string(const std::string& line)>;

    ScriptedProjector(std::string greeting, Script answer)
        : greeting_(std::move(greeting)), answer_(std::move(answer)) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(listen_, 4) == 0 &&
            getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Loop(); });
    }
    ~ScriptedProjector() {
        stop_ = true;
        thread_.join();
        close(listen_);
    }
    int Port() const { return port_; }

private:
    void Loop() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0)
                continue;
            send(fd, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
            std::string pending;
            char buffer[256];
            for (;;) {
                pollfd c{fd, POLLIN, 0};
                if (stop_ || poll(&c, 1, 50) < 0)
                    break;
                if (c.revents == 0)
                    continue;
                ssize_t n = read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                pending.append(buffer, static_cast<std::size_t>(n));
                for (std::size_t cr; (cr = pending.find('\r')) != std::string::npos;) {
                    const std::string answer = answer_(pending.substr(0, cr));
                    pending.erase(0, cr + 1);
                    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
                }
            }
            close(fd);
        }
    }

    std::string greeting_;
    Script answer_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace

TEST(PjlinkLink, EveryRowOfTheTranslationTable) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on,input=31,warm=60000"),
                      PjsimProcess::Pjlink("class=1,power=on,input=59")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteConf(box, {sim.Port(1), sim.Port(2)}, "[PJLinkInputs]\n8=19\n");
    const int port = sim.Port(1);

    struct Row {
        unsigned short action, type, setting;
        Bytes reply;
        std::vector<std::string> sent; // what the projector received and answered, in order
    };
    const Row rows[] = {
        {2, 0x1007, 0, Data(1), {"%1CLSS ? -> %1CLSS=2"}},
        {2, 0x6000, 0, Data(1), {"%1POWR ? -> %1POWR=1"}},
        {2, 0x2000, 0, Data(3), {"%1INPT ? -> %1INPT=31"}},
        {1, 0x2000, 13, kAck, {"%1INPT 32 -> %1INPT=OK"}},
        {2, 0x2000, 0, Data(13), {"%1INPT ? -> %1INPT=32"}},
        {1, 0x2000, 8, kNak, {"%1INPT 19 -> %1INPT=ERR2"}}, // a mapped input the projector lacks
        {1, 0x2000, 15, kNak, {}},                          // no PJLink input for code 15: nothing sent
        {1, 0x3020, 1, kAck, {"%1AVMT 11 -> %1AVMT=OK"}},
        {2, 0x3020, 0, Data(1), {"%1AVMT ? -> %1AVMT=11"}},
        {2, 0x2002, 0, Data(0), {"%1AVMT ? -> %1AVMT=11"}},
        {1, 0x2002, 1, kAck, {"%1AVMT 21 -> %1AVMT=OK"}},
        {2, 0x2002, 0, Data(1), {"%1AVMT ? -> %1AVMT=31"}},
        {1, 0x3020, 0, kAck, {"%1AVMT 10 -> %1AVMT=OK"}},
        {2, 0x3020, 0, Data(0), {"%1AVMT ? -> %1AVMT=21"}},
        {1, 0x3002, 1, kAck, {"%1CLSS ? -> %1CLSS=2", "%2FREZ 1 -> %2FREZ=OK"}},
        {2, 0x3002, 0, Data(1), {"%1CLSS ? -> %1CLSS=2", "%2FREZ ? -> %2FREZ=1"}},
        {4, 0x2001, 0, kAck, {"%1CLSS ? -> %1CLSS=2", "%2SVOL 1 -> %2SVOL=OK"}},
        {5, 0x2001, 0, kAck, {"%1CLSS ? -> %1CLSS=2", "%2SVOL 0 -> %2SVOL=OK"}},
        {2, 0x2001, 0, kNak, {}}, // PJLink has no volume level
        {1, 0x2001, 5, kNak, {}},
        {1, 0x3000, 40, kNak, {}}, // an adjustment
        {2, 0x7777, 0, kNak, {}},
        {1, 0x6000, 2, kNak, {}},
        {1, 0x6000, 0, kAck, {"%1POWR 0 -> %1POWR=OK"}},
        {2, 0x6000, 0, Data(2), {"%1POWR ? -> %1POWR=2"}}, // cooling down
        {1, 0x3020, 1, kNak, {"%1AVMT 11 -> %1AVMT=ERR3"}},
        {1, 0x6000, 1, kAck, {"%1POWR 1 -> %1POWR=OK"}},
        {2, 0x6000, 0, Data(2), {"%1POWR ? -> %1POWR=3"}}, // warming up
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "request (" << row.action << ", 0x" << std::hex << row.type << ", "
                                        << std::dec << row.setting << ")");
        const std::size_t before = sim.RequestLines().size();
        Exchange x = Exchanged(port, row.action, row.type, row.setting);
        ASSERT_EQ(x.opened, 1);
        ASSERT_EQ(x.sent, 1);
        EXPECT_EQ(x.Reply(), row.reply);
        for (std::size_t i = x.Reply().size(); i < x.reply.size(); ++i)
            ASSERT_EQ(x.reply[i], 0) << "byte " << i;
        ASSERT_TRUE(sim.WaitForRequests(before + row.sent.size()));
        EXPECT_EQ(LoggedSince(sim, before), row.sent);
    }

    // A class 1 projector: the same kind, and class 2 commands refused without sending them.
    const int class1 = sim.Port(2);
    const Row class1Rows[] = {
        {2, 0x1007, 0, Data(1), {"%1CLSS ? -> %1CLSS=1"}},
        {1, 0x3002, 1, kNak, {"%1CLSS ? -> %1CLSS=1"}},
        {4, 0x2001, 0, kNak, {"%1CLSS ? -> %1CLSS=1"}},
        {2, 0x2000, 0, kNak, {"%1INPT ? -> %1INPT=59"}}, // an input no code of ours maps to
    };
    for (const Row& row : class1Rows) {
        SCOPED_TRACE(testing::Message() << "class 1, type 0x" << std::hex << row.type);
        const std::size_t before = sim.RequestLines().size();
        Exchange x = Exchanged(class1, row.action, row.type, row.setting);
        ASSERT_EQ(x.sent, 1);
        EXPECT_EQ(x.Reply(), row.reply);
        ASSERT_TRUE(sim.WaitForRequests(before + row.sent.size()));
        EXPECT_EQ(LoggedSince(sim, before), row.sent);
    }
}

TEST(PjlinkLink, InputsOfClassTwoGoOutWithAClassTwoHead) {
    Sandbox box;
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on,input=3A"), PjsimProcess::Pjlink("class=1,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteConf(box, {sim.Port(1), sim.Port(2)}, "[PJLinkInputs]\n300=3A\n");

    Exchange get = Exchanged(sim.Port(1), 2, 0x2000, 0);
    EXPECT_EQ(get.Reply(), Data(300));
    std::size_t before = sim.RequestLines().size();
    Exchange set = Exchanged(sim.Port(1), 1, 0x2000, 300);
    EXPECT_EQ(set.Reply(), kAck);
    ASSERT_TRUE(sim.WaitForRequests(before + 2));
    EXPECT_EQ(LoggedSince(sim, before), (std::vector<std::string>{"%1CLSS ? -> %1CLSS=2", "%2INPT 3A -> %2INPT=OK"}));

    before = sim.RequestLines().size();
    Exchange refused = Exchanged(sim.Port(2), 1, 0x2000, 300);
    EXPECT_EQ(refused.Reply(), kNak);
    ASSERT_TRUE(sim.WaitForRequests(before + 1));
    EXPECT_EQ(LoggedSince(sim, before), std::vector<std::string>{"%1CLSS ? -> %1CLSS=1"});
}

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

TEST(PjlinkLink, LinesThatAnswerSomethingElseFailTheExchangeAndNeverCrash) {
    Sandbox box;
    const std::string overlong = "%1POWR=" + std::string(200, '1') + "\r";
    struct Case {
        const char* what;
        std::string greeting;
        std::string answer; // to every command
        int opened;
    };
    const Case cases[] = {
        {"an answer to another command", "PJLINK 0\r", "%1INPT=31\r", 1},
        {"an answer of another class", "PJLINK 0\r", "%2POWR=1\r", 1},
        {"no '='", "PJLINK 0\r", "%1POWR 1\r", 1},
        {"a value no power state has", "PJLINK 0\r", "%1POWR=7\r", 1},
        {"binary noise", "PJLINK 0\r", std::string("\x00\xff\x1b[2J\x80\r", 8), 1},
        {"a line longer than any answer", "PJLINK 0\r", overlong, 1},
        {"a refusal of the password without one asked", "PJLINK 0\r", "PJLINK ERRA\r", 1},
        {"half an answer", "PJLINK 0\r", "%1POWR=", 1},
        {"a greeting of another protocol", std::string("\x00", 1), "", 0},
        {"a malformed greeting", "PJLINK 1 zz\r", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string answer = c.answer;
        ScriptedProjector fake(c.greeting, [answer](const std::string&) { return answer; });
        WriteConf(box, {fake.Port()});
        Exchange x = Exchanged(fake.Port(), 2, 0x6000, 0);
        EXPECT_EQ(x.opened, c.opened);
        EXPECT_EQ(x.sent, 0);
        EXPECT_EQ(x.Reply(), Bytes{});
        EXPECT_LT(x.ms, kReplyMs + 1500);
    }

    // After a stray answer the connection is out of step and is not used again.
    int commands = 0;
    ScriptedProjector late("PJLINK 0\r", [&commands](const std::string& line) {
        ++commands;
        return line == "%1AVMT 11" ? std::string("%1POWR=OK\r%1AVMT=OK\r") : std::string("%1POWR=OK\r");
    });
    WriteConf(box, {late.Port()});
    CPjtInterface link;
    char ip[64] = "127.0.0.1";
    char pw[64] = "";
    link.CopyData(1, 0, late.Port(), ip, pw);
    ASSERT_EQ(link.Open(&link), 1);
    unsigned char reply[128] = {};
    EXPECT_EQ(link.Send(1, 0x3020, 1, reply, &link), 0);
    EXPECT_EQ(link.Send(1, 0x6000, 1, reply, &link), 0);
    EXPECT_EQ(reply[0], 0);
    link.Close(&link);
    EXPECT_EQ(commands, 1);
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
