#include "service/LinkCarrier.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using linkcore::SessionClock;
using linkcore::SessionTime;
using orvane::service::LinkCarrier;
using namespace std::chrono_literals;

// A connection over one end of a loopback connection that reads what it is told is there and keeps a
// log of what it was told; `onReady`/`onDeadline` let a case act from inside a telling.
struct Probe final : LinkCarrier::Connection {
    LinkCarrier* carrier = nullptr;
    int fd = -1;
    std::string read;
    std::vector<SessionTime> deadlines;
    int readies = 0;
    std::function<void(Probe&)> onReady;
    std::function<void(Probe&)> onDeadline;
    int* freed = nullptr;

    ~Probe() override {
        if (fd >= 0)
            close(fd);
        if (freed != nullptr)
            ++*freed;
    }
    void OnReady(std::uint32_t events, SessionTime) override {
        ++readies;
        if ((events & EPOLLIN) != 0) {
            linkcore::ByteView bytes;
            if (carrier->Read(fd, true, bytes) > 0)
                read.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        if (onReady)
            onReady(*this);
    }
    void OnDeadline(SessionTime now) override {
        deadlines.push_back(now);
        if (onDeadline)
            onDeadline(*this);
    }
};

class LinkCarrierTest : public ::testing::Test {
protected:
    // A probe on one end of a new loopback TCP connection; the other end is returned in `peer`.
    Probe& Add(int& peer) {
        int ends[2] = {-1, -1};
        EXPECT_TRUE(ConnectedPair(ends));
        peers_.push_back(ends[1]);
        peer = ends[1];
        auto probe = std::make_unique<Probe>();
        probe->carrier = &carrier_;
        probe->fd = ends[0];
        auto& added = static_cast<Probe&>(carrier_.Adopt(std::move(probe)));
        EXPECT_TRUE(carrier_.Watch(added, added.fd, EPOLLIN));
        return added;
    }
    static bool ConnectedPair(int (&ends)[2]) {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const bool ok =
            bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, 1) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            (ends[0] = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) >= 0 &&
            (connect(ends[0], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS) &&
            (ends[1] = accept(listener, nullptr, nullptr)) >= 0;
        close(listener);
        return ok;
    }
    void RunFor(std::chrono::milliseconds span) {
        loop_.restart();
        loop_.run_for(span);
    }
    ~LinkCarrierTest() override {
        for (int fd : peers_)
            close(fd);
    }

    boost::asio::io_context loop_;
    LinkCarrier& carrier_ = LinkCarrier::Of(loop_);
    std::vector<int> peers_;
};

// More descriptors ready at once than one read of the set returns, and one with more bytes
// than one read takes: each is told until all it had is read, without another byte arriving.
TEST_F(LinkCarrierTest, EveryReadyDescriptorIsToldUntilItIsRead) {
    std::vector<Probe*> probes;
    std::vector<std::string> sent;
    for (int i = 0; i < 150; ++i) {
        int peer = -1;
        probes.push_back(&Add(peer));
        // The first one has more waiting than one read takes.
        sent.push_back(i == 0 ? std::string(20'000, 'x') : "answer " + std::to_string(i));
        ASSERT_EQ(send(peer, sent.back().data(), sent.back().size(), 0), static_cast<ssize_t>(sent.back().size()));
    }
    RunFor(200ms);
    for (std::size_t i = 0; i < probes.size(); ++i)
        EXPECT_EQ(probes[i]->read, sent[i]) << "probe " << i;
    EXPECT_GE(probes[0]->readies, 5);
}

// Deadlines come in their order however they were moved: one moved later does not come at its
// old time, one moved earlier than the timer was set for comes at its new one (not together
// with a later one), and a cleared one never comes.
TEST_F(LinkCarrierTest, DeadlinesComeWhenLastSet) {
    struct Case {
        const char* what;
        std::chrono::milliseconds first;
        std::optional<std::chrono::milliseconds> then; // moved here once the timer is set
    };
    const std::vector<Case> cases = {
        {"moved earlier", 150ms, 20ms},
        {"kept", 60ms, 60ms},
        {"moved later", 100ms, 120ms},
        {"cleared", 80ms, std::nullopt},
    };
    const SessionTime start = SessionClock::now();
    std::vector<Probe*> probes;
    for (const Case& c : cases) {
        int peer = -1;
        Probe& probe = Add(peer);
        carrier_.WakeAt(probe, start + c.first);
        probes.push_back(&probe);
    }
    RunFor(1ms);
    for (std::size_t i = 0; i < cases.size(); ++i)
        carrier_.WakeAt(*probes[i], cases[i].then ? std::optional(start + *cases[i].then) : std::nullopt);
    RunFor(300ms);
    std::optional<SessionTime> previous;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        if (!cases[i].then) {
            EXPECT_TRUE(probes[i]->deadlines.empty());
            continue;
        }
        ASSERT_EQ(probes[i]->deadlines.size(), 1U);
        EXPECT_GE(probes[i]->deadlines[0], start + *cases[i].then);
        if (previous) {
            EXPECT_GT(probes[i]->deadlines[0], *previous);
        }
        previous = probes[i]->deadlines[0];
    }
}

// A connection that drops itself (and another) while told is told nothing more and is freed
// once the telling is over; the carrier goes on with the rest.
TEST_F(LinkCarrierTest, ADroppedConnectionIsFreedAfterItsTellingAndToldNoMore) {
    int freed = 0;
    int firstPeer = -1, secondPeer = -1, thirdPeer = -1;
    Probe& first = Add(firstPeer);
    Probe& second = Add(secondPeer);
    Probe& third = Add(thirdPeer);
    first.freed = &freed;
    second.freed = &freed;
    first.onReady = [&](Probe& self) {
        close(self.fd);
        self.fd = -1;
        carrier_.Drop(self);
        close(second.fd);
        second.fd = -1;
        carrier_.Drop(second);
        EXPECT_EQ(freed, 0);
    };
    second.onReady = [](Probe&) { ADD_FAILURE() << "a dropped connection was told"; };
    second.onDeadline = [](Probe&) { ADD_FAILURE() << "a dropped connection was told its deadline"; };
    carrier_.WakeAt(second, SessionClock::now() + 20ms);
    for (int peer : {firstPeer, secondPeer, thirdPeer})
        ASSERT_EQ(send(peer, "x", 1, 0), 1);
    RunFor(100ms);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(third.read, "x");
    EXPECT_EQ(carrier_.Carried(), 1U);
}

// A deadline set from inside OnDeadline, even one already due, still comes: the timer is set
// again once the telling is over.
TEST_F(LinkCarrierTest, ADeadlineSetWhileToldStillComes) {
    int peer = -1;
    Probe& probe = Add(peer);
    probe.onDeadline = [&](Probe& self) {
        if (self.deadlines.size() < 3)
            carrier_.WakeAt(self, SessionClock::now() + (self.deadlines.size() == 1 ? -1ms : 10ms));
    };
    carrier_.WakeAt(probe, SessionClock::now());
    RunFor(100ms);
    EXPECT_EQ(probe.deadlines.size(), 3U);
}

} // namespace
