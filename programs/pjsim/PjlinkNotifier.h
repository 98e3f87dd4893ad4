#pragma once

#include "PjlinkService.h"
#include "ProjectorService.h"
#include "StopEvent.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace pjsim {

// What a class 2 projector tells of in its notifications, as PJLink writes it.
struct PjlinkSnapshot {
    std::string power; // "0" or "1"; between the two it keeps the state it left
    std::string input;
    std::string avmute;
    std::string errors;

    friend bool operator==(const PjlinkSnapshot&, const PjlinkSnapshot&) = default;
};

// The projector's state now; `before` gives the power state to keep while in transition.
PjlinkSnapshot TakeSnapshot(ProjectorService& service, const PjlinkSnapshot& before);

// The notification lines (CR included) for the change from `before` to `after`, in the order
// power, input, mute, error status.
std::vector<std::string> NotificationsFor(const PjlinkSnapshot& before, const PjlinkSnapshot& after);

// Where a projector's notifications go now: notify=HOST:PORT, else port 4352 of the controller
// that connected last; false when there is nowhere (notify=off, or nobody has connected yet).
bool NotifyTarget(const ProjectorDef& def, const std::string& lastController, std::string& host, int& port);

// Sends the notifications of every class 2 PJLink projector given to it, as a projector does
// when its state changes: one thread looks at every projector's state a few times in each
// 100 ms, so that changes of any origin (a command, the end of a warm-up) are told. At the
// start, a projector with a notify= target announces itself with %2LKUP=<MAC>. Each datagram
// is logged as "NOTIFY <n> <line> -> HOST:PORT".
class PjlinkNotifier {
public:
    static constexpr int kLookMs = 20;

    explicit PjlinkNotifier(const StopEvent& stop) : stop_(stop) {}
    ~PjlinkNotifier();
    PjlinkNotifier(const PjlinkNotifier&) = delete;
    PjlinkNotifier& operator=(const PjlinkNotifier&) = delete;

    // A projector to speak for; not owned. Call before Start.
    void Add(ProjectorService& service);
    bool Empty() const { return projectors_.empty(); }
    bool Start(std::string& error);
    void Join();

private:
    struct Watched {
        ProjectorService* service;
        std::unique_ptr<PjlinkService> pjlink;
        PjlinkSnapshot last;
        bool baseline; // `last` is the state the target was last told of
    };
    void Loop();
    void Send(Watched& w, const std::string& line);

    const StopEvent& stop_;
    std::vector<Watched> projectors_;
    int fd_ = -1;
    std::thread thread_;
};

} // namespace pjsim
