// pjsim's PJLink side: its options, its answers to any PJLink client's commands, and the
// connection as a client that is not ours sees it.

#include "PjlinkService.h"
#include "PjlinkNotifier.h"
#include "ProjectorDef.h"
#include "RequestLog.h"

#include "linkcore/PjlinkLine.h"
#include "support/PjsimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pjsim;
using orvane::test::PjsimProcess;

namespace {

ProjectorDef Parse(const std::string& text) {
    ProjectorDef def;
    std::string error;
    EXPECT_TRUE(ParseProjectorDef(text, def, error)) << text << ": " << error;
    return def;
}

// One simulated PJLink projector without a socket; the log is thrown away.
struct Projector {
    explicit Projector(const std::string& options) : def(Parse("127.0.0.1:0,protocol=pjlink," + options)) {
        std::string error;
        log.Open("/dev/null", error);
    }
    ProjectorDef def;
    RequestLog log;
    ProjectorService service{1, def, log};
    PjlinkService pjlink{service};

    std::string Ask(const std::string& line) { return pjlink.Answer(line); }
};

// A client that is not ours: raw lines over TCP, every read bounded.
class LineClient {
public:
    explicit LineClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~LineClient() { close(fd_); }
    bool Connected() const { return connected_; }
    void Write(const std::string& text) { send(fd_, text.data(), text.size(), MSG_NOSIGNAL); }
    // The next line without its CR; empty when none comes within timeoutMs.
    std::string ReadLine(int timeoutMs = 3000) {
        for (;;) {
            const std::size_t cr = pending_.find('\r');
            if (cr != std::string::npos) {
                std::string line = pending_.substr(0, cr);
                pending_.erase(0, cr + 1);
                return line;
            }
            pollfd p{fd_, POLLIN, 0};
            char buffer[256];
            ssize_t n = 0;
            if (poll(&p, 1, timeoutMs) <= 0 || (n = read(fd_, buffer, sizeof buffer)) <= 0)
                return std::string();
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::string pending_;
};

} // namespace

TEST(PjlinkProjectorDef, OptionsAndWhatIsRefused) {
    ProjectorDef def = Parse("127.0.0.1:0,protocol=pjlink,class=2,input=3A,lamp=4321,error=012000,name=Hall A");
    EXPECT_EQ(def.protocol, Protocol::Pjlink);
    EXPECT_EQ(def.pjlinkClass, 2);
    EXPECT_EQ(DecodePjlinkInput(def.sim.input), "3A");
    EXPECT_EQ(def.lampHours, 4321);
    EXPECT_EQ(def.errorStatus, "012000");
    // The input option is read after the protocol, wherever it stands.
    EXPECT_EQ(DecodePjlinkInput(Parse("127.0.0.1:0,input=21,protocol=pjlink").sim.input), "21");
    EXPECT_EQ(Parse("127.0.0.1:0,input=21").sim.input, 21);
    EXPECT_EQ(Parse("127.0.0.1:0,protocol=pjlink").pjlinkClass, 1);
    EXPECT_EQ(Parse("127.0.0.1:0,protocol=pjlink,quirks=lf+prompt+lower+nul+echo").quirks,
              kQuirkLf | kQuirkPrompt | kQuirkLower | kQuirkNul | kQuirkEcho);

    for (const char* bad :
         {"127.0.0.1:0,protocol=pjlink,class=3", "127.0.0.1:0,protocol=pjlink,input=3A",
          "127.0.0.1:0,protocol=pjlink,class=2,input=61", "127.0.0.1:0,protocol=pjlink,input=3",
          "127.0.0.1:0,protocol=pjlink,error=0120", "127.0.0.1:0,protocol=pjlink,error=012003",
          "127.0.0.1:0,protocol=pjlink,name=a=b", "127.0.0.1:0,lamp=5", "127.0.0.1:0,class=2", "127.0.0.1:0,input=31A",
          "serial,protocol=pjlink", "127.0.0.1:0,protocol=other", "127.0.0.1:0,protocol=pjlink,quirks=lf+shout",
          "127.0.0.1:0,quirks=lf", "127.0.0.1:0,fault=err4", "127.0.0.1:0,notify=off",
          "127.0.0.1:0,protocol=pjlink,notify=127.0.0.1", "127.0.0.1:0,protocol=pjlink,notify=127.0.0.1:0"}) {
        ProjectorDef out;
        std::string error;
        EXPECT_FALSE(ParseProjectorDef(bad, out, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

// A class 2 projector tells each change of its state, in one line per item, to notify= or,
// without it, to port 4352 of the controller that connected last.
TEST(PjlinkNotifier, TellsEachChangeWhereTheOptionsSay) {
    Projector p("class=2,power=on,input=31,notify=127.0.0.1:4999");
    const PjlinkSnapshot before = TakeSnapshot(p.service, {});
    EXPECT_EQ(before, (PjlinkSnapshot{"1", "31", "30", "000000"}));
    EXPECT_TRUE(NotificationsFor(before, TakeSnapshot(p.service, before)).empty());
    EXPECT_EQ(p.Ask("%2INPT 3A"), "%2INPT=ERR2"); // no such input here: nothing changes
    EXPECT_EQ(p.Ask("%1INPT 32"), "%1INPT=OK");
    EXPECT_EQ(p.Ask("%1AVMT 31"), "%1AVMT=OK");
    EXPECT_EQ(p.Ask("%1POWR 0"), "%1POWR=OK");
    const PjlinkSnapshot after = TakeSnapshot(p.service, before);
    EXPECT_EQ(NotificationsFor(before, after), (std::vector<std::string>{"%2POWR=0\r", "%2INPT=32\r", "%2AVMT=31\r"}));

    std::string host;
    int port = 0;
    ASSERT_TRUE(NotifyTarget(p.def, "", host, port));
    EXPECT_EQ(host + ":" + std::to_string(port), "127.0.0.1:4999");
    const ProjectorDef plain = Parse("127.0.0.1:0,protocol=pjlink,class=2");
    EXPECT_FALSE(NotifyTarget(plain, "", host, port)); // nobody has connected yet
    ASSERT_TRUE(NotifyTarget(plain, "127.0.0.5", host, port));
    EXPECT_EQ(host + ":" + std::to_string(port), "127.0.0.5:4352");
    EXPECT_FALSE(NotifyTarget(Parse("127.0.0.1:0,protocol=pjlink,class=2,notify=off"), "127.0.0.5", host, port));
}

TEST(PjlinkService, AnswersWhatClientsAskOnConnect) {
    Projector p("class=2,power=on,input=31,lamp=1500,error=001000,name=Hall A");
    EXPECT_EQ(p.Ask("%1CLSS ?"), "%1CLSS=2");
    EXPECT_EQ(p.Ask("%1NAME ?"), "%1NAME=Hall A");
    EXPECT_EQ(p.Ask("%1INF1 ?"), "%1INF1=ORVANE");
    EXPECT_EQ(p.Ask("%1INF2 ?"), "%1INF2=pjsim");
    EXPECT_EQ(p.Ask("%1INFO ?"), "%1INFO=simulated projector");
    EXPECT_EQ(p.Ask("%1LAMP ?"), "%1LAMP=1500 1");
    EXPECT_EQ(p.Ask("%1ERST ?"), "%1ERST=001000");
    EXPECT_EQ(p.Ask("%1POWR ?"), "%1POWR=1");
    EXPECT_EQ(p.Ask("%1INPT ?"), "%1INPT=31");
    EXPECT_EQ(p.Ask("%1AVMT ?"), "%1AVMT=30");
    EXPECT_EQ(p.Ask("%2INST ?"), "%2INST=11 12 13 14 21 22 23 31 32 33 34 35 36 37 38 41 42 51");
    EXPECT_EQ(p.Ask("%2SNUM ?"), "%2SNUM=PJSIM0001");
    EXPECT_EQ(p.Ask("%2SVER ?"), "%2SVER=1.0");
    EXPECT_EQ(p.Ask("%2RFIL ?"), "%2RFIL=FLT-100");
    EXPECT_EQ(p.Ask("%2RLMP ?"), "%2RLMP=LMP-200");
    EXPECT_EQ(p.Ask("%2FILT ?"), "%2FILT=350");
    EXPECT_EQ(p.Ask("%2FREZ ?"), "%2FREZ=0");
    EXPECT_EQ(p.Ask("%2INNM ?32"), "%2INNM=HDMI 2");
    EXPECT_EQ(p.Ask("%2IRES ?"), "%2IRES=1920x1080");
    EXPECT_EQ(p.Ask("%2POWR ?"), "%2POWR=1"); // a class 2 head on a class 1 command

    // Unknown commands, bad parameters, and lines that are no command.
    EXPECT_EQ(p.Ask("%1XYZW ?"), "%1XYZW=ERR1");
    EXPECT_EQ(p.Ask("%1FREZ ?"), "%1FREZ=ERR1"); // a class 2 command with a class 1 head
    EXPECT_EQ(p.Ask("%1POWR 7"), "%1POWR=ERR2");
    EXPECT_EQ(p.Ask("%1INPT 59"), "%1INPT=ERR2");
    EXPECT_EQ(p.Ask("%1NAME 1"), "%1NAME=ERR2");
    EXPECT_EQ(p.Ask("%1POWR=1"), "%1POWR=ERR2");
    EXPECT_EQ(p.Ask("%1XYZW=1"), "%1XYZW=ERR1");
    EXPECT_EQ(p.Ask("hello"), "");
    EXPECT_EQ(p.Ask("%9POWR ?"), "");

    EXPECT_EQ(p.pjlink.SearchAnswer("%2SRCH\r"), "%2ACKN=02:4F:52:56:00:01\r");
    EXPECT_EQ(p.pjlink.SearchAnswer("%2SRCH"), "%2ACKN=02:4F:52:56:00:01\r");
    EXPECT_EQ(p.pjlink.SearchAnswer("%1SRCH\r"), "");
}

TEST(PjlinkService, ClassOneStateAndFaults) {
    Projector p("power=off,warm=60000");
    EXPECT_EQ(p.Ask("%1CLSS ?"), "%1CLSS=1");
    EXPECT_EQ(p.Ask("%2INST ?"), "%2INST=ERR1");
    EXPECT_EQ(p.Ask("%2FREZ 1"), "%2FREZ=ERR1");
    EXPECT_EQ(p.Ask("%1INST ?"), "%1INST=11 12 13 14 21 22 23 31 32 33 34 35 36 37 38 41 42 51");
    EXPECT_EQ(p.Ask("%1NAME ?"), "%1NAME=pjsim 1");
    EXPECT_EQ(p.Ask("%1LAMP ?"), "%1LAMP=1200 0");
    // Off: everything but power is refused as "unavailable time", queries still answered.
    EXPECT_EQ(p.Ask("%1AVMT 11"), "%1AVMT=ERR3");
    EXPECT_EQ(p.Ask("%1INPT 21"), "%1INPT=ERR3");
    EXPECT_EQ(p.Ask("%1INPT ?"), "%1INPT=11");
    EXPECT_EQ(p.Ask("%1POWR 1"), "%1POWR=OK");
    EXPECT_EQ(p.Ask("%1POWR ?"), "%1POWR=3");
    EXPECT_EQ(p.Ask("%1LAMP ?"), "%1LAMP=1200 1");
    EXPECT_EQ(p.Ask("%1AVMT 11"), "%1AVMT=ERR3");
    EXPECT_EQ(p.Ask("%1POWR 0"), "%1POWR=OK");
    EXPECT_EQ(p.Ask("%1POWR ?"), "%1POWR=2");
    EXPECT_EQ(p.pjlink.SearchAnswer("%2SRCH\r"), ""); // the search is class 2

    Projector refusing("power=on,fault=nak");
    EXPECT_EQ(refusing.Ask("%1POWR ?"), "%1POWR=ERR3");
    EXPECT_EQ(refusing.Ask("%1XYZW ?"), "%1XYZW=ERR1");

    Projector failing("power=on,fault=err4,class=2");
    for (const char* command : {"%1POWR ?", "%1POWR 1", "%2FREZ ?", "%1XYZW ?"})
        EXPECT_EQ(failing.Ask(command), std::string(command).substr(0, 6) + "=ERR4") << command;
    Projector laser("power=on,lamp=none");
    EXPECT_EQ(laser.Ask("%1LAMP ?"), "%1LAMP=ERR1");
}

TEST(PjlinkService, ClassOneListsOnlyTheInputsItsCommandsCanSelect) {
    Projector p("class=2,input=3A");
    const std::string classOne = "11 12 13 14 21 22 23 31 32 33 34 35 36 37 38 41 42 51";
    EXPECT_EQ(p.Ask("%1INST ?"), "%1INST=" + classOne);
    EXPECT_EQ(p.Ask("%2INST ?"), "%2INST=" + classOne + " 3A");
}

TEST(PjlinkService, AnyClientGetsAGreetingAndOneLinePerCommandInOrder) {
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on"), PjsimProcess::Pjlink("password=secret")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    LineClient client(sim.Port(1));
    ASSERT_TRUE(client.Connected());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.ReadLine(1000), "PJLINK 0");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // Several commands in one write, one of them noise: each command gets its line, in order.
    client.Write("%2CLSS ?\r%1POWR ?\rnoise\r%1ABCD ?\r%2FREZ 1\r%2FREZ ?\r");
    EXPECT_EQ(client.ReadLine(), "%2CLSS=2");
    EXPECT_EQ(client.ReadLine(), "%1POWR=1");
    EXPECT_EQ(client.ReadLine(), "%1ABCD=ERR1");
    EXPECT_EQ(client.ReadLine(), "%2FREZ=OK");
    EXPECT_EQ(client.ReadLine(), "%2FREZ=1");
    EXPECT_EQ(client.ReadLine(300), "");

    LineClient secured(sim.Port(2));
    const std::string greeting = secured.ReadLine(1000);
    linkcore::pjlink::Greeting parsed;
    ASSERT_TRUE(linkcore::pjlink::ParseGreeting(greeting, parsed)) << greeting;
    ASSERT_TRUE(parsed.auth);
    secured.Write(linkcore::pjlink::AuthDigest(parsed.random, "secret") + "%1POWR ?\r%1NAME ?\r");
    EXPECT_EQ(secured.ReadLine(), "%1POWR=0");
    EXPECT_EQ(secured.ReadLine(), "%1NAME=pjsim 2");

    // An overlong line ends the connection rather than the simulator.
    LineClient hostile(sim.Port(1));
    EXPECT_EQ(hostile.ReadLine(1000), "PJLINK 0");
    hostile.Write(std::string(500, 'A'));
    EXPECT_EQ(hostile.ReadLine(1000), "");
    LineClient after(sim.Port(1));
    EXPECT_EQ(after.ReadLine(1000), "PJLINK 0");
}
