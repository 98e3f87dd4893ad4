#include "mainwnd/qt/CommandRunner.h"

#include <QMetaObject>

namespace orvane {

CommandRunner::CommandRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<orvane::CommandResult>();
    connect(this, &CommandRunner::workDone, this, &CommandRunner::Complete, Qt::QueuedConnection);
}

CommandRunner::~CommandRunner() {
    Stop();
}

bool CommandRunner::Start(int commandId, CommandResult::Kind kind, Work work) {
    if (busy_ || stopped_)
        return false;
    busy_ = true;
    runningId_ = commandId;
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(work);
        jobResult_ = CommandResult{};
        jobResult_.commandId = commandId;
        jobResult_.kind = kind;
        jobWaiting_ = true;
        jobActive_ = true;
    }
    // Made with the first command: a window that is only looked at never pays for it.
    if (!worker_.joinable())
        worker_ = std::thread([this] { WorkerMain(); });
    changed_.notify_all();
    return true;
}

bool CommandRunner::Defer(int commandId) {
    if (!busy_ || stopped_)
        return false;
    return clicks_.Add(commandId, runningId_);
}

void CommandRunner::WorkerMain() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return jobWaiting_ || quit_; });
        if (!jobWaiting_)
            return;
        jobWaiting_ = false;
        Work work = std::move(job_);
        job_ = nullptr;
        CommandResult result = jobResult_;
        lock.unlock();
        work(result);
        work = nullptr; // what the work holds goes with it, here
        lock.lock();
        jobResult_ = result;
        jobActive_ = false;
        lock.unlock();
        changed_.notify_all();
        emit workDone(result);
        lock.lock();
    }
}

void CommandRunner::Complete(const CommandResult& result) {
    // A result that Stop has delivered already comes again by the queue: once is enough.
    if (!busy_ || delivering_)
        return;
    delivering_ = true;
    emit resultReady(result);
    delivering_ = false;
    busy_ = false;
    const int id = runningId_;
    runningId_ = 0;
    emit finished(id);
    if (!stopped_ && !clicks_.Empty()) {
        QMetaObject::invokeMethod(
            this, [this] { RunNextClick(); }, Qt::QueuedConnection);
    }
}

void CommandRunner::RunNextClick() {
    if (busy_ || stopped_)
        return;
    const int next = clicks_.Take();
    if (next != 0)
        emit clickDue(next);
    // A click that ran without the worker (a dialog, the tray menu) leaves the rest waiting.
    if (!busy_ && !stopped_ && !clicks_.Empty()) {
        QMetaObject::invokeMethod(
            this, [this] { RunNextClick(); }, Qt::QueuedConnection);
    }
}

void CommandRunner::CallOnGuiThread(const std::function<void()>& call) {
    std::lock_guard caller(callers_);
    std::unique_lock lock(mutex_);
    call_ = &call;
    const std::uint64_t done = callsDone_ + 1;
    QMetaObject::invokeMethod(
        this, [this] { ServeCall(); }, Qt::QueuedConnection);
    // A window's thread waiting in Stop serves the call without its event loop.
    changed_.notify_all();
    changed_.wait(lock, [this, done] { return callsDone_ >= done; });
}

void CommandRunner::ServeCall() {
    const std::function<void()>* call = nullptr;
    {
        std::lock_guard lock(mutex_);
        call = call_;
        call_ = nullptr;
    }
    // Served already (Stop serves what the worker asks without the event loop).
    if (call == nullptr)
        return;
    (*call)();
    {
        std::lock_guard lock(mutex_);
        ++callsDone_;
    }
    changed_.notify_all();
}

void CommandRunner::Stop() {
    clicks_.Clear();
    stopped_ = true;
    if (worker_.joinable()) {
        // Waiting for the worker here must still serve what it asks of this thread, or the
        // two would wait for each other.
        for (;;) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return call_ != nullptr || !jobActive_; });
            if (call_ == nullptr)
                break;
            lock.unlock();
            ServeCall();
        }
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    if (busy_ && !delivering_) {
        CommandResult result;
        {
            std::lock_guard lock(mutex_);
            result = jobResult_;
        }
        Complete(result);
    }
}

} // namespace orvane
