#pragma once

#include "mainwnd/ClickQueue.h"

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace orvane {

// What a run beside the window hands back for the window to show.
struct CommandResult {
    enum class Kind {
        Command,        // a projector command; Volume's opens the panel with a level
        VolumeStep,     // the panel's up or down, and the level after it
        ImageSendSlots, // the projectors the image-send dialog may be handed
        InputRefresh,   // the refresh after a reconfiguration
    };
    int commandId = 0;
    Kind kind = Kind::Command;
    int volumeLevel = -1; // -1: not read, or the read failed
    std::vector<int> imageSendSlots;
};

// Runs the window's commands one at a time on one worker thread, so that the window keeps
// painting while a command's exchanges take their time. Clicks that arrive meanwhile wait
// in a ClickQueue and come back, in order, once the command has ended.
//
// Whatever the worker needs done to windows (a message box, hiding the toolbar, the
// poller's suspend) it hands to the window's thread through OnGuiThread and waits for, so
// that it happens in exactly the order the command asks for it; no widget is touched from
// the worker. Everything else is called on the window's thread.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(CommandResult& result)>;

    explicit CommandRunner(QObject* parent = nullptr);
    ~CommandRunner() override; // Stop()
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Starts `work` on the worker; false, and nothing done, while a command runs or after
    // Stop. The result, with `commandId` and `kind` filled in, comes back by resultReady.
    [[nodiscard]] bool Start(int commandId, CommandResult::Kind kind, Work work);
    // True from Start until resultReady's receivers have returned.
    bool Busy() const { return busy_; }
    int RunningId() const { return runningId_; }

    // A click while a command runs: kept to come back by clickDue, unless the ClickQueue
    // drops it. True when kept.
    bool Defer(int commandId);
    std::size_t Waiting() const { return clicks_.Size(); }

    // Runs `f` on the window's thread and returns its result; the calling thread (the
    // worker, as a rule) waits meanwhile. Called on the window's thread, it simply runs `f`.
    template <typename F> auto OnGuiThread(F&& f) -> decltype(f());

    // Drops the waiting clicks, lets the command in hand end (serving what it asks of the
    // window's thread meanwhile, and nothing else), delivers its result, and ends the
    // worker. Start does nothing afterwards. Not to be called from within a call that
    // OnGuiThread carries out.
    void Stop();

signals:
    // On the window's thread, while Busy() still holds: the window shows the result here.
    void resultReady(const orvane::CommandResult& result);
    // Then, with Busy() false.
    void finished(int commandId);
    // A waiting click's turn has come; the receiver runs it as if it had just arrived.
    void clickDue(int commandId);
    // From the worker to the window's thread; queued.
    void workDone(const orvane::CommandResult& result);

private:
    void WorkerMain();
    void Complete(const CommandResult& result);
    void RunNextClick();
    // The worker's side of OnGuiThread: posts `call`, waits until it has been carried out.
    void CallOnGuiThread(const std::function<void()>& call);
    // The window's side: carries out the posted call, if one waits.
    void ServeCall();

    // Window's thread only.
    bool busy_ = false;
    bool delivering_ = false; // resultReady's receivers run
    bool stopped_ = false;
    int runningId_ = 0;
    ClickQueue clicks_;

    // Shared with the worker, under mutex_.
    std::mutex callers_; // one call from another thread at a time
    std::mutex mutex_;
    std::condition_variable changed_;
    Work job_;
    CommandResult jobResult_;
    bool jobWaiting_ = false; // a job is handed over and not yet taken
    bool jobActive_ = false;  // handed over and not yet done
    bool quit_ = false;
    const std::function<void()>* call_ = nullptr; // posted, not yet taken
    std::uint64_t callsDone_ = 0;
    std::thread worker_;
};

template <typename F> auto CommandRunner::OnGuiThread(F&& f) -> decltype(f()) {
    using Result = decltype(f());
    if (QThread::currentThread() == thread())
        return f();
    if constexpr (std::is_void_v<Result>) {
        CallOnGuiThread([&f] { f(); });
    } else {
        Result result{};
        CallOnGuiThread([&result, &f] { result = f(); });
        return result;
    }
}

} // namespace orvane

Q_DECLARE_METATYPE(orvane::CommandResult)
