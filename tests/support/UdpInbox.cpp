#include "support/UdpInbox.h"

#include "platform/UdpBind.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

namespace {

sockaddr_in Loopback(const char* host, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host, &addr.sin_addr);
    return addr;
}

} // namespace

UdpInbox::UdpInbox() {
    std::string error;
    fd_ = BindUdp("127.0.0.1", port_, error);
}

UdpInbox::~UdpInbox() {
    Release();
}

void UdpInbox::Release() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

std::vector<std::string> UdpInbox::Receive(std::chrono::milliseconds wait) {
    std::vector<std::string> out;
    char buffer[1024];
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&p, 1, static_cast<int>(wait.count())) <= 0)
            return out;
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0)
            return out;
        out.emplace_back(buffer, static_cast<std::size_t>(n));
    }
}

bool UdpInbox::Send(const std::string& from, int port, const std::string& datagram) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in source = Loopback(from.c_str(), 0);
    const sockaddr_in to = Loopback("127.0.0.1", port);
    const bool sent = bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source) == 0 &&
                      sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                             sizeof to) == static_cast<ssize_t>(datagram.size());
    close(fd);
    return sent;
}

} // namespace orvane::test
