#include "linkcore/FdIo.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linkcore {

int Deadline::RemainingMs() const {
    auto left = end_ - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

IoResult WaitFor(int fd, short events, const Deadline& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int rc = poll(&p, 1, deadline.RemainingMs());
        if (rc > 0)
            return IoResult::Ok; // the caller's read or write tells data from error or hang-up
        if (rc == 0)
            return IoResult::Timeout;
        if (errno != EINTR)
            return IoResult::Error;
    }
}

IoResult ReadExact(int fd, unsigned char* buffer, std::size_t size, const Deadline& deadline) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, buffer + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return IoResult::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EIO || errno == ECONNRESET)
            return IoResult::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::Error;
        IoResult waited = WaitFor(fd, POLLIN, deadline);
        if (waited != IoResult::Ok)
            return waited;
    }
    return IoResult::Ok;
}

IoResult WriteAll(int fd, const unsigned char* data, std::size_t size, const Deadline& deadline, bool isSocket) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = isSocket ? send(fd, data + done, size - done, MSG_NOSIGNAL) : write(fd, data + done, size - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EPIPE || errno == ECONNRESET)
            return IoResult::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::Error;
        IoResult waited = WaitFor(fd, POLLOUT, deadline);
        if (waited != IoResult::Ok)
            return waited;
    }
    return IoResult::Ok;
}

} // namespace linkcore
