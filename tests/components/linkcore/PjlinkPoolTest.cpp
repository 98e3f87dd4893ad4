// The kept PJLink connections: what is lent out again and what is closed instead, on socket
// pairs in memory.

#include "linkcore/PjlinkPool.h"
#include "linkcore/PjlinkSession.h"

#include "support/SessionPeer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

using namespace linkcore;

namespace {

// A connection whose session is open: our end of a socket pair; the projector's end stays
// with the test.
struct Pair {
    Pair() {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        ours = fds[0];
        theirs = fds[1];
        auto session = std::make_unique<PjlinkSession>("pw");
        orvane::test::SessionPeer peer(*session);
        peer.Connect();
        peer.Give("PJLINK 0\r");
        connection = {ours, std::move(session)};
    }
    ~Pair() { close(theirs); }
    int ours = -1;
    int theirs = -1;
    PjlinkPool::Connection connection;
};

} // namespace

TEST(PjlinkPool, LendsAKeptConnectionOnlyWhileItIsFitForUse) {
    const SessionTime t0{};
    struct Case {
        const char* what;
        int takeAfterMs;
        int port;
        const char* password;
        const char* projectorSends; // nullptr: the projector closes its end
        bool lent;
    };
    const Case cases[] = {
        {"the same projector soon after", 19999, 4352, "pw", "", true},
        {"idle for the limit", PjlinkPool::kIdleLimitMs, 4352, "pw", "", false},
        {"another port", 0, 4353, "pw", "", false},
        {"another password", 0, 4352, "other", "", false},
        {"closed by the projector", 0, 4352, "pw", nullptr, false},
        {"a line nobody asked for", 0, 4352, "pw", "%1POWR=1\r", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PjlinkPool pool;
        Pair pair;
        pool.Put("127.0.0.1", 4352, "pw", std::move(pair.connection), t0);
        if (c.projectorSends == nullptr) {
            close(pair.theirs);
            pair.theirs = -1;
        } else if (*c.projectorSends != '\0') {
            ASSERT_GT(write(pair.theirs, c.projectorSends, 9), 0);
        }
        PjlinkPool::Connection got =
            pool.Take("127.0.0.1", c.port, c.password, t0 + std::chrono::milliseconds(c.takeAfterMs));
        EXPECT_EQ(got.session != nullptr, c.lent);
        EXPECT_EQ(got.fd, c.lent ? pair.ours : -1);
        if (c.lent) {
            char byte = 0;
            ASSERT_EQ(write(got.fd, "x", 1), 1);
            ASSERT_EQ(read(pair.theirs, &byte, 1), 1);
            // Lent once: the next caller to the same projector opens one of its own.
            EXPECT_EQ(pool.Take("127.0.0.1", 4352, "pw", t0).session, nullptr);
            close(got.fd);
        }
    }
}
