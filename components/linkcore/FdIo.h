#pragma once

#include <chrono>
#include <cstddef>
#include <sys/uio.h>

// Bounded waits and writes on non-blocking descriptors. Every wait ends at a deadline, so a
// peer that stops talking costs a known time and never a hung caller. (The link's sessions
// are run by SessionRunner; these serve the connect and the simulator.)
namespace linkcore {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(int timeoutMs) : end_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    // Milliseconds left, rounded up so that a poll never wakes just before the end; 0 once passed.
    int RemainingMs() const;

private:
    Clock::time_point end_;
};

enum class [[nodiscard]] IoResult{
    Ok,
    Timeout,
    Closed, // the other side closed (or hung up) before everything was read
    Error,
};

// Waits until fd reports one of `events` (or an error or hang-up).
IoResult WaitFor(int fd, short events, const Deadline& deadline);

// Sockets are written with MSG_NOSIGNAL, so a peer that went away gives an error and not
// SIGPIPE; other descriptors (serial lines) with write().
IoResult WriteAll(int fd, const unsigned char* data, std::size_t size, const Deadline& deadline, bool isSocket);

// Writes `count` pieces to a socket in as few system calls as it takes, without gathering
// them first. The pieces are advanced over as they go out.
IoResult WriteAllV(int fd, iovec* parts, int count, const Deadline& deadline);

} // namespace linkcore
