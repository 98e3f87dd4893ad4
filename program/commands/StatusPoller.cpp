#include "commands/StatusPoller.h"

#include "link/SharedField.h"

#include "linkcore/LinkSettings.h"

#include <chrono>
#include <cstring>
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
    StartListening();
    ControlPoller(kPollerResume);
}

void StatusPoller::StartListening() {
    if (!hearNotifications_)
        return;
    // The link's own settings file, read as each Open of the link reads it.
    pjlink_ = linkcore::PjlinkSettings::FromProfile(linkcore::LinkSettings::Load().Profile());
    const CModelInfo2& model = transport_.Model();
    std::vector<std::string> sources;
    for (int slot = 0; slot < transport_.SlotsInUse(); ++slot) {
        if (IsPjlinkSlot(model, slot, pjlink_))
            sources.emplace_back(FieldText(model.IPAddress[slot]));
    }
    if (sources.empty())
        return;
    // A port another controller of this machine holds leaves the toolbar with its polls alone.
    std::string ignored;
    (void)notify_.Start(
        pjlink_, std::move(sources),
        [this](const std::string& source, const linkcore::PjlinkNotification& n) { OnNotification(source, n); },
        ignored);
}

void StatusPoller::OnNotification(std::string_view source, const linkcore::PjlinkNotification& notification) {
    using Kind = linkcore::PjlinkNotification::Kind;
    const CModelInfo2& model = transport_.Model();
    const int slot = transport_.ReportedSlot();
    if (slot < 0 || model.ConnectMethod[slot] != CModelInfo2::kMethodNetwork ||
        FieldText(model.IPAddress[slot]) != source)
        return;
    const auto table = InputTableForModel(model.ModelID);
    std::vector<ButtonCheck> checks;
    switch (notification.kind) {
    case Kind::Input:
        if (std::uint16_t code = 0; pjlink_.CodeFor(notification.value, code))
            checks = InputChecksForCode(model, table, code);
        break;
    case Kind::Power:
        if (notification.power != 1) {
            checks = UncheckAllRows(table);
            break;
        }
        [[fallthrough]]; // on: its input is worth asking now
    case Kind::Lookup: {
        {
            std::lock_guard lock(mutex_);
            refreshPending_ = true;
        }
        wake_.notify_all();
        return;
    }
    default:
        return;
    }
    std::lock_guard lock(mutex_);
    if (suspended_ || pollRun_ == 0 || !onCheck_)
        return;
    for (const ButtonCheck& c : checks)
        onCheck_(c.commandId, c.check);
}

void StatusPoller::Stop() {
    // First, so that no notification is handed on while the poller ends.
    notify_.Stop();
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
        if (refreshPending_) {
            RefreshFromWait(lock);
            continue;
        }
        if (Clock::now() >= deadline)
            return true;
        wake_.wait_until(lock, deadline,
                         [this] { return pollRun_ == 0 || suspended_ || pollInterval_ <= 0 || refreshPending_; });
    }
}

void StatusPoller::RefreshFromWait(std::unique_lock<std::mutex>& lock) {
    refreshPending_ = false;
    const std::uint64_t epoch = epoch_;
    lock.unlock();
    const std::vector<ButtonCheck> checks = ReadRefresh();
    Deliver(checks, epoch);
    lock.lock();
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
    Deliver(ChecksForInputReply(slot, result, reply, true), epoch);
}

std::vector<ButtonCheck> StatusPoller::ChecksForInputReply(int slot, int result, const ReplyBuffer& reply,
                                                           bool usePollLink) {
    const CModelInfo2& model = transport_.Model();
    const auto table = InputTableForModel(model.ModelID);
    if (result != kExchangeOk)
        return UncheckAllRows(table);
    if (reply[0] == kReplyData)
        return InputChecksForCode(model, table, ReplyValue(reply.data()));
    // PJLink's "not now" (ERR3) comes back as a refusal; our own protocol answers an input
    // query in any state, so its refusal stays a reply the poller does not understand.
    // The settings are read as each Open of the link reads them; only a refusal costs the look.
    if (reply[0] != kReplyNak ||
        !IsPjlinkSlot(model, slot, linkcore::PjlinkSettings::FromProfile(linkcore::LinkSettings::Load().Profile())))
        return {};
    // A projector that is off or between states shows no input.
    ReplyBuffer power{};
    const int asked = usePollLink ? transport_.PollSendToSlot(slot, kActionGet, kTypePower, 0, power.data())
                                  : transport_.SendToSlot(slot, kActionGet, kTypePower, 0, power.data());
    if (asked == kExchangeOk && power[0] == kReplyData && ReplyValue(power.data()) != kPowerOn)
        return UncheckAllRows(table);
    return {};
}

void StatusPoller::Deliver(const std::vector<ButtonCheck>& checks, std::uint64_t epoch) {
    if (checks.empty())
        return;
    std::lock_guard lock(mutex_);
    if (epoch != epoch_ || pollRun_ == 0 || !onCheck_)
        return;
    for (const ButtonCheck& c : checks)
        onCheck_(c.commandId, c.check);
}

std::vector<ButtonCheck> StatusPoller::ReadRefresh() {
    const int slot = transport_.ReportedSlot();
    if (slot < 0)
        return UncheckAllRows(InputTableForModel(transport_.Model().ModelID));
    ReplyBuffer reply{};
    const int result = transport_.SendToSlot(slot, kActionGet, kTypeInput, 0, reply.data());
    return ChecksForInputReply(slot, result, reply, false);
}

void StatusPoller::RefreshInputState() {
    const std::vector<ButtonCheck> checks = ReadRefresh();
    if (!onCheck_)
        return;
    for (const ButtonCheck& c : checks)
        onCheck_(c.commandId, c.check);
}

} // namespace orvane
