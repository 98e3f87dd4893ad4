#include "StopEvent.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace pjsim {

StopEvent::StopEvent() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        readFd_ = fds[0];
        writeFd_ = fds[1];
    }
}

StopEvent::~StopEvent() {
    if (readFd_ >= 0)
        close(readFd_);
    if (writeFd_ >= 0)
        close(writeFd_);
}

void StopEvent::Set() {
    // The byte is never read: the pipe stays readable for every later poll.
    unsigned char byte = 1;
    while (write(writeFd_, &byte, 1) < 0 && errno == EINTR) {
    }
}

bool StopEvent::IsSet() const {
    pollfd p{readFd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

bool StopEvent::Sleep(int ms) const {
    pollfd p{readFd_, POLLIN, 0};
    int rc;
    while ((rc = poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    return rc == 0;
}

} // namespace pjsim
