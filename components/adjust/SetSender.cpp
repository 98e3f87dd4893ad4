#include "adjust/SetSender.h"

namespace adjust {

SetSender::SetSender(const SlotConnection& connection, Done done, std::chrono::milliseconds gap)
    : SetSender([connection](std::uint16_t type, int value) { return SendSet(connection, type, value); },
                std::move(done), gap) {}

SetSender::SetSender(SendFunction send, Done done, std::chrono::milliseconds gap)
    : send_(std::move(send)), done_(std::move(done)), gap_(gap), thread_([this] { Run(); }) {}

SetSender::~SetSender() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SetSender::Submit(std::uint16_t type, int value) {
    {
        std::lock_guard lock(mutex_);
        bool replaced = false;
        for (Pending& p : pending_) {
            if (p.type == type) {
                p.value = value;
                replaced = true;
            }
        }
        if (!replaced)
            pending_.push_back({type, value});
    }
    wake_.notify_all();
}

bool SetSender::Idle() const {
    std::lock_guard lock(mutex_);
    return pending_.empty() && !sending_;
}

void SetSender::Run() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextAllowed = Clock::now();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty())
            return; // stopping, nothing left
        if (!stopping_ && Clock::now() < nextAllowed) {
            // Later submissions meanwhile replace the waiting value.
            wake_.wait_until(lock, nextAllowed, [this] { return stopping_; });
            continue;
        }
        const Pending next = pending_.front();
        pending_.erase(pending_.begin());
        sending_ = true;
        lock.unlock();
        const SetOutcome outcome = send_(next.type, next.value);
        if (done_)
            done_(outcome);
        lock.lock();
        sending_ = false;
        nextAllowed = Clock::now() + gap_;
        if (stopping_ && outcome.unreachable)
            pending_.clear();
    }
}

} // namespace adjust
