#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace orvane::test {

// A UDP port on 127.0.0.1 for the notifications of a test's own projectors: held while the
// test itself listens, or given up (Release) so that the program under test binds it.
class UdpInbox {
public:
    UdpInbox();
    ~UdpInbox();
    UdpInbox(const UdpInbox&) = delete;
    UdpInbox& operator=(const UdpInbox&) = delete;

    int Port() const { return port_; }
    // Every datagram that comes within `wait` of the first one (or of the call, if none).
    std::vector<std::string> Receive(std::chrono::milliseconds wait);
    // Closes the socket; the port stays known and is most likely still free.
    void Release();

    // Sends `datagram` to 127.0.0.1:port from the loopback address `from` (e.g. 127.0.0.2).
    static bool Send(const std::string& from, int port, const std::string& datagram);

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace orvane::test
