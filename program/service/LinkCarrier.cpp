#include "service/LinkCarrier.h"

#include <boost/asio/post.hpp>

#include <algorithm>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::service {

namespace asio = boost::asio;
using linkcore::SessionClock;
using linkcore::SessionTime;

asio::execution_context::id LinkCarrier::id;

namespace {

// Events taken from the set per system call, and calls per wake-up before the loop's other
// work gets its turn.
constexpr int kBatch = 64;
constexpr int kRoundsPerWake = 8;

} // namespace

LinkCarrier::LinkCarrier(asio::io_context& loop)
    : asio::execution_context::service(loop), loop_(loop), epoll_(epoll_create1(EPOLL_CLOEXEC)), watch_(loop),
      timer_(loop) {
    if (epoll_ < 0)
        return; // every Watch fails, and so every connection: told as unreachable projectors
    boost::system::error_code ec;
    watch_.assign(epoll_, ec);
    if (ec) {
        close(epoll_);
        epoll_ = -1;
    }
}

LinkCarrier::~LinkCarrier() {
    try {
        shutdown();
    } catch (...) {
        // Only the timer's cancel can throw, and the loop that would run its handler is going.
    }
}

LinkCarrier& LinkCarrier::Of(asio::io_context& loop) {
    return asio::use_service<LinkCarrier>(loop);
}

void LinkCarrier::shutdown() {
    if (over_)
        return;
    over_ = true;
    boost::system::error_code ignored;
    timer_.cancel();
    watch_.close(ignored); // and with it the set
    epoll_ = -1;
    deadlines_.clear();
    for (auto& connection : connections_)
        connection->deadline_.reset();
    connections_.clear();
}

LinkCarrier::Connection& LinkCarrier::Adopt(std::unique_ptr<Connection> connection) {
    connections_.push_back(std::move(connection));
    return *connections_.back();
}

bool LinkCarrier::Watch(Connection& connection, int fd, std::uint32_t events) {
    if (over_ || epoll_ < 0)
        return false;
    if (connection.fd_ == fd && connection.watched_ == events)
        return true;
    epoll_event ev{};
    ev.events = events;
    ev.data.ptr = &connection;
    const int op = connection.fd_ == fd ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (epoll_ctl(epoll_, op, fd, &ev) != 0)
        return false;
    connection.fd_ = fd;
    connection.watched_ = events;
    if (!waiting_ && !drainPosted_ && telling_ == 0)
        WaitForEvents();
    return true;
}

void LinkCarrier::WakeAt(Connection& connection, std::optional<SessionTime> at) {
    if (connection.deadline_) {
        auto& it = *connection.deadline_;
        if (at && it->first == *at)
            return;
        // The node is moved to its new place rather than made anew: this happens at every
        // request.
        auto node = deadlines_.extract(it);
        connection.deadline_.reset();
        if (at) {
            node.key() = *at;
            connection.deadline_ = deadlines_.insert(std::move(node));
        }
    } else if (at) {
        connection.deadline_ = deadlines_.emplace(*at, &connection);
    }
    if (telling_ == 0)
        ArmTimer();
}

void LinkCarrier::Drop(Connection& connection) {
    if (connection.dropped_)
        return;
    WakeAt(connection, std::nullopt);
    connection.dropped_ = true;
    connection.fd_ = -1;
    ++dropped_;
    // Freed once nothing of it is on the stack any more.
    if (telling_ == 0 && !reapPosted_ && !over_) {
        reapPosted_ = true;
        asio::post(loop_, [this] {
            reapPosted_ = false;
            Reap();
        });
    }
}

void LinkCarrier::WaitForEvents() {
    if (over_ || epoll_ < 0)
        return;
    waiting_ = true;
    watch_.async_wait(asio::posix::stream_descriptor::wait_read, [this](const boost::system::error_code& error) {
        waiting_ = false;
        if (error || over_)
            return;
        OnEvents();
    });
}

void LinkCarrier::OnEvents() {
    ++telling_;
    epoll_event events[kBatch];
    // Whether a descriptor still ready wakes the loop again is the kernel's affair (the loop's
    // own watch of the set is edge-triggered). One is still ready only when it was not told
    // (the answer was full) or its read filled the buffer; otherwise every descriptor told
    // has had what it was told of taken, and the next change wakes the loop.
    bool told = false;
    for (int round = 0; round < kRoundsPerWake && !told; ++round) {
        const int n = epoll_wait(epoll_, events, kBatch, 0);
        if (n < 0 && errno == EINTR)
            continue;
        fullRead_ = false;
        const SessionTime now = SessionClock::now();
        for (int i = 0; i < n; ++i) {
            auto* connection = static_cast<Connection*>(events[i].data.ptr);
            if (!connection->dropped_)
                connection->OnReady(events[i].events, now);
        }
        told = n < kBatch && !fullRead_;
    }
    --telling_;
    Reap();
    ArmTimer();
    if (over_)
        return;
    if (!told) {
        drainPosted_ = true;
        asio::post(loop_, [this] {
            drainPosted_ = false;
            if (!over_)
                OnEvents();
        });
        return;
    }
    if (!waiting_)
        WaitForEvents();
}

ssize_t LinkCarrier::Read(int fd, bool socket, linkcore::ByteView& bytes) {
    const ssize_t n = socket ? recv(fd, buffer_.data(), buffer_.size(), 0) : read(fd, buffer_.data(), buffer_.size());
    bytes = linkcore::ByteView(buffer_.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
    if (n == static_cast<ssize_t>(buffer_.size()))
        fullRead_ = true;
    return n;
}

void LinkCarrier::OnTimer() {
    ++telling_;
    const SessionTime now = SessionClock::now();
    // Taken out first: a connection told may set a new deadline, even one already due.
    std::vector<Connection*> due;
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        Connection* connection = deadlines_.begin()->second;
        connection->deadline_.reset();
        deadlines_.erase(deadlines_.begin());
        due.push_back(connection);
    }
    for (Connection* connection : due) {
        if (!connection->dropped_)
            connection->OnDeadline(now);
    }
    --telling_;
    Reap();
    ArmTimer();
}

void LinkCarrier::ArmTimer() {
    if (over_ || deadlines_.empty())
        return;
    const SessionTime earliest = deadlines_.begin()->first;
    // A timer set for earlier than needed is left alone: it wakes, finds nothing due and is
    // set again. Most deadlines only move later, one reply time-out ahead at every request.
    if (armedFor_ && *armedFor_ <= earliest)
        return;
    armedFor_ = earliest;
    timer_.expires_at(earliest);
    timer_.async_wait([this, earliest](const boost::system::error_code& error) {
        if (error || over_ || armedFor_ != earliest)
            return;
        armedFor_.reset();
        OnTimer();
    });
}

void LinkCarrier::Reap() {
    if (dropped_ == 0 || telling_ != 0)
        return;
    std::erase_if(connections_, [](const std::unique_ptr<Connection>& c) { return c->dropped_; });
    dropped_ = 0;
}

} // namespace orvane::service
