// Leaving the program, hiding into the tray and coming back, and the About box.

#include "ScriptedOperator.h"
#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "commands/CommandIds.h"
#include "mainwnd/qt/AboutDlg.h"
#include "mainwnd/qt/OrvaneDlg.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;

namespace {

const QString kExitQuestion = QStringLiteral("Do you want to exit Orvane?");

QStringList MenuTexts(const QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << action->text();
    return texts;
}

} // namespace

class WindowMenusTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;
    std::unique_ptr<test::ScriptedOperator> operator_;
    std::unique_ptr<COrvaneDlg> window_;
    // Menus the window opened, and the command to choose in the next one (0 = none).
    std::vector<QStringList> menus_;
    int choose_ = 0;

    void Start() {
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({"AX-210"});
        window_->SetOperatorSide(operator_.get());
        operator_->menu = [this](QMenu& menu, const QPoint&) {
            menus_.push_back(MenuTexts(menu));
            const int chosen = choose_;
            choose_ = 0;
            return chosen;
        };
        QVERIFY(window_->OnInitDialog());
        window_->show();
        window_->CompleteStartup(); // as the first paint of the toolbar does
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

private slots:
    void init() {
        box_ = std::make_unique<GuiSandbox>();
        box_->WriteConfig("AX-210", {});
        boxes_ = std::make_unique<MessageBoxRecorder>();
        operator_ = std::make_unique<test::ScriptedOperator>();
        menus_.clear();
        choose_ = 0;
        Start();
    }

    void cleanup() {
        window_.reset();
        operator_.reset();
        boxes_.reset();
        box_.reset();
    }

    void exitAnsweredNoKeepsEverything() {
        boxes_->Answer(IDNO);
        window_->OnCancel();
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, kExitQuestion);
        QCOMPARE(boxes_->Boxes()[0].style, MB_YESNO | MB_ICONQUESTION);
        QVERIFY(window_->isVisible());
        QVERIFY(window_->TrayIcon() != nullptr);
    }

    void exitAnsweredYesRemovesTheIconThenEnds() {
        window_.reset();
        box_->WriteOptions(1, 0, 0);
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({"AX-210"});
        bool iconGoneAtEnd = false;
        connect(window_.get(), &QDialog::finished, this, [&] { iconGoneAtEnd = window_->TrayIcon() == nullptr; });
        // The tray's Exit entry, answered Yes, once the window runs.
        QTimer::singleShot(0, window_.get(), [this] {
            boxes_->Answer(IDYES);
            window_->OnCommand(kCmdTrayExit);
        });
        QCOMPARE(window_->DoModal(), IDCANCEL);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, kExitQuestion);
        QVERIFY(iconGoneAtEnd);
        QVERIFY(!window_->isVisible());
        QVERIFY(!window_->Mutex().Held());
        QVERIFY(!window_->Poller().HasPoller());
    }

    void escapeAndCloseBoxAskTheSameQuestion() {
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, kExitQuestion);
        QVERIFY(window_->isVisible());

        window_->close();
        QCOMPARE(boxes_->Count(), std::size_t(2));
        QCOMPARE(boxes_->Boxes()[1].text, kExitQuestion);
        QVERIFY(window_->isVisible()); // answered No

        boxes_->Answer(IDYES);
        window_->close();
        QVERIFY(!window_->isVisible());
        QVERIFY(window_->TrayIcon() == nullptr);
    }

    void trayMenuFollowsTheWindowsState() {
        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        QCOMPARE(menus_.size(), std::size_t(1));
        QCOMPARE(menus_[0], (QStringList{"&Hide", "C&onfig", "&Exit", "&Cancel"}));

        choose_ = kCmdTrayHideShow;
        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        QVERIFY(!window_->isVisible());
        QCOMPARE(window_->Flags().Shown, 0);

        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        QCOMPARE(menus_.back(), (QStringList{"&Show", "C&onfig", "&Exit", "&Cancel"}));

        choose_ = kCmdTrayHideShow;
        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->Flags().Shown, 1);

        // Cancel only closes the menu; a left click does nothing.
        choose_ = kCmdTrayCancel;
        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        window_->OnTrayNotify(TrayMouse::Other);
        QVERIFY(window_->isVisible());
        QVERIFY(boxes_->Boxes().empty());

        // Exit from the tray menu asks before it ends anything.
        choose_ = kCmdTrayExit;
        window_->OnTrayNotify(TrayMouse::RightButtonDown);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, kExitQuestion);
        QVERIFY(window_->isVisible());
    }

    void minimiseHidesAndDoubleClickBringsBack() {
        operator_->trayAvailable = true;
        window_->showMinimized();
        QTRY_VERIFY(!window_->isVisible());
        QCOMPARE(window_->Flags().Shown, 0);
        QVERIFY(!(window_->windowState() & Qt::WindowMinimized));

        window_->OnTrayNotify(TrayMouse::LeftDoubleClick);
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->Flags().Shown, 1);

        // A double click on a visible window changes nothing.
        window_->OnTrayNotify(TrayMouse::LeftDoubleClick);
        QVERIFY(window_->isVisible());

        window_->OnSysCommand(0xF020);
        QVERIFY(!window_->isVisible());
        QCOMPARE(window_->Flags().Shown, 0);
    }

    void withoutATrayMinimisingOnlyMinimises() {
        operator_->trayAvailable = false;
        window_->showMinimized();
        QTest::qWait(50);
        QVERIFY(window_->isVisible());
        QVERIFY(window_->windowState() & Qt::WindowMinimized);
        QCOMPARE(window_->Flags().Shown, 1);
    }

    void toolbarAboutHoldsTheTrayMenuAndThePoller() {
        bool modalOpen = false;
        bool suspended = false;
        std::size_t menusDuring = 0;
        operator_->about = [&](CAboutDlg&) {
            modalOpen = window_->Flags().ModalOpen == 1;
            suspended = window_->Poller().IsSuspended();
            window_->OnTrayNotify(TrayMouse::RightButtonDown);
            menusDuring = menus_.size();
            return IDOK;
        };
        window_->OnCommand(kCmdAbout);
        QVERIFY(modalOpen);
        QVERIFY(suspended);
        QCOMPARE(menusDuring, std::size_t(0));
        QCOMPARE(window_->Flags().ModalOpen, 0);
        QVERIFY(!window_->Poller().IsSuspended());
    }

    void windowMenuAboutLeavesTheTrayMenuAvailable() {
        bool modalOpen = true;
        std::size_t menusDuring = 0;
        operator_->about = [&](CAboutDlg&) {
            modalOpen = window_->Flags().ModalOpen == 1;
            window_->OnTrayNotify(TrayMouse::RightButtonDown);
            menusDuring = menus_.size();
            return IDOK;
        };
        // The window's context menu holds the About entry.
        choose_ = kCmdSysAbout;
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), window_->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(window_.get(), &event);
        QCOMPARE(menus_.front(), QStringList{"&About Orvane Application..."});
        QVERIFY(!modalOpen);
        QCOMPARE(menusDuring, std::size_t(2));
    }

    void aboutBoxTakesItsTextsFromTheCatalog() {
        CAboutDlg about;
        QVERIFY(about.OnInitDialog());
        QCOMPARE(about.windowTitle(), QStringLiteral("About Orvane Application"));
        QStringList labels;
        for (QLabel* label : about.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("Orvane Application  Version 3.00")));
        auto* ok = about.findChild<QPushButton*>();
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QTimer::singleShot(0, ok, [ok] { ok->click(); });
        QCOMPARE(about.DoModal(), IDOK);
    }

    void trayTipIsCutAt63Characters() {
        window_.reset();
        const std::string longName = "Projector set of the large lecture hall, north wing";
        box_->WriteConfig(longName, {});
        window_ = std::make_unique<COrvaneDlg>();
        window_->SetArguments({longName});
        QVERIFY(window_->OnInitDialog());
        window_->CompleteStartup();
        const QString title = QStringLiteral("Orvane - ") + QString::fromStdString(longName);
        QCOMPARE(window_->windowTitle(), title);
        QCOMPARE(window_->TrayTip(), title.left(63));
    }
};

QTEST_MAIN(WindowMenusTest)
#include "WindowMenusTest.moc"
