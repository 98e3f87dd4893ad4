#pragma once

#include "linkcore/Frame.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

// A bare client for poking the simulator with bytes the link would never send.
class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{3, 0}; // a lost answer fails the test instead of hanging it
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~RawClient() { close(fd_); }

    bool Connected() const { return connected_; }
    void Write(const unsigned char* data, std::size_t size) {
        ASSERT_EQ(send(fd_, data, size, MSG_NOSIGNAL), static_cast<ssize_t>(size));
    }
    void WriteFrame(const linkcore::Frame& frame) { Write(frame.data(), frame.size()); }
    // Reads `size` bytes; fewer when the time-out or the end comes first.
    std::string Read(std::size_t size) {
        std::string out;
        char buffer[64];
        while (out.size() < size) {
            ssize_t n = recv(fd_, buffer, std::min(sizeof buffer, size - out.size()), 0);
            if (n <= 0)
                break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }

    // True when the other side closes the connection (before the receive time-out), with
    // nothing more to read.
    bool WaitForClose() {
        char byte;
        return recv(fd_, &byte, 1, 0) == 0;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

} // namespace orvane::test
