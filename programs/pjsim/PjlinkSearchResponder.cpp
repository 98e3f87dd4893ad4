#include "PjlinkSearchResponder.h"

#include "UdpSocket.h"

#include "platform/UdpBind.h"

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
    fd_ = orvane::BindUdp(service_->Def().host, port_, error);
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
    AnswerDatagrams(fd_, stop_, 512, [this](std::string_view search) {
        std::string answer = pjlink_.SearchAnswer(search);
        return answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::move(answer)};
    });
}

} // namespace pjsim
