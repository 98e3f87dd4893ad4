#pragma once

#include "linkcore/PjlinkNotification.h"
#include "linkcore/PjlinkSettings.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linkcore {

// A non-blocking UDP socket bound where `settings` say notifications are heard
// (NotifyAddress, NotifyPort); -1 with the reason in `error` when the port is 0 or the
// address cannot be bound (another controller on the machine holds the port, say).
int BindNotifySocket(const PjlinkSettings& settings, std::string& error);

// Hears class 2 notifications on a thread of its own and hands every one from a configured
// projector to the handler, on that thread. The socket only carries the datagrams; what they
// mean and whom they are taken from is NotificationIntake's.
class PjlinkNotifyListener {
public:
    using Handler = std::function<void(const std::string& source, const PjlinkNotification& notification)>;

    PjlinkNotifyListener() = default;
    ~PjlinkNotifyListener();
    PjlinkNotifyListener(const PjlinkNotifyListener&) = delete;
    PjlinkNotifyListener& operator=(const PjlinkNotifyListener&) = delete;

    // Binds and starts hearing `sources` (dotted IPv4). False, with the reason in `error`,
    // when nothing can be heard; the program then goes on without notifications.
    [[nodiscard]] bool Start(const PjlinkSettings& settings, std::vector<std::string> sources, Handler handler,
                             std::string& error);
    void SetSources(std::vector<std::string> sources);
    // Ends the thread; no handler runs after it returns. Safe to call twice.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Loop();

    int fd_ = -1;
    int stopPipe_[2] = {-1, -1};
    Handler handler_;
    std::mutex mutex_;
    NotificationIntake intake_;
    std::thread thread_;
};

} // namespace linkcore
