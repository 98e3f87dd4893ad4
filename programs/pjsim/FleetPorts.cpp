#include "FleetPorts.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

namespace {

// Linux hands out outgoing ports from 32768 up; the fleet stays below, above the ports that
// services commonly take.
constexpr int kLowestPort = 10000;
constexpr int kHighestPort = 32767;
constexpr int kAttempts = 64;
// Each projector is reached by one client at a time; the backlog only absorbs reconnects.
constexpr int kBacklog = 16;

// A listening socket on host:port, or -1 with errno set.
int ListenOn(const in_addr& host, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr = host;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, kBacklog) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

void CloseAll(std::vector<int>& fds) {
    for (int fd : fds)
        close(fd);
    fds.clear();
}

} // namespace

bool FleetPorts::Bind(const std::string& host, int count, std::vector<int>& fds, std::string& error) {
    fds.clear();
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) {
        error = "not an IPv4 address: " + host;
        return false;
    }
    if (count < 1 || count > kHighestPort - kLowestPort + 1) {
        error = "no run of " + std::to_string(count) + " ports fits below " + std::to_string(kHighestPort + 1);
        return false;
    }
    // A random start keeps fleets of pjsim runs side by side from racing for the same ports.
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> start(kLowestPort, kHighestPort - count + 1);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int base = start(rng);
        while (static_cast<int>(fds.size()) < count) {
            const int fd = ListenOn(address, base + static_cast<int>(fds.size()));
            if (fd < 0)
                break;
            fds.push_back(fd);
        }
        if (static_cast<int>(fds.size()) == count)
            return true;
        const int saved = errno;
        CloseAll(fds);
        if (saved != EADDRINUSE && saved != EACCES) {
            error = "cannot listen on " + host + ": " + std::strerror(saved);
            return false;
        }
    }
    error = "found no " + std::to_string(count) + " consecutive free ports on " + host;
    return false;
}

} // namespace pjsim
