#include "finder/UdpSocket.h"

#include "platform/UdpBind.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace finder {

UdpSocket::~UdpSocket() {
    Close();
}

int UdpSocket::Open(int localPort) {
    Close();
    std::string text;
    const int fd = orvane::BindUdp({}, localPort, text);
    if (fd < 0)
        return errno;
    // The default probe goes to the broadcast address, which the system refuses otherwise.
    const int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    fd_ = fd;
    return 0;
}

void UdpSocket::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

int UdpSocket::Port() const {
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (fd_ < 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int UdpSocket::SendTo(std::string_view address, int port, std::string_view data) {
    if (fd_ < 0)
        return EBADF;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    const std::string text(address);
    if (port < 1 || port > 65535 || inet_pton(AF_INET, text.c_str(), &to.sin_addr) != 1)
        return EINVAL;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    ssize_t sent;
    do {
        sent = sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? errno : 0;
}

bool UdpSocket::Receive(std::string& data, std::uint8_t (&sender)[4], std::size_t maxSize) {
    if (fd_ < 0)
        return false;
    data.resize(maxSize);
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t got;
    do {
        got = recvfrom(fd_, data.data(), data.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        data.clear();
        return false;
    }
    data.resize(static_cast<std::size_t>(got));
    const std::uint32_t v4 = ntohl(from.sin_addr.s_addr);
    sender[0] = static_cast<std::uint8_t>(v4 >> 24);
    sender[1] = static_cast<std::uint8_t>(v4 >> 16);
    sender[2] = static_cast<std::uint8_t>(v4 >> 8);
    sender[3] = static_cast<std::uint8_t>(v4);
    return true;
}

bool UdpSocket::WaitReadable(int timeoutMs) const {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    int rc;
    do {
        rc = poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && (p.revents & POLLIN) != 0;
}

std::string UdpSocket::ErrorText(int error) {
    return std::strerror(error);
}

} // namespace finder
