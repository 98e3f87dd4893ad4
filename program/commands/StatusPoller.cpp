#include "commands/StatusPoller.h"

#include "link/SharedField.h"

#include <chrono>
#include <system_error>

namespace orvane {

StatusPoller::StatusPoller(CommandTransport& transport, CheckCallback onCheck)
    : transport_(transport), onCheck_(std::move(onCheck)) {}

StatusPoller::~StatusPoller() {
    Stop();
}

void StatusPoller::SetPollInterval(int seconds) {
    {
        std::lock_guard lock(mutex_);
        pollInterval_ = seconds > 0 ? seconds : 0;
    }
    wake_.notify_all();
}

int StatusPoller::ControlPoller(int mode) {
    switch (mode) {
    case kPollerStart:
        Start();
        break;
    case kPollerStop:
        Stop();
        break;
    case kPollerSuspend:
        if (thread_.joinable()) {
            std::lock_guard lock(mutex_);
            suspended_ = true;
            ++epoch_;
        }
        break;
    case kPollerResume:
        if (thread_.joinable() && pollInterval_ > 0) {
            {
                std::lock_guard lock(mutex_);
                suspended_ = false;
            }
            wake_.notify_all();
        }
        break;
    default:
        break;
    }
    return 0;
}

void StatusPoller::Start() {
    // Two pollers would ask the same projector twice and post twice.
    Stop();
    {
        std::lock_guard lock(mutex_);
        pollRun_ = 1;
        suspended_ = true;
        ++epoch_;
    }
    try {
        thread_ = std::thread([this] { PollerMain(); });
    } catch (const std::system_error&) {
        pollRun_ = 0; // no thread: the window runs without status updates
        return;
    }
    ControlPoller(kPollerResume);
}

void StatusPoller::Stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        pollRun_ = 0;
    }
    wake_.notify_all();
    thread_.join();
}

bool StatusPoller::WaitUntilRunnable(std::uint64_t* epoch) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return pollRun_ == 0 || (!suspended_ && pollInterval_ > 0); });
    // Taken under the same lock as the check: a suspend that comes after it must drop what
    // the poller reads next.
    if (epoch != nullptr)
        *epoch = epoch_;
    return pollRun_ != 0;
}

bool StatusPoller::WaitInterval() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(pollInterval_.load());
    std::unique_lock lock(mutex_);
    for (;;) {
        if (pollRun_ == 0)
            return false;
        if (suspended_ || pollInterval_ <= 0) {
            wake_.wait(lock, [this] { return pollRun_ == 0 || (!suspended_ && pollInterval_ > 0); });
            continue;
        }
        if (Clock::now() >= deadline)
            return true;
        wake_.wait_until(lock, deadline, [this] { return pollRun_ == 0 || suspended_ || pollInterval_ <= 0; });
    }
}

void StatusPoller::RequestRefresh() {
    refreshPending_ = true;
}

int StatusPoller::PollerMain() {
    for (;;) {
        std::uint64_t epoch = 0;
        if (!WaitUntilRunnable(&epoch))
            return 0;
        if (refreshPending_.exchange(false))
            Deliver(ReadRefresh(), epoch);
        PollOnce();
        ++completedPolls_;
        if (!WaitInterval())
            return 0;
    }
}

void StatusPoller::PollOnce() {
    CModelInfo2& model = transport_.Model();
    const int slot = transport_.ReportedSlot();
    if (slot < 0)
        return;

    if (LoadShared(model.PjtKind[slot]) == kKindUnknown) {
        if (!WaitUntilRunnable())
            return;
        transport_.EnsureKind(slot);
    }
    if (IsRefusedKind(LoadShared(model.PjtKind[slot])))
        return;

    std::uint64_t epoch = 0;
    if (!WaitUntilRunnable(&epoch))
        return;
    ReplyBuffer reply{};
    const int result = transport_.PollSendToSlot(slot, kActionGet, kTypeInput, 0, reply.data());
    const auto table = InputTableForModel(model.ModelID);
    if (result != kExchangeOk) {
        Deliver(UncheckAllRows(table), epoch);
        return;
    }
    if (reply[0] != kReplyData)
        return;
    Deliver(InputChecksForCode(model, table, ReplyValue(reply.data())), epoch);
}

void StatusPoller::Deliver(const std::vector<ButtonCheck>& checks, std::uint64_t epoch) {
    std::lock_guard lock(mutex_);
    if (epoch != epoch_ || pollRun_ == 0 || !onCheck_)
        return;
    for (const ButtonCheck& c : checks)
        onCheck_(c.commandId, c.check);
}

std::vector<ButtonCheck> StatusPoller::ReadRefresh() {
    CModelInfo2& model = transport_.Model();
    const auto table = InputTableForModel(model.ModelID);
    std::vector<ButtonCheck> checks;
    const int slot = transport_.ReportedSlot();
    if (slot < 0) {
        checks = UncheckAllRows(table);
    } else {
        ReplyBuffer reply{};
        const int result = transport_.SendToSlot(slot, kActionGet, kTypeInput, 0, reply.data());
        if (result != kExchangeOk) {
            checks = UncheckAllRows(table);
        } else if (reply[0] == kReplyData) {
            checks = InputChecksForCode(model, table, ReplyValue(reply.data()));
        }
    }
    return checks;
}

void StatusPoller::RefreshInputState() {
    const std::vector<ButtonCheck> checks = ReadRefresh();
    if (!onCheck_)
        return;
    for (const ButtonCheck& c : checks)
        onCheck_(c.commandId, c.check);
}

} // namespace orvane
