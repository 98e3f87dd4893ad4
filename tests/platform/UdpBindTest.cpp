#include "platform/UdpBind.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace orvane {
namespace {

TEST(UdpBind, PicksAPortAndTellsWhyABindFails) {
    std::string error;
    int port = 0;
    const int fd = BindUdp("127.0.0.1", port, error);
    ASSERT_GE(fd, 0) << error;
    EXPECT_GT(port, 0);

    struct Case {
        const char* host;
        int port;
        int errnoValue;
        const char* error;
    };
    const Case cases[] = {
        {"127.0.0.1", port, EADDRINUSE, "cannot bind UDP 127.0.0.1:"},
        {"", port, EADDRINUSE, "cannot bind UDP *:"},
        {"127.0.0.300", 0, EINVAL, "not an IPv4 address: 127.0.0.300"},
    };
    for (const Case& c : cases) {
        int taken = c.port;
        error.clear();
        EXPECT_LT(BindUdp(c.host, taken, error), 0) << c.host;
        EXPECT_EQ(errno, c.errnoValue) << c.host;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        EXPECT_EQ(taken, c.port) << c.host;
    }
    close(fd);
}

} // namespace
} // namespace orvane
