// Toolbar buttons against projectors that pjsim plays on 127.0.0.1: what reaches them in
// which order, which message boxes the operator sees, and the input buttons' state. Every
// check runs twice: with the projectors speaking our protocol, and speaking PJLink.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "catalog/MessageCatalog.h"
#include "commands/CommandIds.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "support/PjsimProcess.h"
#include "support/UdpInbox.h"

#include "linkcore/PjtInterface.h"

#include <QAction>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;
using orvane::test::PjsimRequest;

namespace {

constexpr int kInputHdmi1 = 32908;
constexpr int kInputHdmi2 = 32909;
constexpr int kInputVideo = 32933;

// A TCP port on 127.0.0.1 that nothing listens on: one a simulator had until it stopped.
int ClosedPort() {
    PjsimProcess gone({PjsimProcess::Tcp()});
    const int port = gone.Port(1);
    gone.Stop();
    return port;
}

std::vector<PjsimRequest> RequestsOfType(const PjsimProcess& sim, int type) {
    std::vector<PjsimRequest> out;
    for (const PjsimRequest& r : sim.Requests()) {
        if (r.type == type)
            out.push_back(r);
    }
    return out;
}

QString SlotMessage(int number) {
    return QString::fromStdString(CatalogText(kCatalogSetErrors, number)) + QStringLiteral("(127.0.0.1)");
}

// Sets a projector's input the way another operator would, past the program.
bool SwitchInputBehindTheProgram(int port, int setting) {
    CPjtInterface link;
    char ip[64] = "127.0.0.1";
    char password[64] = "";
    link.CopyData(1, 0, port, ip, password);
    if (link.Open(&link) == 0)
        return false;
    unsigned char reply[128] = {};
    const int sent = link.Send(1, 0x2000, static_cast<unsigned short>(setting), reply, &link);
    link.Close(&link);
    return sent != 0 && reply[0] == 6;
}

} // namespace

class ToolbarCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    std::unique_ptr<COrvaneDlg> window_;
    std::string linkConf_; // more of LinkCore.conf's [PJLink] section

    static bool Pjlink() {
        QFETCH_GLOBAL(bool, pjlink);
        return pjlink;
    }

    // A projector definition in the protocol of the current run. PJLink projectors are of
    // class 2, since freeze is a class 2 command.
    static std::string Projector(const std::string& options = {}) {
        return Pjlink() ? PjsimProcess::Pjlink("class=2" + (options.empty() ? "" : "," + options))
                        : PjsimProcess::Tcp(options);
    }

    // The input setting that reaches the projector for our input code.
    static int InputSetting(int code, int pjlinkInput) { return Pjlink() ? pjlinkInput : code; }

    void Start(const std::vector<int>& ports, int interval) {
        if (Pjlink()) {
            std::string list;
            for (int port : ports)
                list += (list.empty() ? "" : ",") + std::to_string(port);
            box_->Write("LinkCore.conf", "[PJLink]\nPorts=" + list + "\n" + linkConf_);
        }
        box_->WriteConfig("AX-210", ports);
        box_->WriteOptions(1, 0, interval);
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({"AX-210"});
        QVERIFY(window_->OnInitDialog());
        window_->show();
        window_->CompleteStartup(); // as the first paint of the toolbar does
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    QAction* Button(int commandId) {
        for (QAction* action : window_->ToolbarActions()) {
            if (!action->isSeparator() && action->data().toInt() == commandId)
                return action;
        }
        return nullptr;
    }

    // Clicks a toolbar button and waits until its command has run.
    bool Click(int commandId) {
        QAction* button = Button(commandId);
        if (button == nullptr)
            return false;
        QSignalSpy finished(window_.get(), &COrvaneDlg::commandFinished);
        button->trigger();
        return finished.wait(20000);
    }

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("pjlink");
        QTest::newRow("orvane") << false;
        QTest::newRow("pjlink") << true;
    }

    void init() {
        box_ = std::make_unique<GuiSandbox>();
        boxes_ = std::make_unique<MessageBoxRecorder>();
    }

    void cleanup() {
        window_.reset();
        boxes_.reset();
        box_.reset();
        linkConf_.clear();
    }

    void slotsInOrderWithOneBoxPerFailingProjector() {
        const int closed = ClosedPort();
        PjsimProcess sim({Projector("power=on"), Projector("power=on,fault=nak"), Projector("power=on")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1), sim.Port(2), sim.Port(3), closed}, 0);

        // While each box is open, nothing has been sent to the projectors after its slot.
        std::vector<std::vector<int>> blankedWhileBoxOpen;
        boxes_->onBox = [&](const MessageBoxRecorder::Box&) {
            std::vector<int> projectors;
            for (const PjsimRequest& r : RequestsOfType(sim, 0x3020))
                projectors.push_back(r.projector);
            blankedWhileBoxOpen.push_back(projectors);
        };
        QVERIFY(Click(kCmdBlankOn));

        QCOMPARE(boxes_->Count(), std::size_t(2));
        for (const auto& shown : boxes_->Boxes()) {
            QCOMPARE(shown.text, SlotMessage(89));
            QCOMPARE(shown.style, MB_ICONSTOP);
            QVERIFY(shown.onGuiThread);
        }
        QCOMPARE(blankedWhileBoxOpen.size(), std::size_t(2));
        QCOMPARE(blankedWhileBoxOpen[0], (std::vector<int>{1, 2}));
        QCOMPARE(blankedWhileBoxOpen[1], (std::vector<int>{1, 2, 3}));

        const auto blanks = RequestsOfType(sim, 0x3020);
        QCOMPARE(blanks.size(), std::size_t(3));
        for (int n = 0; n < 3; ++n) {
            QCOMPARE(blanks[n].projector, n + 1);
            QCOMPARE(blanks[n].action, 1);
            QCOMPARE(blanks[n].setting, 1);
        }
        // Every projector was asked its kind before its first command.
        const auto all = sim.Requests();
        for (int n = 1; n <= 3; ++n) {
            auto kind =
                std::find_if(all.begin(), all.end(), [n](auto& r) { return r.projector == n && r.type == 0x1007; });
            auto blank =
                std::find_if(all.begin(), all.end(), [n](auto& r) { return r.projector == n && r.type == 0x3020; });
            QVERIFY(kind < blank);
        }
        QVERIFY(!window_->IsBusy());
    }

    void powerOnToAProjectorBetweenStatesIsPlainInformation() {
        PjsimProcess sim({Projector("power=transit")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1)}, 0);
        QVERIFY(Click(kCmdPowerOn));
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, SlotMessage(27));
        QCOMPARE(boxes_->Boxes()[0].style, MB_OK);
        QVERIFY(RequestsOfType(sim, 0x6000).size() == 1); // asked, never set
    }

    void inputButtonFollowsCommandsAndTheProjector() {
        PjsimProcess sim({Projector(Pjlink() ? "power=on,input=21" : "power=on,input=1")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1)}, 1);
        // The first refresh finds Video.
        QTRY_VERIFY(Button(kInputVideo)->isChecked());
        QVERIFY(!Button(kInputHdmi1)->isChecked());

        QVERIFY(Click(kInputHdmi1));
        QVERIFY(boxes_->Boxes().empty());
        const auto sets = [&] {
            std::vector<PjsimRequest> out;
            for (const PjsimRequest& r : RequestsOfType(sim, 0x2000)) {
                if (r.action == 1)
                    out.push_back(r);
            }
            return out;
        }();
        QCOMPARE(sets.size(), std::size_t(1));
        QCOMPARE(sets[0].setting, InputSetting(3, 31));
        QTRY_VERIFY(Button(kInputHdmi1)->isChecked());
        QVERIFY(!Button(kInputVideo)->isChecked());

        // Someone else switches the projector to HDMI 2: the poller notices within its interval.
        QVERIFY(SwitchInputBehindTheProgram(sim.Port(1), 13));
        QTRY_VERIFY_WITH_TIMEOUT(Button(kInputHdmi2)->isChecked(), 5000);
        QVERIFY(!Button(kInputHdmi1)->isChecked());
        QVERIFY(!Button(kInputVideo)->isChecked());

        // The projector goes away: every input button is unchecked.
        sim.Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!Button(kInputHdmi2)->isChecked(), 8000);
    }

    // A class 2 projector tells of an input change made behind the program's back. The next
    // poll is an hour away, so only its notification can move the buttons.
    void inputButtonsFollowTheProjectorsNotifications() {
        if (!Pjlink())
            QSKIP("notifications are PJLink's");
        test::UdpInbox port;
        port.Release();
        const std::string notifyPort = std::to_string(port.Port());
        PjsimProcess sim({Projector("power=on,input=31,notify=127.0.0.1:" + notifyPort)});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        linkConf_ = "NotifyAddress=127.0.0.1\nNotifyPort=" + notifyPort + "\n";
        Start({sim.Port(1)}, 3600);
        QTRY_VERIFY(Button(kInputHdmi1)->isChecked());
        QVERIFY(window_->Poller().HearsNotifications());

        QElapsedTimer sinceSwitch;
        sinceSwitch.start();
        QVERIFY(SwitchInputBehindTheProgram(sim.Port(1), 13));
        QTRY_VERIFY_WITH_TIMEOUT(Button(kInputHdmi2)->isChecked(), 5000);
        qInfo("checked %lld ms after the switch", static_cast<long long>(sinceSwitch.elapsed()));
        QVERIFY(!Button(kInputHdmi1)->isChecked());
        QVERIFY(!sim.LogLines("NOTIFY 1 %2INPT=32").empty());
    }

    void clicksDuringACommandWaitAndRunInOrderAfterIt() {
        PjsimProcess sim(
            {Projector(Pjlink() ? "power=on,input=31,fault=slow:300" : "power=on,input=3,fault=slow:300")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1)}, 0);
        QVERIFY(Click(kInputHdmi1));
        QTRY_VERIFY(Button(kInputHdmi1)->isChecked());

        QSignalSpy finished(window_.get(), &COrvaneDlg::commandFinished);
        int ticksWhileBusy = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (window_->IsBusy())
                ++ticksWhileBusy;
        });
        ticker.start(50);
        Button(kCmdPowerOn)->trigger();
        QVERIFY(window_->IsBusy());
        QCOMPARE(window_->Toolbar()->cursor().shape(), Qt::BusyCursor);
        // Meanwhile: Power On again, Video twice, Blank On, Freeze On from elsewhere.
        Button(kCmdPowerOn)->trigger();
        Button(kInputVideo)->trigger();
        // Nothing was sent for Video yet: its button does not look pressed.
        QVERIFY(!Button(kInputVideo)->isChecked());
        QVERIFY(Button(kInputHdmi1)->isChecked());
        Button(kInputVideo)->trigger();
        Button(kCmdBlankOn)->trigger();
        window_->OnCommand(kCmdFreezeOn);

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 20000);
        QCOMPARE(finished[0].at(0).toInt(), kCmdPowerOn);
        QCOMPARE(finished[1].at(0).toInt(), kInputVideo);
        QCOMPARE(finished[2].at(0).toInt(), kCmdBlankOn);
        QCOMPARE(finished[3].at(0).toInt(), kCmdFreezeOn);
        QVERIFY(!window_->IsBusy());
        QCOMPARE(window_->Toolbar()->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(ticksWhileBusy >= 3);

        std::vector<std::string> sets;
        for (const PjsimRequest& r : sim.Requests()) {
            if (r.action == 1)
                sets.push_back(std::to_string(r.type) + "=" + std::to_string(r.setting));
        }
        // HDMI 1; Power On finds the projector on; then Video, Blank On and Freeze On, each once.
        const std::string hdmi1 = "8192=" + std::to_string(InputSetting(3, 31));
        const std::string video = "8192=" + std::to_string(InputSetting(1, 21));
        QCOMPARE(sets, (std::vector<std::string>{hdmi1, video, "12320=1", "12290=1"}));
        QTRY_VERIFY(Button(kInputVideo)->isChecked());
        QVERIFY(!Button(kInputHdmi1)->isChecked());
        QVERIFY(boxes_->Boxes().empty());
    }

    void freezeOnHidesTheWindowAroundTheSend() {
        PjsimProcess sim({Projector("power=on"), Projector("power=on,fault=nak")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1), sim.Port(2)}, 0);

        std::vector<bool> visibleWhenSent;
        boxes_->onBox = [&](const MessageBoxRecorder::Box&) { visibleWhenSent.push_back(window_->isVisible()); };
        bool hiddenDuringSend = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window_->IsBusy() && !window_->isVisible())
                hiddenDuringSend = true;
        });
        watcher.start(5);
        QVERIFY(Click(kCmdFreezeOn));
        QVERIFY(hiddenDuringSend);
        QVERIFY(window_->isVisible());
        // The failing projector's box is shown over the window, which comes back for it.
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, SlotMessage(91));
        QCOMPARE(visibleWhenSent, std::vector<bool>{true});
        QCOMPARE(RequestsOfType(sim, 0x3002).size(), std::size_t(2));
    }
};

QTEST_MAIN(ToolbarCommandsTest)
#include "ToolbarCommandsTest.moc"
