#pragma once

#include "linkcore/Session.h"

#include <boost/asio/execution_context.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace orvane::service {

// Carries the descriptors of the link's connections on one epoll set of its own, which the
// loop watches as a single descriptor, and wakes them at their sessions' deadlines through a
// single loop timer. A poll of a thousand projectors makes a dozen system calls per
// connection here, the same as a bare epoll loop would, and none of the per-operation work of
// the loop's sockets (an operation object, a speculative read, a timer re-armed at every
// request): on a busy service that work cost more than the exchanges themselves.
//
// The set is level-triggered: a connection is told of its descriptor for as long as it is
// ready, and reads once per telling. One carrier per loop, made on first use.
class LinkCarrier final : public boost::asio::execution_context::service {
public:
    // One connection carried. Kept by the carrier from Adopt until it calls Drop, and freed
    // after the telling under way, so that a connection may drop itself while it is told.
    class Connection {
    public:
        virtual ~Connection() = default;
        // The descriptor is ready (EPOLLIN, EPOLLOUT, EPOLLHUP, EPOLLERR).
        virtual void OnReady(std::uint32_t events, linkcore::SessionTime now) = 0;
        // The deadline given last to WakeAt has come.
        virtual void OnDeadline(linkcore::SessionTime now) = 0;

    private:
        friend class LinkCarrier;
        using Deadlines = std::multimap<linkcore::SessionTime, Connection*>;
        int fd_ = -1;
        std::uint32_t watched_ = 0;
        bool dropped_ = false;
        std::optional<Deadlines::iterator> deadline_;
    };

    static boost::asio::execution_context::id id;

    explicit LinkCarrier(boost::asio::io_context& loop);
    ~LinkCarrier() override;
    LinkCarrier(const LinkCarrier&) = delete;
    LinkCarrier& operator=(const LinkCarrier&) = delete;

    // The carrier of this loop.
    static LinkCarrier& Of(boost::asio::io_context& loop);

    Connection& Adopt(std::unique_ptr<Connection> connection);
    // Tells the connection of its open descriptor `fd` for `events` (EPOLLIN, EPOLLOUT); a
    // second call changes what it is told of. False when the descriptor cannot be watched.
    [[nodiscard]] bool Watch(Connection& connection, int fd, std::uint32_t events);
    // OnDeadline at `at`; none: never.
    void WakeAt(Connection& connection, std::optional<linkcore::SessionTime> at);
    // The connection is done: it has closed its descriptor (which leaves the set with it),
    // and is told nothing more.
    void Drop(Connection& connection);

    std::size_t Carried() const { return connections_.size(); }
    // Reads what `fd` (a socket, or else a serial line) has into the carrier's buffer, which
    // all connections share, as a read is done with before the next one is told: the count
    // (`bytes` holds them until the next read), 0 at the end of the stream, -1 with errno.
    [[nodiscard]] ssize_t Read(int fd, bool socket, linkcore::ByteView& bytes);

private:
    void shutdown() override;
    void WaitForEvents();
    void OnEvents();
    void OnTimer();
    void ArmTimer();
    void Reap();

    boost::asio::io_context& loop_;
    int epoll_ = -1;
    boost::asio::posix::stream_descriptor watch_;
    boost::asio::steady_timer timer_;
    std::optional<linkcore::SessionTime> armedFor_;
    Connection::Deadlines deadlines_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::array<unsigned char, 4096> buffer_{};
    std::size_t dropped_ = 0;
    int telling_ = 0; // OnEvents or OnTimer under way: drops are freed when they end
    bool reapPosted_ = false;
    bool waiting_ = false; // for the set to become ready
    bool drainPosted_ = false;
    bool fullRead_ =
        false; // a read of this round filled the buffer // the set is read again after the loop's other work
    bool over_ = false;
};

} // namespace orvane::service
