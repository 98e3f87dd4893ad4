#include "TcpProjectorServer.h"

#include "FrameLoop.h"
#include "PjlinkService.h"

#include "linkcore/Auth.h"
#include "linkcore/FdIo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

namespace {

// A client gets this long to answer the challenge.
constexpr int kAuthTimeoutMs = 5000;

// Reads exactly size bytes unless the time-out passes, the client goes or the stop is set.
bool ReadWithStop(int fd, unsigned char* buffer, std::size_t size, int timeoutMs, const StopEvent& stop) {
    linkcore::Deadline deadline(timeoutMs);
    std::size_t done = 0;
    while (done < size) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        int rc = poll(fds, 2, deadline.RemainingMs());
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0 || fds[1].revents != 0)
            return false;
        ssize_t n = read(fd, buffer + done, size - done);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SendBytes(int fd, const unsigned char* data, std::size_t size) {
    linkcore::Deadline deadline(kAuthTimeoutMs);
    return linkcore::WriteAll(fd, data, size, deadline, true) == linkcore::IoResult::Ok;
}

} // namespace

TcpProjectorServer::TcpProjectorServer(std::unique_ptr<ProjectorService> service, const StopEvent& stop)
    : service_(std::move(service)), stop_(stop) {}

TcpProjectorServer::~TcpProjectorServer() {
    Join();
    if (listenFd_ >= 0)
        close(listenFd_);
}

bool TcpProjectorServer::Start(std::string& error) {
    if (listenFd_ < 0 && !Listen(error))
        return false;
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

bool TcpProjectorServer::Listen(std::string& error) {
    const ProjectorDef& def = service_->Def();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(def.port));
    if (inet_pton(AF_INET, def.host.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + def.host;
        return false;
    }
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 16) != 0) {
        error = "cannot listen on " + def.host + ":" + std::to_string(def.port) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string TcpProjectorServer::Address() const {
    return service_->Def().host + ":" + std::to_string(port_);
}

void TcpProjectorServer::Join() {
    if (acceptThread_.joinable())
        acceptThread_.join();
    ReapFinished(true);
}

void TcpProjectorServer::ReapFinished(bool all) {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (all || it->done) {
            it->thread.join();
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void TcpProjectorServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
        int rc = poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || fds[1].revents != 0)
            return;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            continue; // the client gave up between poll and accept, or a transient shortage
        ReapFinished(false);
        if (connections_.size() >= kMaxConnections) {
            close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Connection& connection = connections_.emplace_back();
        connection.thread = std::thread([this, fd, &connection] {
            Serve(fd);
            close(fd);
            connection.done = true;
        });
    }
}

bool TcpProjectorServer::SendHello(int fd, unsigned char* challenge) {
    if (service_->Def().password.empty()) {
        unsigned char hello = linkcore::kHelloOpen;
        return SendBytes(fd, &hello, 1);
    }
    unsigned char hello[1 + linkcore::kChallengeSize];
    hello[0] = linkcore::kHelloChallenge;
    if (!linkcore::RandomChallenge(hello + 1))
        return false;
    std::memcpy(challenge, hello + 1, linkcore::kChallengeSize);
    return SendBytes(fd, hello, sizeof hello);
}

bool TcpProjectorServer::Authenticate(int fd, const unsigned char* challenge) {
    unsigned char response[linkcore::kAuthResponseSize];
    unsigned char expected[linkcore::kAuthResponseSize];
    if (!ReadWithStop(fd, response, sizeof response, kAuthTimeoutMs, stop_))
        return false;
    linkcore::ComputeAuthResponse(challenge, service_->Def().password, expected);
    bool good = linkcore::AuthResponsesEqual(response, expected);
    unsigned char verdict = good ? linkcore::kReplyAck : linkcore::kReplyNak;
    return SendBytes(fd, &verdict, 1) && good;
}

void TcpProjectorServer::Serve(int fd) {
    const ProjectorDef& def = service_->Def();
    if (def.protocol == Protocol::Pjlink) {
        PjlinkService(*service_).Serve(fd, stop_);
        return;
    }
    if (def.fault != Fault::Silent) {
        unsigned char challenge[linkcore::kChallengeSize];
        if (!SendHello(fd, challenge) || def.fault == Fault::Drop)
            return;
        if (!def.password.empty() && !Authenticate(fd, challenge))
            return;
    }
    ServeFrames(fd, true, *service_, stop_);
}

} // namespace pjsim
