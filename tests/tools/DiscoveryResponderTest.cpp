#include "DiscoveryResponder.h"

#include <gtest/gtest.h>

namespace pjsim {
namespace {

TEST(DiscoveryResponder, AnswersOnlyWellFormedProbes) {
    std::string id;
    EXPECT_TRUE(DiscoveryResponder::ParseProbe("ORVANE-DISCOVER/1 9f3c\n", id));
    EXPECT_EQ(id, "9f3c");
    EXPECT_TRUE(DiscoveryResponder::ParseProbe("ORVANE-DISCOVER/1 ABCDEF0123456789\r\n", id));
    EXPECT_EQ(id, "ABCDEF0123456789");
    for (const char* bad :
         {"", "ORVANE-DISCOVER/1 \n", "ORVANE-DISCOVER/1 12345678901234567\n", "ORVANE-DISCOVER/1 12g4\n",
          "ORVANE-DISCOVER/2 1\n", "ORVANE-PROJECTOR/1 1\n", "orvane-discover/1 1\n", "ORVANE-DISCOVER/1  1\n"})
        EXPECT_FALSE(DiscoveryResponder::ParseProbe(bad, id)) << bad;
    EXPECT_FALSE(DiscoveryResponder::ParseProbe("ORVANE-DISCOVER/1 1\n" + std::string(1100, 'x'), id));
}

TEST(DiscoveryResponder, AnswerCarriesNameInfoAndAddressCut) {
    DiscoveryEntry e{std::string(70, 'n'), "127.0.0.1:40521 and far too much more", "127.0.0.1"};
    const std::string answer = DiscoveryResponder::FormatAnswer("9f3c", e);
    EXPECT_EQ(answer, "ORVANE-PROJECTOR/1 9f3c\nname=" + std::string(64, 'n') +
                          "\ninfo=127.0.0.1:40521 and far too muc\naddr=127.0.0.1\n");
    DiscoveryEntry broken{"Hall\nA", "x", "127.0.0.1"};
    EXPECT_NE(DiscoveryResponder::FormatAnswer("1", broken).find("name=Hall A\n"), std::string::npos);
}

TEST(DiscoveryResponder, HostAndPortArgument) {
    std::string host, error;
    int port = -1;
    EXPECT_TRUE(DiscoveryResponder::ParseHostPort("127.0.0.1:0", host, port, error));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(DiscoveryResponder::ParseHostPort("localhost:9716", host, port, error));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 9716);
    for (const char* bad : {"127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1", "host:1", ":1"})
        EXPECT_FALSE(DiscoveryResponder::ParseHostPort(bad, host, port, error)) << bad;
}

} // namespace
} // namespace pjsim
