#include "linkcore/Frame.h"

#include "support/PjsimProcess.h"
#include "support/RawClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using orvane::test::PjsimProcess;
using orvane::test::RawClient;

TEST(Pjsim, InvalidCommandLinesExitWithTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--bogus"},
        {"--projector", "127.0.0.1:0,colour=red"},
        {"--projector", "1.2.3.4.5:0"},
        {"--projector", "127.0.0.1:0", "--projector", "serial,fault=slow:x"},
    };
    for (const auto& args : bad) {
        std::string output;
        EXPECT_EQ(PjsimProcess::Run(args, &output), 2) << output;
        EXPECT_EQ(output.find("READY"), std::string::npos);
        EXPECT_FALSE(output.empty());
    }
    std::string output;
    EXPECT_EQ(PjsimProcess::Run({"--projector", "127.0.0.1:0,colour=red"}, &output), 2);
    EXPECT_NE(output.find("colour=red"), std::string::npos) << output;
}

TEST(Pjsim, AnnouncesEveryProjectorThenReadyAndStopsCleanly) {
    PjsimProcess sim({PjsimProcess::Tcp(), PjsimProcess::Serial(), PjsimProcess::Tcp("password=x")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_EQ(sim.ProjectorCount(), 3u);
    EXPECT_TRUE(std::regex_match(sim.Address(1), std::regex(R"(127\.0\.0\.1:[1-9][0-9]*)"))) << sim.Address(1);
    EXPECT_NE(sim.Port(1), sim.Port(3));
    EXPECT_EQ(sim.Port(2), 0);
    EXPECT_EQ(sim.PtyPath(2).rfind("/dev/pts/", 0), 0u) << sim.Address(2);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(Pjsim, SurvivesHostileClientsAndLogsEveryRequest) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=3")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    {
        // Junk, a partial frame, then gone.
        RawClient client(sim.Port(1));
        ASSERT_TRUE(client.Connected());
        EXPECT_EQ(client.Read(1), std::string(1, '\0'));
        const unsigned char junk[] = {0x00, 0xFF, 0xA5, 0x13, 0xA5, 0x5A, 0x01};
        client.Write(junk, sizeof junk);
    }
    RawClient a(sim.Port(1));
    RawClient b(sim.Port(1)); // two clients at once
    ASSERT_TRUE(a.Connected() && b.Connected());
    EXPECT_EQ(a.Read(1).size(), 1u);
    EXPECT_EQ(b.Read(1).size(), 1u);

    linkcore::Frame bad = linkcore::EncodeRequest({1, 0x3020, 1});
    bad[9] ^= 0x40;
    a.WriteFrame(bad);
    EXPECT_EQ(a.Read(1), "\x15");
    b.WriteFrame(linkcore::EncodeRequest({2, 0x1007, 0}));
    EXPECT_EQ(b.Read(3), std::string("\x1d\x03\x00", 3));
    // Junk between frames is skipped.
    const unsigned char noise[] = {0x42, 0x5A};
    a.Write(noise, sizeof noise);
    a.WriteFrame(linkcore::EncodeRequest({1, 0x3020, 1}));
    EXPECT_EQ(a.Read(1), "\x06");

    ASSERT_TRUE(sim.WaitForRequests(3));
    std::vector<std::string> lines = sim.RequestLines();
    ASSERT_EQ(lines.size(), 3u);
    const std::regex format(
        R"(REQ [1-9][0-9]* action=[0-9]+ type=0x[0-9a-f]{4} setting=[0-9]+ reply=(ack|nak|data:[0-9]+|none))");
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, format)) << line;
    EXPECT_EQ(lines[0], "REQ 1 action=1 type=0x3020 setting=1 reply=nak");
    EXPECT_EQ(lines[1], "REQ 1 action=2 type=0x1007 setting=0 reply=data:3");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(Pjsim, IdleClientsAreLetGoSoThatTheyCannotLockEveryoneOut) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=3,idle=300")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    // As many silent clients as pjsim serves at once.
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 64; ++i) {
        idle.push_back(std::make_unique<RawClient>(sim.Port(1)));
        ASSERT_TRUE(idle.back()->Connected());
        ASSERT_EQ(idle.back()->Read(1).size(), 1u) << "client " << i;
    }
    for (auto& client : idle)
        EXPECT_TRUE(client->WaitForClose());
    RawClient next(sim.Port(1));
    ASSERT_TRUE(next.Connected());
    EXPECT_EQ(next.Read(1).size(), 1u);
    next.WriteFrame(linkcore::EncodeRequest({2, 0x1007, 0}));
    EXPECT_EQ(next.Read(3), std::string("\x1d\x03\x00", 3));
}

TEST(Pjsim, SerialProjectorForgetsAFrameCutOffByAPause) {
    PjsimProcess sim({PjsimProcess::Serial("kind=4")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    int fd = open(sim.PtyPath(1).c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 30; // reads give up after 3 s
    tcsetattr(fd, TCSANOW, &tio);

    linkcore::Frame frame = linkcore::EncodeRequest({2, 0x1007, 0});
    ASSERT_EQ(write(fd, frame.data(), 4), 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // longer than the frame gap
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
        unsigned char reply[3] = {};
        std::size_t got = 0;
        while (got < sizeof reply) {
            ssize_t n = read(fd, reply + got, sizeof reply - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        ASSERT_EQ(got, 3u);
        EXPECT_EQ(reply[0], 0x1D);
        EXPECT_EQ(reply[1], 4);
    }
    close(fd);
    ASSERT_TRUE(sim.WaitForRequests(2));
    EXPECT_EQ(sim.RequestLines().size(), 2u);
}

TEST(Pjsim, FleetsSitOnConsecutivePortsAndAnswerInBothProtocols) {
    PjsimProcess sim({PjsimProcess::Tcp("kind=4")},
                     {"--fleet", "17,power=on,kind=3", "--fleet", "3,protocol=pjlink,power=on"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_EQ(sim.ProjectorCount(), 21u);
    for (int n = 3; n <= 18; ++n)
        EXPECT_EQ(sim.Port(n), sim.Port(2) + n - 2) << n;
    EXPECT_EQ(sim.Port(21), sim.Port(19) + 2);

    for (int n : {2, 18}) {
        RawClient client(sim.Port(n));
        ASSERT_TRUE(client.Connected()) << n;
        EXPECT_EQ(client.Read(1), std::string(1, '\0'));
        client.WriteFrame(linkcore::EncodeRequest({2, 0x1007, 0}));
        EXPECT_EQ(client.Read(3), std::string("\x1d\x03\x00", 3)) << n;
    }
    RawClient pjlink(sim.Port(20));
    ASSERT_TRUE(pjlink.Connected());
    EXPECT_EQ(pjlink.Read(9), "PJLINK 0\r");
    const std::string ask = "%1POWR ?\r";
    pjlink.Write(reinterpret_cast<const unsigned char*>(ask.data()), ask.size());
    EXPECT_EQ(pjlink.Read(9), "%1POWR=1\r");

    ASSERT_TRUE(sim.WaitForRequests(3));
    const std::vector<std::string> lines = sim.RequestLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "REQ 2 action=2 type=0x1007 setting=0 reply=data:3");
    EXPECT_EQ(lines[1], "REQ 18 action=2 type=0x1007 setting=0 reply=data:3");
    EXPECT_EQ(lines[2].rfind("PJLINK 20 %1POWR ?", 0), 0u) << lines[2];
    EXPECT_EQ(sim.Stop(), 0);
}
