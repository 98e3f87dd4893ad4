#include "PjlinkNotifier.h"

#include "linkcore/PjlinkLine.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

PjlinkSnapshot TakeSnapshot(ProjectorService& service, const PjlinkSnapshot& before) {
    SimProjector& sim = service.Sim();
    auto get = [&sim](std::uint16_t type) {
        return sim.Handle(linkcore::Request{linkcore::kActionGet, type, 0}).value;
    };
    PjlinkSnapshot now;
    const std::uint16_t power = sim.PowerState(SimProjector::Clock::now());
    now.power = power == kPowerOn ? "1" : power == kPowerOff ? "0" : before.power;
    now.input = DecodePjlinkInput(get(kTypeInput));
    const bool blank = get(kTypeBlank) != 0;
    const bool mute = get(kTypeMute) != 0;
    now.avmute = blank && mute ? "31" : blank ? "11" : mute ? "21" : "30";
    now.errors = service.Def().errorStatus;
    return now;
}

std::vector<std::string> NotificationsFor(const PjlinkSnapshot& before, const PjlinkSnapshot& after) {
    std::vector<std::string> lines;
    auto tell = [&lines](const std::string& was, const std::string& is, const char* name) {
        if (was != is && !is.empty())
            lines.push_back(linkcore::pjlink::FormatAnswer('2', name, is));
    };
    tell(before.power, after.power, "POWR");
    tell(before.input, after.input, "INPT");
    tell(before.avmute, after.avmute, "AVMT");
    tell(before.errors, after.errors, "ERST");
    return lines;
}

bool NotifyTarget(const ProjectorDef& def, const std::string& lastController, std::string& host, int& port) {
    switch (def.notify) {
    case NotifyMode::To:
        host = def.notifyHost;
        port = def.notifyPort;
        return true;
    case NotifyMode::LastController:
        if (lastController.empty())
            return false;
        host = lastController;
        port = linkcore::pjlink::kDefaultPort;
        return true;
    case NotifyMode::Off:
        break;
    }
    return false;
}

PjlinkNotifier::~PjlinkNotifier() {
    Join();
    if (fd_ >= 0)
        close(fd_);
}

void PjlinkNotifier::Add(ProjectorService& service) {
    projectors_.push_back({&service, std::make_unique<PjlinkService>(service), TakeSnapshot(service, {}), true});
}

bool PjlinkNotifier::Start(std::string& error) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = std::string("socket for the notifications: ") + std::strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void PjlinkNotifier::Join() {
    if (thread_.joinable())
        thread_.join();
}

void PjlinkNotifier::Send(Watched& w, const std::string& line) {
    std::string host;
    int port = 0;
    if (!NotifyTarget(w.service->Def(), w.service->LastController(), host, port))
        return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &to.sin_addr) != 1)
        return;
    sendto(fd_, line.data(), line.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    w.service->Log().WriteLine("NOTIFY " + std::to_string(w.service->Index()) + " " + line.substr(0, line.size() - 1) +
                               " -> " + host + ":" + std::to_string(port));
}

void PjlinkNotifier::Loop() {
    for (Watched& w : projectors_) {
        if (w.service->Def().notify == NotifyMode::To)
            Send(w, linkcore::pjlink::FormatAnswer('2', "LKUP", w.pjlink->Mac()));
    }
    while (stop_.Sleep(kLookMs)) {
        for (Watched& w : projectors_) {
            // Nobody to tell yet: a fleet of projectors nobody talks to costs nothing, and the
            // first controller hears of changes from when it came.
            std::string host;
            int port = 0;
            if (!NotifyTarget(w.service->Def(), w.service->LastController(), host, port)) {
                w.baseline = false;
                continue;
            }
            const PjlinkSnapshot now = TakeSnapshot(*w.service, w.last);
            if (!w.baseline) {
                w.baseline = true;
                w.last = now;
                continue;
            }
            if (now == w.last)
                continue;
            for (const std::string& line : NotificationsFor(w.last, now))
                Send(w, line);
            w.last = now;
        }
    }
}

} // namespace pjsim
