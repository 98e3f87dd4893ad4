#include "FrameLoop.h"

#include "linkcore/FdIo.h"
#include "linkcore/FrameScanner.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace pjsim {

namespace {

// A client that stops reading must not hold a projector's thread for long.
constexpr int kWriteTimeoutMs = 1000;

} // namespace

void ServeFrames(int fd, bool isSocket, ProjectorService& service, const StopEvent& stop) {
    linkcore::FrameScanner scanner;
    unsigned char buffer[512];
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        int rc = poll(fds, 2, scanner.HasPartial() ? kFrameGapMs : -1);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (rc == 0) {
            scanner.Reset();
            continue;
        }
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return;
        }
        scanner.Feed(buffer, static_cast<std::size_t>(n));

        linkcore::Request request;
        linkcore::FrameStatus status;
        while (scanner.Next(request, status)) {
            std::vector<unsigned char> answer = service.Answer(request, status);
            if (answer.empty())
                continue;
            int delay = service.ReplyDelayMs();
            if (delay > 0 && !stop.Sleep(delay))
                return;
            linkcore::Deadline deadline(kWriteTimeoutMs);
            if (linkcore::WriteAll(fd, answer.data(), answer.size(), deadline, isSocket) != linkcore::IoResult::Ok)
                return;
        }
    }
}

} // namespace pjsim
