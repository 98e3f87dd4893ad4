#pragma once

#include "commands/InputChecks.h"
#include "commands/PollerControl.h"
#include "link/CommandTransport.h"

#include "linkcore/PjlinkNotifyListener.h"
#include "linkcore/PjlinkSettings.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane {

// The status poller: a background thread that asks the selected projector (SelectPrj) for its
// input source every PollInterval seconds and reports which input button is to be checked.
// The same reading is made once on the calling thread by RefreshInputState.
//
// Results leave the poller only through the callback, as (command id, 1 = check / 0 =
// uncheck); the window posts them to itself. The poller's callbacks run on the poller thread
// with the poller's lock held: a callback must only hand the result on (post it), and must not
// call back into the poller.
//
// Control is cooperative. The thread is never frozen from outside: suspend, resume and stop set
// state that the thread looks at in its safe points (before every exchange and throughout its
// wait between polls), and a wait is a condition wait that these changes end at once.
// - A suspend takes effect before the poller's next exchange. An exchange already under way
//   finishes, but its result is dropped: nothing the poller read before the suspend reaches the
//   toolbar after it, so a command's own refresh is never overwritten by an older reading.
// - One resume ends any number of suspends.
// - With PollInterval 0 the thread exists but never polls.
// - A stop wakes a suspended or waiting poller at once; an exchange under way ends within the
//   link's connect and reply time-outs. So a stop returns within one exchange time-out, and no
//   thread is ever killed: killing one in the middle of an exchange could leave the link's lock
//   held or its connection open. There is no fixed wait of several seconds for a poller that is
//   suspended or has nothing to do.
//
// A PJLink projector that is off or between states may refuse to tell its input (ERR3,
// "not now"): the poller then asks its power state, and one that is not on has no input,
// so every input button is unchecked rather than left as it was. The refusal is no error.
//
// With notifications heard (HearNotifications), a started poller also listens for the class 2
// notifications of the PJLink projectors in use, and the one of the reported projector moves
// the buttons at once instead of at the next poll: a new input checks its button, a power
// state other than on unchecks them all, and a projector that comes on or back on the network
// gets a refresh. They are handed on like a poll's results (on the listener's thread, with
// the lock held) and dropped while the poller is suspended.
class StatusPoller : public IPollerControl {
public:
    using CheckCallback = std::function<void(int commandId, int check)>;

    StatusPoller(CommandTransport& transport, CheckCallback onCheck);
    ~StatusPoller() override; // stops the poller
    StatusPoller(const StatusPoller&) = delete;
    StatusPoller& operator=(const StatusPoller&) = delete;

    // kPollerStart: a new poller (an old one is stopped first), running when PollInterval > 0;
    // kPollerStop: ends and joins it; kPollerSuspend / kPollerResume: as above (resume only
    // when PollInterval > 0). Nothing without a poller, nothing for other modes. Returns 0.
    // Called from the owner's thread only.
    int ControlPoller(int mode) override;

    // The status refresh: one input query to the selected projector through Link on the
    // calling thread, without the kind check. No selected projector or a link failure
    // unchecks every row of the input table in force; an answer that is not a data reply, or
    // a code not among the record's inputs, changes nothing.
    void RefreshInputState() override;

    // The same refresh, made by the poller's thread before its next poll instead of on the
    // caller's: the window shows at once and the buttons follow when the projector answers.
    // Its result is dropped like a poll's when a suspend comes meanwhile.
    void RequestRefresh();

    // Seconds between polls; 0 = no polling. A poller held by 0 (or suspended) runs again
    // only after a start or resume with an interval above 0; a running poller that sees 0
    // stops polling at its next safe point.
    void SetPollInterval(int seconds);
    int PollInterval() const { return pollInterval_.load(); }

    // Whether a start also listens for notifications (off by default: a command line that
    // runs one command has no use for them).
    void HearNotifications(bool on) { hearNotifications_ = on; }
    bool HearsNotifications() const { return notify_.Running(); }
    // A notification from `source` (dotted IPv4) as the listener hands it over.
    void OnNotification(std::string_view source, const linkcore::PjlinkNotification& notification);

    bool HasPoller() const { return thread_.joinable(); }
    bool IsSuspended() const { return suspended_.load(); }
    // Polls made since construction (each a pass that reached its wait), for tests and
    // diagnostics.
    std::uint64_t CompletedPolls() const { return completedPolls_.load(); }

private:
    void Start();
    void Stop();
    int PollerMain();
    void PollOnce();
    // Blocks while suspended or without an interval; false once a stop was asked for. `epoch`
    // receives the suspend count seen when the poller was let through.
    bool WaitUntilRunnable(std::uint64_t* epoch = nullptr);
    // Waits PollInterval seconds (longer while suspended); false once a stop was asked for.
    bool WaitInterval();
    void Deliver(const std::vector<ButtonCheck>& checks, std::uint64_t epoch);
    // The reading of the status refresh, on the calling thread.
    std::vector<ButtonCheck> ReadRefresh();
    // The checks for an input query's result: `usePollLink` says which link asks the power
    // state after a refusal.
    std::vector<ButtonCheck> ChecksForInputReply(int slot, int result, const ReplyBuffer& reply, bool usePollLink);
    // The refresh a notification asked for, made while the poller waits.
    void RefreshFromWait(std::unique_lock<std::mutex>& lock);
    void StartListening();

    CommandTransport& transport_;
    CheckCallback onCheck_;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<int> pollRun_{0};
    std::atomic<int> pollInterval_{0};
    std::atomic<bool> suspended_{false};
    std::atomic<bool> refreshPending_{false};
    // Counts suspends; a result read under another epoch than the current one is stale.
    std::uint64_t epoch_ = 0;
    std::atomic<std::uint64_t> completedPolls_{0};

    bool hearNotifications_ = false;
    linkcore::PjlinkSettings pjlink_;
    linkcore::PjlinkNotifyListener notify_;
};

} // namespace orvane
