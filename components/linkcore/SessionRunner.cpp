#include "linkcore/SessionRunner.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace linkcore {

namespace {

constexpr std::size_t kMaxPieces = 8;

SessionTime Now() {
    return SessionClock::now();
}

// Waits for `events` on fd until the session's deadline: Ok when the descriptor is ready (or
// reports an error or hang-up, which the next read or write tells), Timeout when it passed.
IoResult WaitUntil(const Session& session, int fd, short events) {
    for (;;) {
        const std::optional<SessionTime> deadline = session.Deadline();
        pollfd p{fd, events, 0};
        const int rc = poll(&p, 1, deadline ? MillisecondsUntil(*deadline, Now()) : -1);
        if (rc > 0)
            return IoResult::Ok;
        if (rc == 0)
            return IoResult::Timeout;
        if (errno != EINTR)
            return IoResult::Error;
    }
}

ssize_t WriteSome(const Session& session, int fd, bool isSocket) {
    const std::span<const ByteView> pieces = session.Output();
    if (!isSocket)
        return write(fd, pieces[0].data(), pieces[0].size());
    iovec parts[kMaxPieces];
    const std::size_t count = std::min(pieces.size(), kMaxPieces);
    for (std::size_t i = 0; i < count; ++i)
        parts[i] = {const_cast<unsigned char*>(pieces[i].data()), pieces[i].size()};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = count;
    return sendmsg(fd, &message, MSG_NOSIGNAL);
}

} // namespace

int MillisecondsUntil(SessionTime deadline, SessionTime now) {
    const auto left = deadline - now;
    if (left <= SessionClock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

IoResult WriteOutput(Session& session, int fd, bool isSocket) {
    while (session.OutputSize() > 0) {
        const ssize_t n = WriteSome(session, fd, isSocket);
        if (n >= 0) {
            session.ConsumeOutput(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EPIPE || errno == ECONNRESET)
            return IoResult::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoResult::Error;
        if (IoResult waited = WaitUntil(session, fd, POLLOUT); waited != IoResult::Ok)
            return waited;
    }
    return IoResult::Ok;
}

void RunSession(Session& session, int fd, bool isSocket) {
    unsigned char buffer[4096];
    // The connect is the caller's; the runner carries the handshake and the exchanges.
    while (session.Waiting() && session.State() != SessionState::Connecting) {
        if (session.OutputSize() > 0) {
            const IoResult written = WriteOutput(session, fd, isSocket);
            if (written == IoResult::Timeout) {
                session.Tick(Now());
            } else if (written != IoResult::Ok) {
                session.PeerClosed(Now());
            }
            continue;
        }
        const std::size_t want = std::clamp<std::size_t>(session.ReadHint(), 1, sizeof buffer);
        const ssize_t n = read(fd, buffer, want);
        if (n > 0) {
            session.Receive(ByteView(buffer, static_cast<std::size_t>(n)), Now());
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const IoResult waited = WaitUntil(session, fd, POLLIN);
            if (waited == IoResult::Timeout) {
                session.Tick(Now());
            } else if (waited != IoResult::Ok) {
                session.PeerClosed(Now());
            }
            continue;
        }
        // End of stream, or the line hung up (EIO on a terminal, ECONNRESET on a socket) or
        // failed otherwise: the answer cannot come.
        session.PeerClosed(Now());
    }
}

} // namespace linkcore
