// The Advance button: the projector choice, the poller and the tray lock around the
// adjustment dialog, and the dialog reaching the chosen projector.

#include "ScriptedOperator.h"
#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "adjust/qt/AdvanceDlg.h"
#include "commands/CommandIds.h"
#include "config/qt/AdvPjt.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "mainwnd/qt/VolDlg.h"
#include "support/PjsimProcess.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;
using orvane::test::PjsimRequest;

class AdvanceLauncherTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    std::unique_ptr<test::ScriptedOperator> operator_;
    std::unique_ptr<COrvaneDlg> window_;

    void Start(const std::vector<int>& ports, const std::string& model = "AX-210") {
        box_->WriteConfig(model, ports);
        box_->WriteOptions(1, 0, 1);
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({model});
        window_->SetOperatorSide(operator_.get());
        QVERIFY(window_->OnInitDialog());
        window_->show();
        window_->CompleteStartup(); // as the first paint of the toolbar does
    }

private slots:
    void init() {
        box_ = std::make_unique<GuiSandbox>();
        boxes_ = std::make_unique<MessageBoxRecorder>();
        operator_ = std::make_unique<test::ScriptedOperator>();
    }

    void cleanup() {
        window_.reset();
        operator_.reset();
        boxes_.reset();
        box_.reset();
    }

    void theChosenProjectorsDialogRunsWithThePollerSuspended() {
        PjsimProcess sim(
            {PjsimProcess::Tcp("power=on,values=0x4000:11"), PjsimProcess::Tcp("power=on,values=0x4000:22")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1), sim.Port(2)});
        window_->PlaceVolumePopup(false);
        QVERIFY(window_->Volume().Panel()->isVisible());

        int selections = 0;
        operator_->projectorChoice = [&](CAdvPjt& select) {
            ++selections;
            select.OnInitDialog();
            // The selection runs with the panel hidden, the poller suspended, the tray free.
            [&] {
                QVERIFY(!window_->Volume().Panel()->isVisible());
                QVERIFY(window_->Poller().IsSuspended());
                QCOMPARE(window_->Flags().ModalOpen, 0);
                QCOMPARE(select.SlotCombo->count(), 2);
            }();
            select.SlotCombo->setCurrentIndex(1);
            select.OnOK();
            return IDOK;
        };
        int brightness = -1;
        operator_->advance = [&](CAdvanceDlg& dialog) {
            QSignalSpy read(&dialog, &CAdvanceDlg::valuesRead);
            dialog.OnInitDialog();
            [&] {
                QCOMPARE(window_->Flags().ModalOpen, 1);
                QVERIFY(window_->Poller().IsSuspended());
                QVERIFY(read.wait(10000));
            }();
            brightness = dialog.Slider(0x4000)->value();
            QSignalSpy finished(&dialog, &CAdvanceDlg::setFinished);
            dialog.Slider(0x4000)->setValue(40);
            [&] { QVERIFY(finished.wait(5000)); }();
            return IDOK;
        };
        window_->OnCommand(kCmdAdvance);
        QCOMPARE(selections, 1);
        QCOMPARE(brightness, 22); // projector 2's value
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QVERIFY(!window_->Poller().IsSuspended());
        bool setOnSecond = false;
        for (const PjsimRequest& r : sim.Requests())
            setOnSecond = setOnSecond || (r.projector == 2 && r.action == 1 && r.type == 0x4000 && r.setting == 40);
        QVERIFY(setOnSecond);
    }

    void aPluginModelOpensThePluginsOwnDialogForTheChosenProjector() {
        std::filesystem::create_directories(box_->File("plugin"));
        std::filesystem::copy_file(std::string(ORVANE_BIN_DIR) + "/plugin/Adjust_Demo.so",
                                   box_->File("plugin/Adjust_Demo.so"));
        PjsimProcess sim(
            {PjsimProcess::Tcp("power=on,values=0x4000:11"), PjsimProcess::Tcp("power=on,values=0x4000:33")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1), sim.Port(2)}, "PX-Demo");
        // The plug-in's model follows the catalog's, as the configuration dialog lists them.
        QCOMPARE(window_->Models().back()->Name, std::string("PX-Demo"));
        QCOMPARE(window_->Plugins().FindPlugin("PX-Demo"), 0);

        operator_->projectorChoice = [](CAdvPjt& select) {
            select.OnInitDialog();
            select.SlotCombo->setCurrentIndex(1);
            select.OnOK();
            return IDOK;
        };
        bool standardDialog = false;
        operator_->advance = [&](CAdvanceDlg&) {
            standardDialog = true;
            return IDOK;
        };

        // The plug-in's dialog runs modally: drive it from a timer, as an operator would.
        int shown = -1;
        bool modalOpen = false;
        bool suspended = false;
        bool reached = false;
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->windowTitle().contains(QStringLiteral("PX-Demo")))
                return;
            if (clock.elapsed() > 15000) {
                dialog->reject(); // give up rather than hang
                return;
            }
            auto* brightness = dialog->findChild<QSlider*>(QStringLiteral("brightness"));
            if (brightness == nullptr || !brightness->isEnabled())
                return;
            if (shown < 0) {
                shown = brightness->value();
                modalOpen = window_->Flags().ModalOpen == 1;
                suspended = window_->Poller().IsSuspended();
                brightness->setValue(70);
                emit brightness->sliderReleased();
                return;
            }
            for (const PjsimRequest& r : sim.Requests())
                reached = reached || (r.projector == 2 && r.action == 1 && r.type == 0x4000 && r.setting == 70);
            if (reached)
                dialog->reject();
        });
        driver.start(20);
        window_->OnCommand(kCmdAdvance);
        driver.stop();

        QVERIFY(!standardDialog);
        QCOMPARE(shown, 33); // projector 2's brightness
        QVERIFY(modalOpen);
        QVERIFY(suspended);
        QVERIFY(reached);
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QVERIFY(!window_->Poller().IsSuspended());
    }

    void aCancelledChoiceOpensNothingAndResumesThePoller() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1)});
        bool dialogRan = false;
        operator_->projectorChoice = [&](CAdvPjt&) { return IDCANCEL; };
        operator_->advance = [&](CAdvanceDlg&) {
            dialogRan = true;
            return IDOK;
        };
        window_->OnCommand(kCmdAdvance);
        QVERIFY(!dialogRan);
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QVERIFY(!window_->Poller().IsSuspended());
    }

    void withoutProjectorsNothingIsShown() {
        Start({});
        bool asked = false;
        operator_->projectorChoice = [&](CAdvPjt&) {
            asked = true;
            return IDCANCEL;
        };
        window_->PlaceVolumePopup(false);
        window_->OnCommand(kCmdAdvance);
        QVERIFY(!asked);
        QVERIFY(!window_->Volume().Panel()->isVisible());
        QVERIFY(!window_->Poller().IsSuspended());
    }
};

QTEST_MAIN(AdvanceLauncherTest)
#include "AdvanceLauncherTest.moc"
