// The command runner on its own: one worker for every command, results and waiting clicks
// back on the window's thread, and an end that never leaves the worker waiting.

#include "mainwnd/qt/CommandRunner.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using namespace orvane;
using Kind = CommandResult::Kind;

class CommandRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void commandsRunOneAfterAnotherOnOneWorker() {
        CommandRunner runner;
        const std::thread::id gui = std::this_thread::get_id();
        std::vector<std::thread::id> workers;
        std::vector<int> shownIds;
        std::vector<bool> busyWhileShown;
        std::vector<std::thread::id> shownOn;
        connect(&runner, &CommandRunner::resultReady, this, [&](const CommandResult& result) {
            shownIds.push_back(result.commandId);
            busyWhileShown.push_back(runner.Busy());
            shownOn.push_back(std::this_thread::get_id());
            QCOMPARE(result.volumeLevel, result.commandId == 2 ? 17 : -1);
            QCOMPARE(result.kind, result.commandId == 2 ? Kind::VolumeStep : Kind::Command);
        });
        QSignalSpy finished(&runner, &CommandRunner::finished);

        for (int id : {1, 2}) {
            QVERIFY(runner.Start(id, id == 2 ? Kind::VolumeStep : Kind::Command, [&, id](CommandResult& result) {
                workers.push_back(std::this_thread::get_id());
                if (id == 2)
                    result.volumeLevel = 17;
            }));
            QVERIFY(runner.Busy());
            QCOMPARE(runner.RunningId(), id);
            // A second command is refused while one runs; its click waits instead.
            QVERIFY(!runner.Start(99, Kind::Command, [](CommandResult&) {}));
            QVERIFY(finished.wait(5000));
            QVERIFY(!runner.Busy());
        }
        QCOMPARE(workers.size(), std::size_t(2));
        QCOMPARE(workers[0], workers[1]);
        QVERIFY(workers[0] != gui);
        QCOMPARE(shownIds, (std::vector<int>{1, 2}));
        QCOMPARE(busyWhileShown, (std::vector<bool>{true, true}));
        QCOMPARE(shownOn, (std::vector<std::thread::id>{gui, gui}));
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished[1].at(0).toInt(), 2);
    }

    void theWorkersWindowStepsRunOnTheWindowsThreadInOrder() {
        CommandRunner runner;
        const std::thread::id gui = std::this_thread::get_id();
        std::vector<std::string> steps;
        std::atomic<bool> onGui{true};
        QVERIFY(runner.Start(5, Kind::Command, [&](CommandResult&) {
            steps.push_back("worker before");
            const int answer = runner.OnGuiThread([&] {
                onGui = onGui && std::this_thread::get_id() == gui;
                steps.push_back("window");
                return 42;
            });
            steps.push_back("worker after " + std::to_string(answer));
        }));
        QSignalSpy finished(&runner, &CommandRunner::finished);
        QVERIFY(finished.wait(5000));
        QVERIFY(onGui);
        QCOMPARE(steps, (std::vector<std::string>{"worker before", "window", "worker after 42"}));
        // On the window's thread itself the call simply runs.
        QCOMPARE(runner.OnGuiThread([] { return 7; }), 7);
    }

    void waitingClicksComeBackInOrderOnceTheCommandHasEnded() {
        CommandRunner runner;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::vector<int> due;
        std::vector<bool> busyWhenDue;
        connect(&runner, &CommandRunner::clickDue, this, [&](int id) {
            due.push_back(id);
            busyWhenDue.push_back(runner.Busy());
            // The first click that comes back runs a command of its own; the next one
            // comes only after that.
            if (id == 20)
                QVERIFY(runner.Start(id, Kind::Command, [](CommandResult&) {}));
        });
        QVERIFY(!runner.Defer(10)); // nothing runs: nothing to wait for
        QVERIFY(runner.Start(10, Kind::Command, [released](CommandResult&) { released.wait(); }));
        QVERIFY(runner.Defer(20));
        QVERIFY(!runner.Defer(20)); // a repeated click counts once
        QVERIFY(runner.Defer(30));
        QCOMPARE(runner.Waiting(), std::size_t(2));
        QCoreApplication::processEvents();
        QVERIFY(due.empty());
        release.set_value();
        QTRY_COMPARE(due.size(), std::size_t(2));
        QCOMPARE(due, (std::vector<int>{20, 30}));
        QCOMPARE(busyWhenDue, (std::vector<bool>{false, false}));
        QVERIFY(!runner.Busy());
    }

    void stopServesTheWorkerAndDeliversTheLastResult() {
        auto runner = std::make_unique<CommandRunner>();
        std::promise<void> started;
        std::atomic<bool> served{false};
        int shown = 0;
        std::vector<int> due;
        connect(runner.get(), &CommandRunner::resultReady, this, [&](const CommandResult& r) { shown = r.commandId; });
        connect(runner.get(), &CommandRunner::clickDue, this, [&](int id) { due.push_back(id); });
        QVERIFY(runner->Start(8, Kind::Command, [&](CommandResult&) {
            started.set_value();
            // Asked while the window's thread is already in Stop, off its event loop.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            runner->OnGuiThread([&] { served = true; });
        }));
        QVERIFY(runner->Defer(9));
        started.get_future().wait();
        runner->Stop();
        QVERIFY(served);
        QCOMPARE(shown, 8);
        QVERIFY(!runner->Busy());
        QVERIFY(!runner->Start(10, Kind::Command, [](CommandResult&) {}));
        // The queued copy of the result, and the click that waited, come to nothing.
        QCoreApplication::processEvents();
        QCOMPARE(shown, 8);
        QVERIFY(due.empty());
        runner.reset();
    }
};

QTEST_MAIN(CommandRunnerTest)
#include "CommandRunnerTest.moc"
