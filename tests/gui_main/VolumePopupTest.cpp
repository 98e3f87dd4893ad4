// The volume panel against projectors that pjsim plays on 127.0.0.1: which variant the icon
// size makes, where it opens, the level it shows, its steps and when it goes away.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "catalog/MessageCatalog.h"
#include "commands/CommandIds.h"
#include "mainwnd/VolumePanel.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "mainwnd/qt/VolDlg.h"
#include "mainwnd/qt/VolumeController.h"
#include "support/PjsimProcess.h"
#include "support/RunProgram.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;
using orvane::test::PjsimRequest;

class VolumePopupTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    std::unique_ptr<COrvaneDlg> window_;

    void Start(const std::vector<int>& ports, int iconChoice = 0) {
        box_->WriteConfig("AX-210", ports, [iconChoice](CModelInfo2& m, ConfigControls& c) {
            c.iconChoice = iconChoice;
            m.Volume = "0,31";
        });
        box_->WriteOptions(1, 0, 0);
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({"AX-210"});
        QVERIFY(window_->OnInitDialog());
        window_->show();
        window_->CompleteStartup(); // as the first paint of the toolbar does
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    QWidget* ButtonWidget(int commandId) {
        for (QAction* action : window_->ToolbarActions()) {
            if (!action->isSeparator() && action->data().toInt() == commandId)
                return window_->Toolbar()->widgetForAction(action);
        }
        return nullptr;
    }

    bool RunAndWait(const std::function<void()>& click) {
        QSignalSpy finished(window_.get(), &COrvaneDlg::commandFinished);
        click();
        return finished.wait(20000);
    }

    // What the panel's window last drew where the bar is, beside the panel drawn afresh for
    // the bar's value: a bar that skipped a repaint shows an older level than its value.
    static bool BarOnScreenShowsItsValue(CVolDlg* panel) {
        const QRect place = panel->LevelBar()->geometry();
        const QImage onScreen =
            panel->screen()->grabWindow(panel->winId(), place.x(), place.y(), place.width(), place.height()).toImage();
        const QImage drawn = panel->grab(place).toImage();
        return !onScreen.isNull() &&
               onScreen.convertToFormat(QImage::Format_RGB32) == drawn.convertToFormat(QImage::Format_RGB32);
    }

    int VolumeSteps(const PjsimProcess& sim, int action) {
        int n = 0;
        for (const PjsimRequest& r : sim.Requests())
            n += r.type == 0x2001 && r.action == action;
        return n;
    }

private slots:
    void init() {
        box_ = std::make_unique<GuiSandbox>();
        boxes_ = std::make_unique<MessageBoxRecorder>();
    }

    void cleanup() {
        window_.reset();
        boxes_.reset();
        box_.reset();
    }

    void iconSizeChoosesTheVariant() {
        for (const auto& [choice, templateId] : {std::pair{0, 173}, {1, 178}, {2, 181}}) {
            Start({}, choice);
            QVERIFY(window_->Volume().Panel() != nullptr);
            QCOMPARE(window_->Volume().Panel()->TemplateId(), templateId);
            QVERIFY(!window_->Volume().Panel()->isVisible());
            // Captions from the catalog, arrows at the variant's size, ids of the template.
            QCOMPARE(window_->Volume().Panel()->UpButton()->objectName(),
                     QString::number(window_->Volume().Panel()->UpId()));
            const auto labels = window_->Volume().Panel()->findChildren<QLabel*>();
            QCOMPARE(labels.size(), 2);
            QCOMPARE(labels[0]->text(), QStringLiteral("up"));
            QCOMPARE(labels[1]->text(), QStringLiteral("down"));
            window_.reset();
        }
        // Any other icon size: the 24-pixel panel.
        CModelInfo2 model;
        model.IconSize = 7;
        QWidget window;
        VolumeController owner(&window, model, {});
        std::unique_ptr<CVolDlg> odd(CVolDlg::Create(model.IconSize, &owner));
        QCOMPARE(odd->TemplateId(), 173);
    }

    // Captions reaching the font's full ascent and descent leave two bare rows inside the
    // border, at the top and at the bottom, at every icon size.
    void captionsKeepAMarginFromTheBorder() {
        CModelInfo2 model;
        QWidget window;
        VolumeController owner(&window, model, {});
        for (int iconSize : {0, 1, 2}) {
            std::unique_ptr<CVolDlg> panel(CVolDlg::Create(iconSize, &owner));
            const auto captions = panel->findChildren<QLabel*>();
            for (QLabel* caption : captions)
                caption->setText(QStringLiteral("\u00C9\u00C7jg|"));
            const QImage image = panel->grab().toImage();
            const QRect across = captions[0]->geometry().united(captions[1]->geometry());
            for (const int y : {1, 2, image.height() - 3, image.height() - 2}) {
                for (int x = across.left(); x <= across.right(); ++x)
                    QVERIFY2(image.pixel(x, y) == panel->palette().color(QPalette::Window).rgb(),
                             qPrintable(QStringLiteral("icon size %1 at %2,%3").arg(iconSize).arg(x).arg(y)));
            }
        }
    }

    void opensUnderTheButtonWithTheLevelAndFollowsTheSteps() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on,volume=20"), PjsimProcess::Tcp("power=on,volume=5"),
                          PjsimProcess::Tcp("power=off")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        Start({sim.Port(1), sim.Port(2), sim.Port(3)}, 1);
        CVolDlg* panel = window_->Volume().Panel();

        QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
        QVERIFY(panel->isVisible());
        QCOMPARE(window_->Volume().Shown(), 1);
        const QWidget* button = ButtonWidget(kCmdVolume);
        const QPoint corner = button->mapToGlobal(QPoint(0, 0));
        QCOMPARE(panel->pos(), QPoint(corner.x() + 8, corner.y() + button->height() + 4));
        QCOMPARE(panel->LevelBar()->maximum(), 31);
        QCOMPARE(panel->LevelBar()->value(), 20);
        QCOMPARE(panel->Number()->text(), QStringLiteral("20"));

        // Up: every projector gets a step, the off one fails with its own box, and the bar
        // shows the reported projector's new level.
        boxes_->Clear(); // Volume's own mute-off, refused by the projector that is off
        QVERIFY(RunAndWait([&] { panel->UpButton()->click(); }));
        QCOMPARE(VolumeSteps(sim, 4), 3);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text,
                 QString::fromStdString(CatalogText(kCatalogSetErrors, 93)) + QStringLiteral("(127.0.0.1)"));
        QCOMPARE(panel->LevelBar()->value(), 21);
        QCOMPARE(panel->Number()->text(), QStringLiteral("21"));
        QVERIFY(panel->IdleTimerActive());
        QCOMPARE(window_->Volume().IdleTicks(), 0);

        QVERIFY(RunAndWait([&] { panel->DownButton()->click(); }));
        QVERIFY(RunAndWait([&] { panel->DownButton()->click(); }));
        QCOMPARE(VolumeSteps(sim, 5), 6);
        QCOMPARE(panel->Number()->text(), QStringLiteral("19"));
        QCOMPARE(boxes_->Last().text,
                 QString::fromStdString(CatalogText(kCatalogSetErrors, 94)) + QStringLiteral("(127.0.0.1)"));

        // The panel moves with the window.
        const QPoint before = panel->pos();
        window_->move(window_->pos() + QPoint(30, 20));
        QTRY_COMPARE(panel->pos(), before + QPoint(30, 20));

        // Volume again hides it; so does any other command.
        QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
        QVERIFY(!panel->isVisible());
        QCOMPARE(window_->Volume().Shown(), 0);
        QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
        QVERIFY(panel->isVisible());
        QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdBlankOff); }));
        QVERIFY(!panel->isVisible());
        QCOMPARE(window_->Volume().Shown(), 0);

        // Moving the window while the panel is hidden leaves it hidden.
        window_->move(window_->pos() + QPoint(5, 5));
        QTest::qWait(50);
        QVERIFY(!panel->isVisible());
    }

    // One step of a 31-step range moves the fill by less than the toolkit's chunk: the bar
    // must still be drawn at the number after every step and when the panel opens on a
    // level another client changed. The slow answers let the panel paint before the level
    // comes, as it does across a network.
    void theDrawnBarFollowsTheNumberAtEveryIconSize() {
        for (int choice : {0, 1, 2}) {
            PjsimProcess sim({PjsimProcess::Tcp("power=on,volume=20,fault=slow:40")});
            QVERIFY2(sim.Ready(), sim.Error().c_str());
            Start({sim.Port(1)}, choice);
            CVolDlg* panel = window_->Volume().Panel();
            QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
            QVERIFY(QTest::qWaitForWindowExposed(panel));
            QTRY_VERIFY(BarOnScreenShowsItsValue(panel));
            for (int level = 21; level <= 25; ++level) {
                QVERIFY(RunAndWait([&] { panel->UpButton()->click(); }));
                QCOMPARE(panel->Number()->text(), QString::number(level));
                QTRY_VERIFY_WITH_TIMEOUT(BarOnScreenShowsItsValue(panel), 1000);
            }
            QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); })); // hidden
            for (int i = 0; i < 3; ++i)
                QCOMPARE(test::RunProgram("orvanectl", {"--dir", box_->File(""), "volume", "up"}).exitCode, 0);
            QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
            QVERIFY(QTest::qWaitForWindowExposed(panel));
            QCOMPARE(panel->Number()->text(), QStringLiteral("28"));
            QTRY_VERIFY_WITH_TIMEOUT(BarOnScreenShowsItsValue(panel), 1000);
            window_.reset();
        }
    }

    void hidesAfterFiveIdleSeconds() {
        Start({});
        CVolDlg* panel = window_->Volume().Panel();
        window_->PlaceVolumePopup(false);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->IdleTimerActive());
        for (int tick = 1; tick < kVolumeIdleTicks; ++tick)
            panel->OnTimer();
        QVERIFY(panel->isVisible());
        QCOMPARE(window_->Volume().IdleTicks(), kVolumeIdleTicks - 1);
        panel->OnTimer();
        QVERIFY(!panel->isVisible());
        QCOMPARE(window_->Volume().Shown(), 0);
        QCOMPARE(window_->Volume().IdleTicks(), 0);
        QVERIFY(!panel->IdleTimerActive());
    }

    void withoutAReportedProjectorTheLevelStaysAndNothingIsSentWithoutProjectors() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on,volume=9")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        box_->WriteConfig("AX-210", {sim.Port(1)}, [](CModelInfo2& m, ConfigControls&) { m.Volume = "0,31"; });
        box_->WriteOptions(1, 0, 0);
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({"AX-210"});
        QVERIFY(window_->OnInitDialog());
        window_->CompleteStartup();
        window_->WorkingModel().SelectPrj = 0; // no projector reported (the poller does not run)
        CVolDlg* panel = window_->Volume().Panel();
        QVERIFY(RunAndWait([&] { window_->OnCommand(kCmdVolume); }));
        QVERIFY(RunAndWait([&] { panel->UpButton()->click(); }));
        QCOMPARE(VolumeSteps(sim, 4), 1);
        QCOMPARE(VolumeSteps(sim, 2), 0);
        QCOMPARE(panel->Number()->text(), QString());
        QCOMPARE(panel->LevelBar()->value(), 0);
    }
};

QTEST_MAIN(VolumePopupTest)
#include "VolumePopupTest.moc"
