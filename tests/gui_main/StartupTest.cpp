// Start-up of the main window: where its configuration comes from, and when it closes
// itself instead of running.

#include "ScriptedOperator.h"
#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "commands/CommandIds.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "mainwnd/qt/VolDlg.h"
#include "support/PjsimProcess.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;

class StartupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    int configRuns_ = 0;
    // The operator of each window made, kept until the test has ended.
    std::vector<std::unique_ptr<test::ScriptedOperator>> operators_;

    // A window whose configuration dialog is counted and answered with `answer`.
    std::unique_ptr<COrvaneDlg> MakeWindow(std::vector<std::string> arguments, int skipConfig, int answer = IDCANCEL) {
        auto window = std::make_unique<COrvaneDlg>();
        window->SetSkipConfig(skipConfig);
        window->SetArguments(std::move(arguments));
        operators_.push_back(std::make_unique<test::ScriptedOperator>());
        window->SetOperatorSide(operators_.back().get());
        operators_.back()->config = [this, answer](CConfDlg&) {
            ++configRuns_;
            return answer;
        };
        return window;
    }

    std::vector<int> ToolbarIds(const COrvaneDlg& window) {
        std::vector<int> ids;
        for (QAction* action : window.ToolbarActions())
            ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
        return ids;
    }

private slots:
    void init() {
        configRuns_ = 0;
        boxes_ = std::make_unique<MessageBoxRecorder>();
    }

    void cleanup() {
        boxes_.reset();
        box_.reset();
        operators_.clear();
    }

    void missingModelCatalogClosesTheWindow() {
        box_ = std::make_unique<GuiSandbox>(GuiSandbox::kEnglishCatalog);
        box_->WriteConfig("AX-210", {});
        auto window = MakeWindow({"AX-210"}, 1);
        QCOMPARE(window->DoModal(), IDCANCEL);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, QStringLiteral("Initialize failed !!"));
        QCOMPARE(boxes_->Boxes()[0].style, MB_ICONSTOP);
        QCOMPARE(configRuns_, 0);
        QVERIFY(window->TrayIcon() == nullptr);
        QVERIFY(!window->isVisible());
        QVERIFY(!window->Mutex().Held());
    }

    void argumentNamesTheConfiguration() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("WD-9000", {});
        const std::string wd9000 = box_->Read("WD-9000.txt");
        box_->WriteConfig("AX-210", {});
        // Orvane.txt names another configuration: the argument wins, whatever SkipConfig says.
        box_->Write("Orvane.txt", wd9000);
        for (int skipConfig : {0, 1}) {
            auto window = MakeWindow({"AX-210", "ignored"}, skipConfig);
            QVERIFY(window->OnInitDialog());
            window->CompleteStartup();
            QCOMPARE(configRuns_, 0);
            QCOMPARE(window->WorkingModel().Name, std::string("AX-210"));
            QCOMPARE(box_->Read("Orvane.txt"), box_->Read("AX-210.txt"));
            QCOMPARE(window->windowTitle(), QStringLiteral("Orvane - AX-210"));
            QCOMPARE(window->TrayTip(), QStringLiteral("Orvane - AX-210"));
            QVERIFY(window->Mutex().Held());
            QVERIFY(boxes_->Boxes().empty());
            box_->Write("Orvane.txt", wd9000);
        }
    }

    void whatTheToolbarDoesNotShowFollowsItsFirstPaint() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("WD-9000", {});
        const std::string wd9000 = box_->Read("WD-9000.txt");
        box_->WriteConfig("AX-210", {});
        box_->Write("Orvane.txt", wd9000);
        auto window = MakeWindow({"AX-210"}, 0);
        QVERIFY(window->OnInitDialog());
        QVERIFY(window->Mutex().Held());
        QVERIFY(window->TrayIcon() == nullptr && window->Volume().Panel() == nullptr);
        QCOMPARE(box_->Read("Orvane.txt"), wd9000);
        window->show();
        QTRY_VERIFY(window->TrayIcon() != nullptr);
        QVERIFY(window->Volume().Panel() != nullptr && !window->Volume().Panel()->isVisible());
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(box_->Read("Orvane.txt"), box_->Read("AX-210.txt"));
    }

    void orvaneTxtIsCopiedAlsoWhenTheStartUpEndsEarly() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("WD-9000", {});
        const std::string wd9000 = box_->Read("WD-9000.txt");
        box_->WriteConfig("AX-210", {});
        // Ended before its toolbar was painted.
        box_->Write("Orvane.txt", wd9000);
        auto first = MakeWindow({"AX-210"}, 0);
        QVERIFY(first->OnInitDialog());
        first->OnDestroy();
        QCOMPARE(box_->Read("Orvane.txt"), box_->Read("AX-210.txt"));
        QVERIFY(first->TrayIcon() == nullptr);
        // Refused by the instance guard: the configuration it was started with was copied
        // before the guard was asked, and still is.
        auto running = MakeWindow({"AX-210"}, 0);
        QVERIFY(running->OnInitDialog());
        box_->Write("Orvane.txt", wd9000);
        auto second = MakeWindow({"AX-210"}, 0);
        QCOMPARE(second->DoModal(), IDCANCEL);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(box_->Read("Orvane.txt"), box_->Read("AX-210.txt"));
    }

    void argumentWithoutAFileRunsTheDialog() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {});
        auto window = MakeWindow({"NoSuchModel"}, 0);
        QCOMPARE(window->DoModal(), IDCANCEL);
        QCOMPARE(configRuns_, 1);
        QVERIFY(boxes_->Boxes().empty()); // cancelling the dialog ends the program silently
        QVERIFY(window->TrayIcon() == nullptr);
        QVERIFY(!window->Mutex().Held());
    }

    void skipConfigStartsWithTheLastConfiguration() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {});
        auto window = MakeWindow({}, 1);
        QVERIFY(window->OnInitDialog());
        QCOMPARE(configRuns_, 0);
        QCOMPARE(window->WorkingModel().Name, std::string("AX-210"));
    }

    void skipConfigWithoutAModelRunsTheDialog() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {});
        // No MODEL key at all, then an empty one, then one whose file is missing.
        for (const char* current :
             {"[GENERAL]\r\nModelID=101\r\n", "[GENERAL]\r\nMODEL=\r\n", "[GENERAL]\r\nMODEL=QX-88\r\n"}) {
            configRuns_ = 0;
            box_->Write("Orvane.txt", current);
            auto window = MakeWindow({}, 1);
            QVERIFY(!window->OnInitDialog());
            QCOMPARE(configRuns_, 1);
        }
        // Without SkipConfig the file is not even looked at.
        configRuns_ = 0;
        box_->WriteConfig("AX-210", {});
        auto window = MakeWindow({}, 0);
        QVERIFY(!window->OnInitDialog());
        QCOMPARE(configRuns_, 1);
    }

    void skipConfigReadsAModelNameOfUpTo255Characters() {
        box_ = std::make_unique<GuiSandbox>();
        const std::string name(200, 'L');
        box_->WriteConfig(name, {});
        auto window = MakeWindow({}, 1);
        QVERIFY(window->OnInitDialog());
        QCOMPARE(configRuns_, 0);
        QVERIFY(window->Mutex().Held());
    }

    void unreadableFilesAreReportedAndLeftAlone() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {});
        const std::string current = box_->Read("Orvane.txt");
        // A FIFO stands for every file that is there but cannot be read (as root, a file
        // without read permission can still be read).
        std::remove(box_->File("AX-210.txt").c_str());
        QCOMPARE(mkfifo(box_->File("AX-210.txt").c_str(), 0600), 0);
        auto window = MakeWindow({"AX-210"}, 0);
        QCOMPARE(window->DoModal(), IDCANCEL);
        QCOMPARE(configRuns_, 1);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, QString::fromStdString("The file " + box_->File("AX-210.txt") +
                                                                 " cannot be read (not a regular file); it was "
                                                                 "left as it is."));
        QCOMPARE(boxes_->Boxes()[0].style, MB_ICONSTOP);
        QCOMPARE(box_->Read("Orvane.txt"), current);

        // The model catalog: said so, and the program ends.
        configRuns_ = 0;
        std::remove(box_->File("OrvaneModel.txt").c_str());
        QCOMPARE(mkfifo(box_->File("OrvaneModel.txt").c_str(), 0600), 0);
        auto second = MakeWindow({"AX-210"}, 1);
        QCOMPARE(second->DoModal(), IDCANCEL);
        QCOMPARE(configRuns_, 0);
        QCOMPARE(boxes_->Count(), std::size_t(2));
        QVERIFY(boxes_->Boxes()[1].text.contains(QString::fromStdString(box_->File("OrvaneModel.txt"))));
        QVERIFY(!second->Mutex().Held());
    }

    void acceptedDialogStartsTheWindow() {
        box_ = std::make_unique<GuiSandbox>();
        auto window = MakeWindow({}, 0, IDOK);
        // The dialog fills the working record and saves it, as its OK does.
        bool wired = false;
        operators_.back()->config = [this, &window, &wired](CConfDlg& dialog) {
            ++configRuns_;
            wired =
                dialog.Model == &window->WorkingModel() && dialog.ModelList != nullptr && !dialog.ModelList->empty();
            if (!wired)
                return IDCANCEL;
            *dialog.Model = *dialog.ModelList->front();
            dialog.Model->PjtNum = 0;
            return IDOK;
        };
        QVERIFY(window->OnInitDialog());
        window->CompleteStartup();
        QVERIFY(wired);
        QCOMPARE(configRuns_, 1);
        QCOMPARE(window->WorkingModel().Name, std::string("AX-210"));
        QVERIFY(window->Mutex().Held());
        QVERIFY(window->TrayIcon() != nullptr);
        QVERIFY(window->Poller().HasPoller());
    }

    void secondInstanceOfTheSameConfigurationIsRefused() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("WD-9000", {});
        box_->WriteConfig("AX-210", {});
        auto first = MakeWindow({"AX-210"}, 0);
        QVERIFY(first->OnInitDialog());

        auto second = MakeWindow({"AX-210"}, 0);
        QCOMPARE(second->DoModal(), IDCANCEL);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, QStringLiteral("It has already been started."));
        QCOMPARE(boxes_->Boxes()[0].style, MB_ICONSTOP);
        QVERIFY(second->TrayIcon() == nullptr);

        auto other = MakeWindow({"WD-9000"}, 0);
        QVERIFY(other->OnInitDialog());
        QCOMPARE(boxes_->Count(), std::size_t(1));

        // Once the first window has ended, the configuration may start again.
        first.reset();
        auto again = MakeWindow({"AX-210"}, 0);
        QVERIFY(again->OnInitDialog());
    }

    void toolbarFollowsTheConfiguration() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {}, [](CModelInfo2& model, ConfigControls& controls) {
            // Inputs: Computer in 1, Computer in 2, HDMI 1, HDMI 2, Video, S-Video, LAN.
            controls.inputChecked[1] = false;
            controls.inputChecked[5] = false;
            controls.inputChecked[6] = false;
            SetText(model.InputNameView[2], "Lectern");
            controls.advance = controls.imgSend = false;
            controls.iconChoice = 2;
        });
        auto window = MakeWindow({"AX-210"}, 0);
        QVERIFY(window->OnInitDialog());
        const std::vector<int> expected = {
            kCmdConfig, 0,        kCmdPowerOn, kCmdPowerOff, 0,          32870,    32908,        32909,
            32933,      0,        kCmdBlankOn, kCmdBlankOff, kCmdVolume, kCmdMute, kCmdFreezeOn, kCmdFreezeOff,
            0,          kCmdAbout};
        QCOMPARE(ToolbarIds(*window), expected);
        QCOMPARE(window->WorkingModel().ToolbarButtonCount, int(expected.size()));
        QCOMPARE(window->VolumeButtonIndex(), 12);
        QCOMPARE(window->Toolbar()->iconSize(), QSize(48, 48));
        const auto& actions = window->ToolbarActions();
        // One label among the inputs: the others carry a blank; input buttons are check buttons.
        QCOMPARE(actions[6]->text(), QStringLiteral("Lectern"));
        QCOMPARE(actions[5]->text(), QStringLiteral(" "));
        QVERIFY(actions[5]->isCheckable() && !actions[0]->isCheckable());
        QCOMPARE(actions[6]->toolTip(), QStringLiteral("Lectern"));
        QCOMPARE(actions[5]->toolTip(), QStringLiteral("Computer1"));
        QCOMPARE(actions[2]->toolTip(), QStringLiteral("Power On"));
        QCOMPARE(window->Toolbar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(window->Flags().Shown, 1);
    }

    void alwaysOnTopReachesTheWindowMadeBeforeTheConfigurationWasRead() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {}, [](CModelInfo2&, ConfigControls& controls) { controls.alwaysOnTop = true; });
        auto window = MakeWindow({"AX-210"}, 0);
        QVERIFY(window->OnInitDialog());
        QVERIFY(!window->isVisible());
        window->show();
        QVERIFY(window->isVisible());
        QVERIFY(window->windowHandle() != nullptr);
        QVERIFY(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void emptyToolbarHidesTheWindow() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {}, [](CModelInfo2&, ConfigControls& c) {
            c.config = c.powerOn = c.powerOff = c.blankOn = c.blankOff = c.volume = c.mute = false;
            c.freezeOn = c.freezeOff = c.advance = c.about = c.imgSend = false;
            for (bool& shown : c.inputChecked)
                shown = false;
        });
        auto window = MakeWindow({"AX-210"}, 0);
        QVERIFY(window->OnInitDialog());
        QCOMPARE(window->WorkingModel().ToolbarButtonCount, 0);
        QCOMPARE(window->Flags().Shown, 0);
        QVERIFY(!window->isVisible());
        // Neither the tray's double click nor its Show brings an empty window back.
        window->OnTrayNotify(TrayMouse::LeftDoubleClick);
        window->OnHideShow();
        QVERIFY(!window->isVisible());
        QCOMPARE(window->Flags().Shown, 0);
    }

    void firstRefreshOnlyWithAnInterval() {
        for (int interval : {0, 30}) {
            test::PjsimProcess sim({test::PjsimProcess::Tcp("input=3")});
            QVERIFY2(sim.Ready(), sim.Error().c_str());
            box_ = std::make_unique<GuiSandbox>();
            box_->WriteConfig("AX-210", {sim.Port(1)});
            box_->WriteOptions(1, 0, interval);
            auto window = MakeWindow({"AX-210"}, 0);
            QVERIFY(window->OnInitDialog());
            QCOMPARE(window->PollInterval(), interval);
            QCoreApplication::processEvents();
            QAction* hdmi1 = window->ToolbarActions()[7];
            QCOMPARE(hdmi1->data().toInt(), 32908);
            if (interval == 0) {
                QVERIFY(!sim.WaitForRequests(1, std::chrono::milliseconds(300)));
                QVERIFY(!hdmi1->isChecked());
            } else {
                // The refresh's input query comes first, without a kind query before it (the
                // poller's own first pass may follow), and checks the HDMI 1 button.
                QVERIFY(sim.WaitForRequests(1));
                QTRY_VERIFY(hdmi1->isChecked());
                const auto requests = sim.Requests();
                QCOMPARE(requests[0].action, 2);
                QCOMPARE(requests[0].type, 0x2000);
            }
            window.reset();
            box_.reset();
        }
    }

    void startUpDoesNotWaitForTheReportedProjector() {
        // The projector holds every answer back for far longer than start-up takes, though
        // within the link's reply time-out.
        test::PjsimProcess sim({test::PjsimProcess::Tcp("input=3,fault=slow:1500")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {sim.Port(1)});
        box_->WriteOptions(1, 0, 30);
        auto window = MakeWindow({"AX-210"}, 0);
        QVERIFY(window->OnInitDialog());
        QCoreApplication::processEvents();
        QAction* hdmi1 = window->ToolbarActions()[7];
        QCOMPARE(hdmi1->data().toInt(), 32908);
        // Up without the answer; the button follows once it comes.
        QVERIFY(!hdmi1->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(hdmi1->isChecked(), 15000);
        QCOMPARE(sim.Requests().at(0).type, 0x2000);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
