#pragma once

// The floor of the service benchmarks: the same exchanges with projectors that the service
// makes, with nothing else around them. One epoll loop on one thread drives the link's own
// sessions (LinkSession, PjlinkSession) over raw non-blocking sockets, one connection per
// job carrying its requests one after the other, at most `inFlight` connections at once, as
// the service does. What is left is the link's protocol work and the system calls.

#include "linkcore/LinkSession.h"
#include "linkcore/PjlinkSession.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orvane::bench {

// One connection's work: its requests in order, to one projector on 127.0.0.1.
struct FloorJob {
    int port = 0;
    bool pjlink = false;
    std::string password;
    std::vector<linkcore::Request> requests;
};

class LinkFloor {
public:
    explicit LinkFloor(std::size_t inFlight) : inFlight_(inFlight), epoll_(epoll_create1(EPOLL_CLOEXEC)) {}
    ~LinkFloor() {
        for (auto& c : open_)
            CloseConn(*c);
        close(epoll_);
    }
    LinkFloor(const LinkFloor&) = delete;
    LinkFloor& operator=(const LinkFloor&) = delete;

    // The job is kept by reference until it is done.
    void Add(const FloorJob& job) { queue_.push_back({&job, nullptr, 0}); }
    // Jobs that run one after the other, each on a connection of its own, as a command's
    // exchanges with a room's projectors do; chains run side by side.
    void AddChain(const std::vector<FloorJob>& chain) {
        if (!chain.empty())
            queue_.push_back({&chain[0], &chain, 0});
    }
    bool Idle() const { return queue_.empty() && open_.empty(); }

    // Runs until every job added is done, or `until` passes.
    void Run(linkcore::SessionTime until = linkcore::SessionTime::max()) {
        StartQueued();
        epoll_event events[64];
        while (!Idle()) {
            const auto now = linkcore::SessionClock::now();
            if (now >= until)
                return;
            const int n = epoll_wait(epoll_, events, 64, WaitMs(now, until));
            const auto after = linkcore::SessionClock::now();
            for (int i = 0; i < n; ++i)
                OnEvent(*static_cast<Conn*>(events[i].data.ptr), events[i].events, after);
            for (auto& c : open_) {
                if (c->session->Deadline() && *c->session->Deadline() <= after) {
                    c->session->Tick(after);
                    Pump(*c, after);
                }
            }
            Reap();
            StartQueued();
        }
    }

    // Answered requests and failed jobs since the start.
    std::size_t Answered() const { return answered_; }
    std::size_t Failed() const { return failed_; }

private:
    struct Queued {
        const FloorJob* job;
        const std::vector<FloorJob>* chain; // null for a job of its own
        std::size_t index;
    };
    struct Conn {
        Queued queued{};
        const FloorJob* job = nullptr;
        int fd = -1;
        bool connecting = true;
        std::size_t next = 0;
        bool done = false;
        std::unique_ptr<linkcore::Session> session;
        uint32_t watched = 0;
    };

    int WaitMs(linkcore::SessionTime now, linkcore::SessionTime until) const {
        auto wake = until;
        for (const auto& c : open_) {
            if (c->session->Deadline() && *c->session->Deadline() < wake)
                wake = *c->session->Deadline();
        }
        if (wake == linkcore::SessionTime::max())
            return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1;
        return ms < 0 ? 0 : static_cast<int>(ms);
    }

    void StartQueued() {
        while (!queue_.empty() && open_.size() < inFlight_) {
            const Queued next = queue_.front();
            queue_.pop_front();
            Start(next);
        }
    }

    void Start(const Queued& queued) {
        const FloorJob& job = *queued.job;
        auto c = std::make_unique<Conn>();
        c->queued = queued;
        c->job = &job;
        const linkcore::SessionTimeouts timeouts{};
        if (job.pjlink)
            c->session = std::make_unique<linkcore::PjlinkSession>(job.password, timeouts);
        else
            c->session =
                std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Tcp, job.password, timeouts);
        c->fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(c->fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(job.port));
        const auto now = linkcore::SessionClock::now();
        c->session->Begin(now);
        if (connect(c->fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
            ++failed_;
            close(c->fd);
            QueueNextOfChain(queued);
            return;
        }
        Watch(*c, uint32_t{EPOLLOUT}, EPOLL_CTL_ADD);
        open_.push_back(std::move(c));
    }

    void Watch(Conn& c, uint32_t events, int op = EPOLL_CTL_MOD) {
        if (op == EPOLL_CTL_MOD && c.watched == events)
            return;
        epoll_event ev{};
        ev.events = events;
        ev.data.ptr = &c;
        epoll_ctl(epoll_, op, c.fd, &ev);
        c.watched = events;
    }

    void OnEvent(Conn& c, uint32_t events, linkcore::SessionTime now) {
        if (c.done)
            return;
        if (c.connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error != 0) {
                Fail(c);
                return;
            }
            c.connecting = false;
            c.session->Connected(now);
            Pump(c, now);
            return;
        }
        if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
            unsigned char buffer[512];
            const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0)
                c.session->Receive(linkcore::ByteView(buffer, static_cast<std::size_t>(n)), now);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                c.session->PeerClosed(now);
        }
        Pump(c, now);
    }

    void Pump(Conn& c, linkcore::SessionTime now) {
        for (;;) {
            for (const linkcore::ByteView piece : c.session->Output()) {
                const ssize_t n = send(c.fd, piece.data(), piece.size(), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                c.session->ConsumeOutput(static_cast<std::size_t>(n));
                if (static_cast<std::size_t>(n) < piece.size())
                    break;
            }
            if (c.session->IsFinished()) { // a refusal, a time-out or a cut-off stream
                Fail(c);
                return;
            }
            if (!c.session->IsReady())
                break;
            if (c.next > 0) {
                const auto result = c.session->TakeResult();
                if (!result || !result->answered) {
                    Fail(c);
                    return;
                }
                ++answered_;
            }
            if (c.next == c.job->requests.size()) {
                Done(c);
                return;
            }
            if (!c.session->Submit(c.job->requests[c.next++], now)) {
                Fail(c);
                return;
            }
        }
        Watch(c, c.session->OutputSize() > 0 ? uint32_t{EPOLLIN | EPOLLOUT} : uint32_t{EPOLLIN});
    }

    void Done(Conn& c) {
        c.done = true;
        CloseConn(c);
        QueueNextOfChain(c.queued);
    }
    // The chain goes on at once, ahead of jobs that have not started.
    void QueueNextOfChain(const Queued& queued) {
        if (queued.chain != nullptr && queued.index + 1 < queued.chain->size())
            queue_.push_front({&(*queued.chain)[queued.index + 1], queued.chain, queued.index + 1});
    }
    void Fail(Conn& c) {
        ++failed_;
        Done(c);
    }
    void CloseConn(Conn& c) {
        if (c.fd >= 0)
            close(c.fd);
        c.fd = -1;
        c.done = true;
    }
    void Reap() {
        std::erase_if(open_, [](const std::unique_ptr<Conn>& c) { return c->done; });
    }

    std::size_t inFlight_;
    int epoll_;
    std::deque<Queued> queue_;
    std::vector<std::unique_ptr<Conn>> open_;
    std::size_t answered_ = 0;
    std::size_t failed_ = 0;
};

} // namespace orvane::bench
