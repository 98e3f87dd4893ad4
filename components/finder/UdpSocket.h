#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace finder {

// The search's datagram socket: IPv4 UDP on a port the system picks, on every local
// address, non-blocking, allowed to send to a broadcast address. Plain POSIX, so that the
// finder's dialogs need no network library of the toolkit's.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens and binds the socket (an open one is closed first), to `localPort` or to a port
    // the system picks. 0, or the errno that stopped it.
    [[nodiscard]] int Open(int localPort = 0);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // For a readiness notifier; -1 when closed.
    int Fd() const { return fd_; }
    // The local port, 0 when closed.
    int Port() const;

    // Sends one datagram to a dotted IPv4 address. 0, or the errno (EINVAL for an address
    // that does not parse or a port outside 1..65535).
    [[nodiscard]] int SendTo(std::string_view address, int port, std::string_view data);

    // Takes one waiting datagram of at most `maxSize` bytes (a longer one is cut) and its
    // sender's address, first octet first. False when none is waiting.
    [[nodiscard]] bool Receive(std::string& data, std::uint8_t (&sender)[4], std::size_t maxSize);

    // Waits up to `timeoutMs` for a datagram to arrive; true when one is waiting.
    bool WaitReadable(int timeoutMs) const;

    static std::string ErrorText(int error);

private:
    int fd_ = -1;
};

} // namespace finder
