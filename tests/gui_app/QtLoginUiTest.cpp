#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "accounts/UserStore.h"
#include "app/OrvaneApp.h"
#include "app/qt/QtLoginUi.h"
#include "catalog/MessageCatalog.h"
#include "support/TempDir.h"

#include <QTest>

using orvane::test::Click;
using orvane::test::ModalDriver;
using orvane::test::Type;

// The login gate with the real dialogs: what the program does on screen at start-up.
class QtLoginUiTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<orvane::test::Sandbox> box_;
    std::unique_ptr<orvane::test::MessageBoxRecorder> boxes_;

    std::string UserFile() const { return box_->File("OrvaneUsers.txt"); }

private slots:
    void init() {
        box_ = std::make_unique<orvane::test::Sandbox>();
        box_->Write(orvane::kDefaultCatalogFile, "[1033]\n11.47 = Orvane\n2201.1000 = Too many tries\n"
                                                 "2201.1001 = No user tool\n");
        box_->Write(orvane::kMarkerEnglish, "");
        accounts::SetUserFilePath(UserFile());
        boxes_ = std::make_unique<orvane::test::MessageBoxRecorder>(orvane::IDOK);
    }
    void cleanup() {
        boxes_.reset();
        accounts::SetUserFilePath("");
        orvane::CloseCatalog();
        box_.reset();
    }

    void theGateRunsTheLoginWithTheAdministrationButton() {
        QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
        bool adminShown = false;
        ModalDriver driver([&](QDialog* d) {
            adminShown = orvane::test::Child<QPushButton>(d, "userAdminButton")->isVisible();
            Click(d, "userAdminButton");
        });
        orvane::QtLoginUi ui;
        QCOMPARE(ui.RunLogin(orvane::kLoginDialogMode), orvane::kLoginUserAdmin);
        QVERIFY(adminShown);
    }

    void messagesComeFromTheCatalogWithTheErrorIcon() {
        orvane::OpenCatalog();
        orvane::QtLoginUi ui;
        ui.ShowMessage(orvane::kCatalogSetErrors, 1001, orvane::kMessageStyleError);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, QString("No user tool"));
        QCOMPARE(boxes_->Boxes()[0].style, 0x10);
        QCOMPARE(boxes_->Boxes()[0].caption, QString("Orvane"));
    }

    void aFreshInstallationCreatesItsFirstUserAndStarts() {
        int mainRuns = 0;
        orvane::QtLoginUi ui;
        orvane::COrvaneApp::Services services;
        services.loginUi = &ui;
        services.runMainWindow = [&](int) { return ++mainRuns; };
        ModalDriver driver([&](QDialog* d) {
            Type(d, "userName", "anna");
            Type(d, "password", "secret");
            Type(d, "confirmPassword", "secret");
            Click(d, "okButton");
        });
        orvane::COrvaneApp app(services);
        const char* argv[] = {"Orvane"};
        app.Run(1, argv);
        QCOMPARE(mainRuns, 1);
        QVERIFY(boxes_->Boxes().empty());
        accounts::UserStore store(UserFile());
        QCOMPARE(store.Load(), int(accounts::kStoreOk));
        QVERIFY(store.Verify("anna", "secret"));
    }

    void threeWrongPasswordsEndWithTheCatalogMessage() {
        QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
        int mainRuns = 0, logins = 0;
        orvane::QtLoginUi ui;
        orvane::COrvaneApp::Services services;
        services.loginUi = &ui;
        services.runMainWindow = [&](int) { return ++mainRuns; };
        orvane::COrvaneApp app(services);
        // Each try is a new dialog; the driver answers every one of them.
        std::function<void()> next = [&] {
            QTimer::singleShot(0, [&] {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (d == nullptr || !d->isVisible()) {
                    next();
                    return;
                }
                ++logins;
                Type(d, "userName", "anna");
                Type(d, "password", "wrong");
                Click(d, "okButton");
                if (logins < 3)
                    next();
            });
        };
        next();
        const char* argv[] = {"Orvane"};
        app.Run(1, argv);
        QCOMPARE(logins, 3);
        QCOMPARE(mainRuns, 0);
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text, QString("Too many tries"));
        QCOMPARE(app.LastOutcome(), orvane::COrvaneApp::Outcome::LoginFailed);
    }
};

QTEST_MAIN(QtLoginUiTest)
#include "QtLoginUiTest.moc"
