#include "linkcore/PjlinkNotifyListener.h"

#include "platform/UdpBind.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linkcore {

namespace {

// A notification is one short line; anything longer is no notification.
constexpr std::size_t kMaxDatagram = 512;

} // namespace

int BindNotifySocket(const PjlinkSettings& settings, std::string& error) {
    int port = settings.NotifyPort();
    if (port <= 0) {
        error = "notifications are switched off (NotifyPort=0)";
        return -1;
    }
    const int fd = orvane::BindUdp(settings.NotifyAddress(), port, error);
    if (fd < 0)
        error = "cannot hear notifications: " + error;
    return fd;
}

PjlinkNotifyListener::~PjlinkNotifyListener() {
    Stop();
}

bool PjlinkNotifyListener::Start(const PjlinkSettings& settings, std::vector<std::string> sources, Handler handler,
                                 std::string& error) {
    Stop();
    fd_ = BindNotifySocket(settings, error);
    if (fd_ < 0)
        return false;
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        Stop();
        return false;
    }
    handler_ = std::move(handler);
    SetSources(std::move(sources));
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void PjlinkNotifyListener::SetSources(std::vector<std::string> sources) {
    std::lock_guard lock(mutex_);
    intake_.SetSources(std::move(sources));
}

void PjlinkNotifyListener::Stop() {
    if (thread_.joinable()) {
        const char byte = 0;
        while (write(stopPipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    auto closeFd = [](int& fd) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    };
    closeFd(fd_);
    closeFd(stopPipe_[0]);
    closeFd(stopPipe_[1]);
}

void PjlinkNotifyListener::Loop() {
    char buffer[kMaxDatagram];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        const int rc = poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || fds[1].revents != 0)
            return;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n <= 0 || from.sin_family != AF_INET)
            continue;
        char source[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, source, sizeof source);
        std::vector<PjlinkNotification> notifications;
        {
            std::lock_guard lock(mutex_);
            notifications = intake_.Take(source, std::string_view(buffer, static_cast<std::size_t>(n)));
        }
        for (const PjlinkNotification& notification : notifications)
            handler_(source, notification);
    }
}

} // namespace linkcore
