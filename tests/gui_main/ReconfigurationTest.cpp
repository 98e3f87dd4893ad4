// The Config command: what the window holds back while the configuration dialog runs, and
// what it keeps or rebuilds afterwards.

#include "ScriptedOperator.h"
#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "commands/CommandIds.h"
#include "config/qt/CnfConn.h"
#include "mainwnd/InstanceLock.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "support/PjsimProcess.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <filesystem>
#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;

namespace {

// What the dialog may change, side by side.
std::string Summary(const CModelInfo2& m) {
    std::string s = m.Name + "|" + std::to_string(m.PjtNum) + "|" + std::to_string(m.SelectPrj) + "|" +
                    std::to_string(m.IconSize) + "|" + std::to_string(m.PortNo[0]) + "|" + m.IPAddress[0] + "|";
    for (int c = 0; c < CModelInfo2::kInputCapacity; ++c)
        s += std::to_string(m.InputShow[c]) + ":" + m.InputNameView[c] + ",";
    return s;
}

} // namespace

class ReconfigurationTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    std::unique_ptr<PjsimProcess> sim_;
    std::unique_ptr<test::ScriptedOperator> operator_;
    std::unique_ptr<COrvaneDlg> window_;
    int menus_ = 0;

    QAction* Button(int commandId) {
        for (QAction* action : window_->ToolbarActions()) {
            if (!action->isSeparator() && action->data().toInt() == commandId)
                return action;
        }
        return nullptr;
    }

private slots:
    void init() {
        menus_ = 0;
        box_ = std::make_unique<GuiSandbox>();
        boxes_ = std::make_unique<MessageBoxRecorder>();
        sim_ = std::make_unique<PjsimProcess>(std::vector<std::string>{PjsimProcess::Tcp("power=on,input=3")});
        QVERIFY2(sim_->Ready(), sim_->Error().c_str());
        box_->WriteConfig("AX-210", {sim_->Port(1)});
        box_->WriteOptions(1, 0, 30);
        window_ = std::make_unique<COrvaneDlg>();
        operator_ = std::make_unique<test::ScriptedOperator>();
        window_->SetArguments({"AX-210"});
        window_->SetOperatorSide(operator_.get());
        operator_->menu = [this](QMenu&, const QPoint&) {
            ++menus_;
            return 0;
        };
        QVERIFY(window_->OnInitDialog());
        window_->show();
        window_->CompleteStartup();              // as the first paint of the toolbar does
        QTRY_VERIFY(Button(32908)->isChecked()); // HDMI 1, from the first refresh
    }

    void cleanup() {
        window_.reset();
        operator_.reset();
        sim_.reset();
        boxes_.reset();
        box_.reset();
    }

    void cancelPutsTheRecordBack() {
        const std::string before = Summary(window_->WorkingModel());
        const std::vector<QAction*> actionsBefore = window_->ToolbarActions();
        bool modal = false, pollerStopped = false;
        operator_->config = [&](CConfDlg& dialog) {
            modal = window_->Flags().ModalOpen == 1;
            pollerStopped = !window_->Poller().HasPoller();
            window_->OnTrayNotify(TrayMouse::RightButtonDown);
            // The dialog edits the working record in place, then is cancelled.
            CModelInfo2& m = *dialog.Model;
            m.Name = "Changed";
            m.PjtNum = 0;
            m.SelectPrj = 0;
            m.IconSize = 2;
            m.PortNo[0] = 1;
            SetText(m.IPAddress[0], "10.0.0.1");
            m.InputShow[2] = 0;
            SetText(m.InputNameView[0], "Desk");
            return IDCANCEL;
        };
        window_->OnCommand(kCmdConfig);
        QVERIFY(modal);
        QVERIFY(pollerStopped);
        QCOMPARE(menus_, 0); // no tray menu while the dialog is open
        QCOMPARE(Summary(window_->WorkingModel()), before);
        QCOMPARE(window_->ToolbarActions(), actionsBefore); // nothing rebuilt
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QVERIFY(window_->Poller().HasPoller());
        QVERIFY(!window_->IsBusy());
        QCOMPARE(window_->TrayTip(), QStringLiteral("Orvane - AX-210"));

        // The restored record still drives the projector.
        QSignalSpy finished(window_.get(), &COrvaneDlg::commandFinished);
        Button(32933)->trigger(); // Video
        QVERIFY(finished.wait(10000));
        QVERIFY(boxes_->Boxes().empty());
        QTRY_VERIFY(Button(32933)->isChecked());
    }

    void okRebuildsAndRefreshes() {
        const std::size_t requestsBefore = sim_->Requests().size();
        operator_->config = [&](CConfDlg& dialog) {
            CModelInfo2& m = *dialog.Model;
            m.IconSize = 1;
            m.InputShow[4] = 0; // Video
            SetText(m.InputNameView[2], "Desk");
            m.AlwaysOnTop = 1;
            dialog.UpdateInterval = -4;
            return IDOK;
        };
        QSignalSpy finished(window_.get(), &COrvaneDlg::commandFinished);
        window_->OnCommand(kCmdTrayConfig);
        // The refresh after OK runs like a command; the tray menu stays shut until it ends.
        QCOMPARE(window_->Flags().ModalOpen, 1);
        QVERIFY(finished.wait(10000));
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QCOMPARE(window_->PollInterval(), 0);
        QVERIFY(window_->Poller().HasPoller());
        QCOMPARE(window_->Toolbar()->iconSize(), QSize(32, 32));
        QVERIFY(Button(32933) == nullptr);
        QCOMPARE(Button(32908)->text(), QStringLiteral("Desk"));
        QVERIFY(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window_->isVisible());
        QVERIFY(window_->TrayIcon() != nullptr);
        // One input query for the new toolbar, whose HDMI 1 button comes up checked.
        QVERIFY(sim_->WaitForRequests(requestsBefore + 1));
        const auto last = sim_->Requests().back();
        QCOMPARE(last.action, 2);
        QCOMPARE(last.type, 0x2000);
        QTRY_VERIFY(Button(32908)->isChecked());
    }

    void failedOkThenCancelKeepsTheLockAndEveryFile() {
        const std::string current = box_->Read("Orvane.txt");
        const std::string options = box_->Read("OrvaneOpt.txt");
        // The new model's own file cannot be written: a directory has taken its name.
        QVERIFY(std::filesystem::create_directory(box_->File("QX-88.txt")));
        bool closedByOk = true;
        operator_->config = [&](CConfDlg& dialog) {
            if (!dialog.OnInitDialog())
                return IDCANCEL;
            const int i = dialog.ModelCombo->findText(QStringLiteral("QX-88"));
            dialog.ModelCombo->setCurrentIndex(i);
            emit dialog.ModelCombo->activated(i);
            dialog.PageConn->Rs232cRadio->click();
            dialog.PageConn->InsertButton->click();
            dialog.OnOK();
            closedByOk = dialog.result() != 0;
            return IDCANCEL; // the operator gives up after the error box
        };
        window_->OnCommand(kCmdConfig);
        QVERIFY(!closedByOk);
        // Choosing the model tells that its file cannot be read; OK, that it cannot be written.
        QCOMPARE(boxes_->Count(), std::size_t(2));
        QVERIFY(boxes_->Boxes()[1].text.contains(QString::fromStdString(box_->File("QX-88.txt"))));
        QCOMPARE(box_->Read("Orvane.txt"), current);
        QCOMPARE(box_->Read("OrvaneOpt.txt"), options);
        // The program still holds its own configuration's lock, and only that one.
        InstanceLock probe;
        QCOMPARE(probe.Take("AX-210"), InstanceLock::kHeldElsewhere);
        QCOMPARE(probe.Take("QX-88"), InstanceLock::kTaken);
        QCOMPARE(window_->WorkingModel().Name, std::string("AX-210"));
    }
};

QTEST_MAIN(ReconfigurationTest)
#include "ReconfigurationTest.moc"
