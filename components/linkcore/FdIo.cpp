#include "linkcore/FdIo.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
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

namespace {

// After a write that failed with errno: Ok to try again (once the descriptor can take more),
// or why the write is over.
IoResult AfterFailedWrite(int fd, const Deadline& deadline) {
    if (errno == EINTR)
        return IoResult::Ok;
    if (errno == EPIPE || errno == ECONNRESET)
        return IoResult::Closed;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return IoResult::Error;
    return WaitFor(fd, POLLOUT, deadline);
}

} // namespace

IoResult WriteAll(int fd, const unsigned char* data, std::size_t size, const Deadline& deadline, bool isSocket) {
    if (isSocket) {
        iovec part{const_cast<unsigned char*>(data), size};
        return WriteAllV(fd, &part, 1, deadline);
    }
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (IoResult next = AfterFailedWrite(fd, deadline); next != IoResult::Ok)
            return next;
    }
    return IoResult::Ok;
}

IoResult WriteAllV(int fd, iovec* parts, int count, const Deadline& deadline) {
    while (count > 0) {
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = static_cast<std::size_t>(count);
        ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n < 0) {
            if (IoResult next = AfterFailedWrite(fd, deadline); next != IoResult::Ok)
                return next;
            continue;
        }
        auto done = static_cast<std::size_t>(n);
        while (count > 0 && done >= parts->iov_len) {
            done -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<unsigned char*>(parts->iov_base) + done;
            parts->iov_len -= done;
        }
    }
    return IoResult::Ok;
}

} // namespace linkcore
