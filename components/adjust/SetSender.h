#pragma once

#include "adjust/AdjustLink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace adjust {

// Sends the dialog's sets on a thread of its own, so that the window never waits for a
// projector. Sets are spaced at least `gap` apart, and a value submitted while an earlier one
// of the same item waits replaces it: a dragged slider sends at most one set per gap, and
// never a backlog of stale values. Outcomes are handed to `done` on the sender's thread.
class SetSender {
public:
    using Done = std::function<void(const SetOutcome&)>;
    using SendFunction = std::function<SetOutcome(std::uint16_t type, int value)>;

    static constexpr std::chrono::milliseconds kDefaultGap{150};

    SetSender(const SlotConnection& connection, Done done, std::chrono::milliseconds gap = kDefaultGap);
    // For tests: sends through `send` instead of the link.
    SetSender(SendFunction send, Done done, std::chrono::milliseconds gap);
    // Sends what is still waiting (the operator's last values), unless the projector turned
    // out to be unreachable, then ends the thread.
    ~SetSender();
    SetSender(const SetSender&) = delete;
    SetSender& operator=(const SetSender&) = delete;

    void Submit(std::uint16_t type, int value);

    // True while nothing waits and nothing is being sent.
    bool Idle() const;

private:
    struct Pending {
        std::uint16_t type;
        int value;
    };

    void Run();

    SendFunction send_;
    Done done_;
    std::chrono::milliseconds gap_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Pending> pending_; // in order of first submission, one per type
    bool sending_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace adjust
