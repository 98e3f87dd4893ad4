#include "PjlinkSearchResponder.h"

#include "UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

PjlinkSearchResponder::PjlinkSearchResponder(std::unique_ptr<ProjectorService> service, int port, const StopEvent& stop)
    : service_(std::move(service)), pjlink_(*service_), port_(port), stop_(stop) {}

PjlinkSearchResponder::~PjlinkSearchResponder() {
    Join();
    if (fd_ >= 0)
        close(fd_);
}

bool PjlinkSearchResponder::Start(std::string& error) {
    fd_ = BindUdp(service_->Def().host, port_, error);
    if (fd_ < 0) {
        error += " (for the PJLink search)";
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

std::string PjlinkSearchResponder::Address() const {
    return service_->Def().host + ":" + std::to_string(port_);
}

void PjlinkSearchResponder::Join() {
    if (thread_.joinable())
        thread_.join();
}

void PjlinkSearchResponder::Loop() {
    char buffer[512];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
        const int rc = poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || fds[1].revents != 0)
            return;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0)
            continue;
        const std::string answer = pjlink_.SearchAnswer(std::string_view(buffer, static_cast<std::size_t>(n)));
        // The answer goes back where the search came from, never anywhere else.
        if (!answer.empty())
            sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&from), fromLen);
    }
}

} // namespace pjsim
