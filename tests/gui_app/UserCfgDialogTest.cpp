#include "support/qt/ModalDriver.h"

#include "accounts/UserStore.h"
#include "accounts/qt/UserCfgDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using orvane::test::Child;
using orvane::test::Click;
using orvane::test::ModalDriver;
using orvane::test::Type;

namespace {

// Answers the delete question instead of a person.
class ScriptedUserCfgDialog : public CUserCfgDialog {
public:
    bool answer = true;
    QStringList asked;

protected:
    bool ConfirmDelete(const QString& name) override {
        asked << name;
        return answer;
    }
};

QStringList ListedNames(QDialog* d) {
    QStringList names;
    auto* list = Child<QListWidget>(d, "userList");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

void Select(QDialog* d, const QString& name) {
    auto* list = Child<QListWidget>(d, "userList");
    auto items = list->findItems(name, Qt::MatchExactly);
    if (!items.isEmpty())
        list->setCurrentItem(items.front());
}

void NewPassword(QDialog* d, const QString& first, const QString& second) {
    Type(d, "password", first);
    Type(d, "confirmPassword", second);
}

} // namespace

class UserCfgDialogTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::string UserFile() const { return (dir_.path() + "/OrvaneUsers.txt").toStdString(); }
    accounts::UserStore Store() const {
        accounts::UserStore store(UserFile());
        static_cast<void>(store.Load()); // a missing file is an empty store, which the tests then see
        return store;
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(QString::fromStdString(UserFile()));
        accounts::SetUserFilePath(UserFile());
    }
    void cleanup() { accounts::SetUserFilePath(""); }

    void withoutUsersTheFirstOneCanBeAddedAtOnce() {
        bool signInShown = true, addEnabled = false;
        QStringList afterMismatch, afterAdd;
        ModalDriver driver([&](QDialog* d) {
            signInShown = Child<QGroupBox>(d, "signInBox")->isVisible();
            addEnabled = Child<QPushButton>(d, "addButton")->isEnabled();
            Type(d, "userName", "anna");
            NewPassword(d, "one", "two");
            Click(d, "addButton");
            afterMismatch = ListedNames(d);
            NewPassword(d, "one", "one");
            Click(d, "addButton");
            afterAdd = ListedNames(d);
            Click(d, "closeButton");
        });
        CUserCfgDialog dialog(nullptr);
        QCOMPARE(dialog.DoModal(), CUserCfgDialog::kResultClosed);
        QVERIFY(!signInShown);
        QVERIFY(addEnabled);
        QVERIFY(afterMismatch.isEmpty());
        QCOMPARE(afterAdd, QStringList{"anna"});
        QVERIFY(Store().Verify("anna", "one"));
    }

    void withUsersSomeoneMustSignInFirst() {
        QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
        bool lockedAdd = true, lockedList = true, afterWrongAdd = true, afterRightAdd = false, signInHidden = false;
        QStringList namesLocked, namesUnlocked;
        QString wrongStatus;
        ModalDriver driver([&](QDialog* d) {
            lockedAdd = Child<QPushButton>(d, "addButton")->isEnabled();
            lockedList = Child<QListWidget>(d, "userList")->isEnabled();
            namesLocked = ListedNames(d);
            // Nothing can be changed while locked, even by calling the buttons.
            Type(d, "userName", "mallory");
            NewPassword(d, "x", "x");
            Click(d, "addButton");

            Type(d, "signInName", "anna");
            Type(d, "signInPassword", "guess");
            Click(d, "signInButton");
            afterWrongAdd = Child<QPushButton>(d, "addButton")->isEnabled();
            wrongStatus = Child<QLabel>(d, "statusLabel")->text();

            Type(d, "signInName", "anna");
            Type(d, "signInPassword", "secret");
            Click(d, "signInButton");
            afterRightAdd = Child<QPushButton>(d, "addButton")->isEnabled();
            signInHidden = !Child<QGroupBox>(d, "signInBox")->isVisible();
            namesUnlocked = ListedNames(d);
            d->reject();
        });
        CUserCfgDialog dialog(nullptr);
        QCOMPARE(dialog.DoModal(), CUserCfgDialog::kResultCancelled);
        QVERIFY(!lockedAdd);
        QVERIFY(!lockedList);
        QVERIFY(namesLocked.isEmpty()); // names are not shown to whoever passes by
        QVERIFY(!Store().Contains("mallory"));
        QVERIFY(!afterWrongAdd);
        QVERIFY(!wrongStatus.isEmpty());
        QVERIFY(afterRightAdd);
        QVERIFY(signInHidden);
        QCOMPARE(namesUnlocked, QStringList{"anna"});
        QVERIFY(dialog.Unlocked());
    }

    void addChangeAndDelete() {
        QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
        QStringList afterAdd, afterRefusedDelete, afterDelete;
        bool changeEnabledWithoutSelection = true;
        QString duplicateStatus, lastUserStatus;
        ModalDriver driver([&](QDialog* d) {
            auto* dialog = static_cast<ScriptedUserCfgDialog*>(d);
            Type(d, "signInName", "anna");
            Type(d, "signInPassword", "secret");
            Click(d, "signInButton");
            changeEnabledWithoutSelection = Child<QPushButton>(d, "changeButton")->isEnabled();

            Type(d, "userName", "bert");
            NewPassword(d, "b1", "b1");
            Click(d, "addButton");
            afterAdd = ListedNames(d);

            Type(d, "userName", "bert");
            NewPassword(d, "b2", "b2");
            Click(d, "addButton");
            duplicateStatus = Child<QLabel>(d, "statusLabel")->text();

            Select(d, "bert");
            NewPassword(d, "b3", "b3");
            Click(d, "changeButton");

            dialog->answer = false;
            Select(d, "anna");
            Click(d, "deleteButton");
            afterRefusedDelete = ListedNames(d);

            dialog->answer = true;
            Select(d, "anna");
            Click(d, "deleteButton");
            afterDelete = ListedNames(d);

            Select(d, "bert");
            Click(d, "deleteButton");
            lastUserStatus = Child<QLabel>(d, "statusLabel")->text();
            Click(d, "closeButton");
        });
        ScriptedUserCfgDialog dialog;
        QCOMPARE(dialog.DoModal(), CUserCfgDialog::kResultClosed);
        QVERIFY(!changeEnabledWithoutSelection);
        QCOMPARE(afterAdd, (QStringList{"anna", "bert"}));
        QVERIFY(!duplicateStatus.isEmpty());
        QCOMPARE(afterRefusedDelete, (QStringList{"anna", "bert"}));
        QCOMPARE(afterDelete, QStringList{"bert"});
        QCOMPARE(dialog.asked, (QStringList{"anna", "anna", "bert"}));
        QVERIFY(!lastUserStatus.isEmpty());

        accounts::UserStore store = Store();
        QVERIFY(store.Names() == std::vector<std::string>{"bert"}); // the last user stays
        QVERIFY(store.Verify("bert", "b3"));
        QVERIFY(!store.Verify("bert", "b1"));
        QVERIFY(!store.Verify("bert", "b2"));
    }

    void mismatchedNewPasswordsChangeNothing() {
        QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
        ModalDriver driver([&](QDialog* d) {
            Type(d, "signInName", "anna");
            Type(d, "signInPassword", "secret");
            Click(d, "signInButton");
            Select(d, "anna");
            NewPassword(d, "new", "neu");
            Click(d, "changeButton");
            Click(d, "closeButton");
        });
        CUserCfgDialog dialog(nullptr);
        QCOMPARE(dialog.DoModal(), CUserCfgDialog::kResultClosed);
        QVERIFY(Store().Verify("anna", "secret"));
    }
};

QTEST_MAIN(UserCfgDialogTest)
#include "UserCfgDialogTest.moc"
