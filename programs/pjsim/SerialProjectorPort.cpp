#include "SerialProjectorPort.h"

#include "FrameLoop.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace pjsim {

SerialProjectorPort::SerialProjectorPort(std::unique_ptr<ProjectorService> service, const StopEvent& stop)
    : service_(std::move(service)), stop_(stop) {}

SerialProjectorPort::~SerialProjectorPort() {
    Join();
    if (masterFd_ >= 0)
        close(masterFd_);
    if (slaveFd_ >= 0)
        close(slaveFd_);
}

bool SerialProjectorPort::Start(std::string& error) {
    char name[256] = {};
    if (openpty(&masterFd_, &slaveFd_, name, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    // Raw from the start: no echo and no newline translation may touch a binary frame
    // before the client has set the line up itself.
    termios tio{};
    if (tcgetattr(slaveFd_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slaveFd_, TCSANOW, &tio);
    }
    fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK);
    fcntl(masterFd_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveFd_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    thread_ = std::thread([this] { ServeFrames(masterFd_, false, *service_, stop_); });
    return true;
}

void SerialProjectorPort::Join() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace pjsim
