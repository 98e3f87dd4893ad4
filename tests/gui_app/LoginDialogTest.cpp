#include "support/qt/ModalDriver.h"

#include "accounts/UserStore.h"
#include "accounts/qt/LoginDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using orvane::test::Child;
using orvane::test::Click;
using orvane::test::ModalDriver;
using orvane::test::Type;

class LoginDialogTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::string UserFile() const { return (dir_.path() + "/OrvaneUsers.txt").toStdString(); }
    void AddUser(const char* name, const char* password) {
        accounts::UserStore store(UserFile());
        QCOMPARE(store.Add(name, password), int(accounts::kStoreOk));
    }
    // One login with name and password typed and OK pressed.
    int Login(const QString& name, const QString& password, QString* statusBefore = nullptr) {
        ModalDriver driver([&](QDialog* d) {
            if (statusBefore != nullptr)
                *statusBefore = Child<QLabel>(d, "statusLabel")->text();
            Type(d, "userName", name);
            Type(d, "password", password);
            Click(d, "okButton");
        });
        CLoginDialog dialog;
        dialog.m_nMode = CLoginDialog::kModeLoginWithAdmin;
        return dialog.DoModal();
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(QString::fromStdString(UserFile()));
        accounts::SetUserFilePath(UserFile());
    }
    void cleanup() { accounts::SetUserFilePath(""); }

    void firstAccountIsAskedForWhenNoUserExists() {
        bool confirmShown = false, adminShown = true, mismatchKeptOpen = false, fileAfterMismatch = true;
        QString mismatchStatus;
        ModalDriver driver([&](QDialog* d) {
            confirmShown = Child<QLineEdit>(d, "confirmPassword")->isVisible();
            adminShown = Child<QPushButton>(d, "userAdminButton")->isVisible();
            Type(d, "userName", "  anna ");
            Type(d, "password", "secret one");
            Type(d, "confirmPassword", "secret two");
            Click(d, "okButton");
            mismatchKeptOpen = d->isVisible();
            mismatchStatus = Child<QLabel>(d, "statusLabel")->text();
            fileAfterMismatch = QFile::exists(QString::fromStdString(UserFile()));
            QVERIFY(Child<QLineEdit>(d, "password")->text().isEmpty()); // never left in a field
            Type(d, "password", "secret one");
            Type(d, "confirmPassword", "secret one");
            Click(d, "okButton");
        });
        CLoginDialog dialog;
        dialog.m_nMode = CLoginDialog::kModeLoginWithAdmin;
        QCOMPARE(dialog.DoModal(), CLoginDialog::kResultAccepted);
        QVERIFY(dialog.FirstAccountMode());
        QVERIFY(confirmShown);
        QVERIFY(!adminShown); // nothing to administer yet
        QVERIFY(mismatchKeptOpen);
        QVERIFY(!mismatchStatus.isEmpty());
        QVERIFY(!fileAfterMismatch);
        QCOMPARE(dialog.UserName(), QString("anna"));

        accounts::UserStore store(UserFile());
        QCOMPARE(store.Load(), int(accounts::kStoreOk));
        QVERIFY(store.Names() == std::vector<std::string>{"anna"});
        QVERIFY(store.Verify("anna", "secret one"));
        struct stat st {};
        QCOMPARE(stat(UserFile().c_str(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    void firstAccountRefusesAnInvalidName() {
        bool keptOpen = false;
        ModalDriver driver([&](QDialog* d) {
            Type(d, "userName", "an:na");
            Type(d, "password", "pw");
            Type(d, "confirmPassword", "pw");
            Click(d, "okButton");
            keptOpen = d->isVisible();
            Click(d, "cancelButton");
        });
        CLoginDialog dialog;
        QCOMPARE(dialog.DoModal(), CLoginDialog::kResultCancelled);
        QVERIFY(keptOpen);
        QVERIFY(!QFile::exists(QString::fromStdString(UserFile())));
    }

    void rightAndWrongPasswords() {
        AddUser("anna", "secret");
        QCOMPARE(Login("anna", "wrong"), CLoginDialog::kResultFailed);
        QString status;
        // The next dialog tells why the last one closed; a success clears that.
        QCOMPARE(Login("bert", "secret", &status), CLoginDialog::kResultFailed);
        QVERIFY(!status.isEmpty());
        QCOMPARE(Login("anna", "secret", &status), CLoginDialog::kResultAccepted);
        QCOMPARE(Login("anna", "secret", &status), CLoginDialog::kResultAccepted);
        QVERIFY(status.isEmpty());
        QCOMPARE(Login("anna", "", &status), CLoginDialog::kResultFailed);
    }

    void modeDecidesOnTheAdministrationButton() {
        AddUser("anna", "secret");
        for (int mode : {CLoginDialog::kModeLogin, CLoginDialog::kModeLoginWithAdmin}) {
            bool adminShown = false, confirmShown = true;
            ModalDriver driver([&](QDialog* d) {
                adminShown = Child<QPushButton>(d, "userAdminButton")->isVisible();
                confirmShown = Child<QLineEdit>(d, "confirmPassword")->isVisible();
                d->reject();
            });
            CLoginDialog dialog;
            dialog.m_nMode = mode;
            QCOMPARE(dialog.DoModal(), CLoginDialog::kResultCancelled);
            QCOMPARE(adminShown, mode == CLoginDialog::kModeLoginWithAdmin);
            QVERIFY(!confirmShown);
            QVERIFY(!dialog.FirstAccountMode());
        }
    }

    void cancelEscapeAndAdministrationEndTheDialogWithTheirResults() {
        AddUser("anna", "secret");
        const struct {
            std::function<void(QDialog*)> act;
            int result;
        } cases[] = {
            {[](QDialog* d) { Click(d, "cancelButton"); }, CLoginDialog::kResultCancelled},
            {[](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }, CLoginDialog::kResultCancelled},
            {[](QDialog* d) { d->close(); }, CLoginDialog::kResultCancelled},
            {[](QDialog* d) { Click(d, "userAdminButton"); }, CLoginDialog::kResultUserAdmin},
        };
        for (const auto& c : cases) {
            ModalDriver driver(c.act);
            CLoginDialog dialog;
            dialog.m_nMode = CLoginDialog::kModeLoginWithAdmin;
            QCOMPARE(dialog.DoModal(), c.result);
        }
    }

    void anUnreadableUserListIsNeitherStartedAfreshNorAccepted() {
        QVERIFY(QDir().mkpath(QString::fromStdString(UserFile())));
        QString status;
        bool confirmShown = true;
        ModalDriver driver([&](QDialog* d) {
            status = Child<QLabel>(d, "statusLabel")->text();
            confirmShown = Child<QLineEdit>(d, "confirmPassword")->isVisible();
            Type(d, "userName", "anna");
            Type(d, "password", "secret");
            Click(d, "okButton");
        });
        CLoginDialog dialog;
        QCOMPARE(dialog.DoModal(), CLoginDialog::kResultFailed);
        QVERIFY(!dialog.FirstAccountMode());
        QVERIFY(!confirmShown);
        QVERIFY(!status.isEmpty());
        QVERIFY(QFileInfo(QString::fromStdString(UserFile())).isDir());
        QDir(QString::fromStdString(UserFile())).removeRecursively();
    }
};

QTEST_MAIN(LoginDialogTest)
#include "LoginDialogTest.moc"
