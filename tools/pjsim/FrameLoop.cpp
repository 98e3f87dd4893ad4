#include "FrameLoop.h"

#include "linkcore/FdIo.h"
#include "linkcore/FrameScanner.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace pjsim {

namespace {

// A client that stops reading must not hold a projector's thread for long.
constexpr int kWriteTimeoutMs = 1000;

} // namespace

void ServeFrames(int fd, bool isSocket, ProjectorService& service, const StopEvent& stop) {
    // Images come over TCP only; on a serial line their requests are refused.
    const bool imagesOk = isSocket && service.AcceptsImages();
    linkcore::FrameScanner scanner(imagesOk);
    ImageSession images(service.Images());
    // Large reads, so that an image's bulk frames do not cost a system call per few bytes.
    std::vector<unsigned char> buffer(256 * 1024);
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
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return;
        }
        scanner.Feed(buffer.data(), static_cast<std::size_t>(n));

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
        }
    }
}

} // namespace pjsim
