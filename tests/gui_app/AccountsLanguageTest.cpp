// With the Chinese marker, every text the login and the user administration show, in
// every state, is a text of the Chinese catalog.

#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "accounts/UserStore.h"
#include "accounts/qt/LoginDialog.h"
#include "accounts/qt/UserCfgDialog.h"
#include "catalog/MessageCatalog.h"
#include "support/TempDir.h"
#include "support/qt/ShownTexts.h"
#include "widgets/OrvaneMessageBox.h"

#include <QListWidget>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// Fills the name and password fields of the login, the sign-in or the new user (with the
// password repeated, as `password` unless given) and presses `button`.
void Enter(QDialog* d, const char* name, const char* password, const char* button, const char* repeated = nullptr) {
    const bool signIn = QString(button) == "signInButton";
    Type(d, signIn ? "signInName" : "userName", name);
    Type(d, signIn ? "signInPassword" : "password", password);
    if (!signIn)
        Type(d, "confirmPassword", repeated != nullptr ? repeated : password);
    Click(d, button);
}

// Selects the user `name`, types "new" as password and presses `button`.
void Pick(QDialog* d, const char* name, const char* button) {
    auto* list = Child<QListWidget>(d, "userList");
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    Enter(d, name, "new", button);
}

} // namespace

class AccountsLanguageTest : public QObject {
    Q_OBJECT
private slots:
    void everyTextOfTheAccountDialogsIsChinese() {
        Sandbox box;
        QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/res/txtzhs.cat"),
                    QString::fromStdString(box.File(kChineseCatalogFile)));
        box.Write(kMarkerChinese, "");
        QCOMPARE(OpenCatalog(), 0);
        const CatalogTexts chinese(box.File(kChineseCatalogFile), 1033);
        accounts::SetUserFilePath(box.File("OrvaneUsers.txt"));
        MessageBoxRecorder boxes(IDYES);
        using Act = std::function<void(QDialog*)>;
        const Act none = [](QDialog*) {};
        // Where the operator is: the login (after a failed one), the user administration (after
        // signing in as "anna" with "secret").
        enum Where { kLogin, kLoginAgain, kAdmin, kAdminSignedIn };
        const struct {
            Where where;
            int users; // 0, "anna", or "anna" and "bert"; the password is "secret"
            Act act;
            int set, number; // a text the state shows among the rest, with this insert
            const char* insert;
        } cases[] = {
            {kLogin, 1, none, 11, 302, ""},
            {kLoginAgain, 1, none, 2201, 1010, ""},
            {kLogin, 0, none, 11, 303, ""},
            {kLogin, 0, [](QDialog* d) { Enter(d, "anna", "one", "okButton", "two"); }, 2201, 1011, ""},
            {kLogin, 0, [](QDialog* d) { Enter(d, "an:na", "one", "okButton"); }, 2201, 1012, "64"},
            {kAdmin, 1, none, 11, 309, ""},
            {kAdmin, 1, [](QDialog* d) { Enter(d, "anna", "x", "signInButton"); }, 2201, 1010, ""},
            {kAdminSignedIn, 1, [](QDialog* d) { Enter(d, "bert", "b", "addButton"); }, 11, 317, "bert"},
            {kAdminSignedIn, 1, [](QDialog* d) { Enter(d, "anna", "b", "addButton"); }, 2201, 1014, ""},
            {kAdminSignedIn, 1, [](QDialog* d) { Pick(d, "anna", "changeButton"); }, 11, 318, "anna"},
            {kAdminSignedIn, 1, [](QDialog* d) { Pick(d, "anna", "deleteButton"); }, 2201, 1016, ""},
            {kAdminSignedIn, 2, [](QDialog* d) { Pick(d, "bert", "deleteButton"); }, 11, 319, "bert"},
        };
        for (const auto& c : cases) {
            QFile::remove(QString::fromStdString(box.File("OrvaneUsers.txt")));
            for (int i = 0; i < c.users; ++i)
                QCOMPARE(accounts::UserStore(box.File("OrvaneUsers.txt")).Add(i == 0 ? "anna" : "bert", "secret"),
                         int(accounts::kStoreOk));
            QStringList shown;
            const auto run = [&](const std::function<int()>& modal, const Act& act) {
                ModalDriver driver([&](QDialog* d) {
                    act(d);
                    shown = ShownTexts(d);
                    d->reject();
                });
                modal();
            };
            if (c.where == kLoginAgain) {
                CLoginDialog failing;
                run([&] { return failing.DoModal(); }, [](QDialog* d) { Enter(d, "anna", "wrong", "okButton"); });
            }
            boxes.Clear();
            CLoginDialog login;
            login.m_nMode = CLoginDialog::kModeLoginWithAdmin;
            CUserCfgDialog admin;
            run([&] { return c.where <= kLoginAgain ? login.DoModal() : admin.DoModal(); },
                [&](QDialog* d) {
                    if (c.where == kAdminSignedIn)
                        Enter(d, "anna", "secret", "signInButton");
                    c.act(d);
                });
            for (const MessageBoxRequest& r : boxes.Boxes())
                shown << r.caption << r.text;
            const QString state = QStringLiteral("%1.%2").arg(c.set).arg(c.number);
            QVERIFY2(chinese.Strangers(shown).isEmpty(),
                     qPrintable(state + ": " + chinese.Strangers(shown).join(", ")));
            QVERIFY2(shown.contains(QString::fromStdString(CatalogText(c.set, c.number, c.insert))), qPrintable(state));
        }
        accounts::SetUserFilePath("");
        CloseCatalog();
    }
};

QTEST_MAIN(AccountsLanguageTest)
#include "AccountsLanguageTest.moc"
