#include "linkcore/TcpChannel.h"

#include "linkcore/FdIo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linkcore {

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

} // namespace linkcore
