#include "FrameLoop.h"

#include "linkcore/FdIo.h"
#include "linkcore/FrameScanner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace pjsim {

namespace {

// A client that stops reading must not hold a projector's thread for long.
constexpr int kWriteTimeoutMs = 1000;
constexpr std::size_t kFirstReadSize = std::size_t{4} * 1024;
constexpr std::size_t kLargestReadSize = std::size_t{256} * 1024;

using Clock = std::chrono::steady_clock;

long long ElapsedMs(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

} // namespace

void ServeFrames(int fd, bool isSocket, ProjectorService& service, const StopEvent& stop) {
    // Images come over TCP only; on a serial line their requests are refused.
    const bool imagesOk = isSocket && service.AcceptsImages();
    linkcore::FrameScanner scanner(imagesOk);
    ImageSession images(service.Images());
    // The buffer starts small, since a fleet holds a thousand idle connections, and grows
    // while reads fill it, so that an image's bulk frames do not cost a system call per few bytes.
    std::vector<unsigned char> buffer(kFirstReadSize);
    // A serial line has no connection to end; only a TCP client is let go when idle.
    const int idleMs = isSocket ? service.Def().idleMs : 0;
    auto lastActivity = Clock::now();
    for (;;) {
        int timeout = -1;
        if (idleMs > 0)
            timeout = static_cast<int>(std::max<long long>(0, idleMs - ElapsedMs(lastActivity)));
        if (scanner.HasPartial())
            timeout = timeout < 0 ? kFrameGapMs : std::min(timeout, kFrameGapMs);
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        int rc = poll(fds, 2, timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (rc == 0) {
            if (idleMs > 0 && ElapsedMs(lastActivity) >= idleMs)
                return;
            scanner.Reset();
            continue;
        }
        lastActivity = Clock::now();
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return;
        }
        scanner.Feed(buffer.data(), static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) == buffer.size() && buffer.size() < kLargestReadSize)
            buffer.resize(buffer.size() * 2);

        linkcore::ScannedFrame frame;
        while (scanner.Next(frame)) {
            std::vector<unsigned char> answer =
                frame.kind == linkcore::ScannedFrame::Kind::Request
                    ? service.Answer(frame.request, frame.status, imagesOk ? &images : nullptr)
                    : service.AnswerBulk(frame, images);
            if (answer.empty())
                continue;
            int delay = service.ReplyDelayMs();
            if (delay > 0 && !stop.Sleep(delay))
                return;
            linkcore::Deadline deadline(kWriteTimeoutMs);
            if (linkcore::WriteAll(fd, answer.data(), answer.size(), deadline, isSocket) != linkcore::IoResult::Ok)
                return;
            // A slow answer does not count as the client's silence.
            lastActivity = Clock::now();
        }
    }
}

} // namespace pjsim
