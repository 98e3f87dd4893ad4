#include "linkcore/TcpChannel.h"

#include "linkcore/Auth.h"
#include "linkcore/FdIo.h"
#include "linkcore/Frame.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linkcore {

bool Handshake(int fd, const char* password, int helloMs, int replyMs) {
    unsigned char hello = 0;
    if (ReadExact(fd, &hello, 1, Deadline(helloMs)) != IoResult::Ok)
        return false;
    Deadline deadline(replyMs);
    if (hello == kHelloOpen)
        return true;
    if (hello != kHelloChallenge)
        return false;

    unsigned char challenge[kChallengeSize];
    unsigned char response[kAuthResponseSize];
    if (ReadExact(fd, challenge, sizeof challenge, deadline) != IoResult::Ok)
        return false;
    ComputeAuthResponse(challenge, std::string_view(password, strnlen(password, 63)), response);
    if (WriteAll(fd, response, sizeof response, deadline, true) != IoResult::Ok)
        return false;
    unsigned char verdict = 0;
    return ReadExact(fd, &verdict, 1, deadline) == IoResult::Ok && verdict == kReplyAck;
}

int ConnectTcp(const char* ipAddress, int port, int timeoutMs) {
    if (ipAddress == nullptr || port < 1 || port > 65535)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, ipAddress, &addr.sin_addr) != 1)
        return -1;

    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            close(fd);
            return -1;
        }
        Deadline deadline(timeoutMs);
        int error = 0;
        socklen_t len = sizeof error;
        if (WaitFor(fd, POLLOUT, deadline) != IoResult::Ok || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 ||
            error != 0) {
            close(fd);
            return -1;
        }
    }
    // Requests are ten bytes and wait for their answer: Nagle would only add latency.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

int OpenTcpChannel(const char* ipAddress, int port, const char* password, const LinkSettings& settings) {
    // A projector greets as soon as it accepts, so a missing hello means a dead link just
    // as a missing accept does: both share the connect time-out, and an operator learns of
    // a dead projector within that time, not within the sum of two.
    const Deadline opening(settings.ConnectMs());
    int fd = ConnectTcp(ipAddress, port, settings.ConnectMs());
    if (fd < 0)
        return -1;
    if (!Handshake(fd, password == nullptr ? "" : password, opening.RemainingMs(), settings.ReplyMs())) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace linkcore
