// The login and the user administration speak the catalog's language: with the Chinese
// marker every text they show, in every state, is a text of the Chinese catalog.

#include "ModalDriver.h"

#include "accounts/UserStore.h"
#include "accounts/qt/LoginDialog.h"
#include "accounts/qt/StoreMessage.h"
#include "accounts/qt/UserCfgDialog.h"
#include "catalog/MessageCatalog.h"
#include "catalog/qt/OrvaneMessageBox.h"
#include "support/TempDir.h"
#include "support/qt/ShownTexts.h"

#include <QFile>
#include <QListWidget>
#include <QTest>

#include <functional>
#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Shown {
    int set;
    int number;
    std::vector<std::string> args;
};

QString Text(const Shown& key) {
    return QString::fromStdString(CatalogText(key.set, key.number, key.args));
}

void SignIn(QDialog* d, const char* password = "secret") {
    Type(d, "signInName", "anna");
    Type(d, "signInPassword", password);
    Click(d, "signInButton");
}

void Select(QDialog* d, const QString& name) {
    auto* list = Child<QListWidget>(d, "userList");
    const auto items = list->findItems(name, Qt::MatchExactly);
    if (!items.isEmpty())
        list->setCurrentItem(items.front());
}

void Fill(QDialog* d, const char* name, const char* password, const char* repeated) {
    Type(d, "userName", name);
    Type(d, "password", password);
    Type(d, "confirmPassword", repeated);
}

} // namespace

class AccountsLanguageTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Sandbox> box_;
    std::unique_ptr<CatalogTexts> chinese_;
    std::vector<MessageBoxRequest> boxes_;
    MessageBoxHandler oldHandler_;

    std::string UserFile() const { return box_->File("OrvaneUsers.txt"); }

    // Runs the dialog, lets `act` bring it into a state, and gives what it shows then,
    // with the message boxes it asked for meanwhile.
    QStringList ShownBy(const std::function<int()>& run, const std::function<void(QDialog*)>& act) {
        QStringList shown;
        boxes_.clear();
        ModalDriver driver([&](QDialog* d) {
            act(d);
            shown = ShownTexts(d);
            d->reject();
        });
        run();
        for (const MessageBoxRequest& r : boxes_)
            shown << r.caption << r.text;
        return shown;
    }

private slots:
    void initTestCase() {
        chinese_ = std::make_unique<CatalogTexts>(std::string(ORVANE_SOURCE_DIR) + "/res/txtzhs.cat", 1033);
        QVERIFY(!chinese_->Empty());
    }

    void init() {
        box_ = std::make_unique<Sandbox>();
        QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/res/txtzhs.cat"),
                    QString::fromStdString(box_->File("txtzhs.cat")));
        box_->Write(kMarkerChinese, "");
        QCOMPARE(OpenCatalog(), 0);
        accounts::SetUserFilePath(UserFile());
        oldHandler_ = SetMessageBoxHandler([this](const MessageBoxRequest& r) {
            boxes_.push_back(r);
            return IDYES;
        });
    }

    void cleanup() {
        SetMessageBoxHandler(std::move(oldHandler_));
        accounts::SetUserFilePath("");
        CloseCatalog();
        box_.reset();
    }

    void everyTextOfTheAccountDialogsIsChinese() {
        enum Dialog { kLogin, kUserAdmin };
        const struct Case {
            const char* name;
            Dialog dialog;
            bool withUser;  // "anna" with password "secret" exists
            bool failFirst; // a login with a wrong password went before
            std::function<void(QDialog*)> act;
            std::vector<Shown> expected; // among what is shown
        } cases[] = {
            {"login", kLogin, true, false, [](QDialog*) {}, {{11, 300, {}}, {11, 302, {}}, {11, 307, {}}}},
            {"after a failed try", kLogin, true, true, [](QDialog*) {}, {{2201, 1010, {}}}},
            {"first user", kLogin, false, false, [](QDialog*) {}, {{11, 301, {}}, {11, 303, {}}, {11, 306, {}}}},
            {"first user, passwords differ",
             kLogin,
             false,
             false,
             [](QDialog* d) {
                 Fill(d, "anna", "one", "two");
                 Click(d, "okButton");
             },
             {{2201, 1011, {}}}},
            {"first user, bad name",
             kLogin,
             false,
             false,
             [](QDialog* d) {
                 Fill(d, "an:na", "one", "one");
                 Click(d, "okButton");
             },
             {{2201, 1012, {"64"}}}},
            {"locked administration",
             kUserAdmin,
             true,
             false,
             [](QDialog*) {},
             {{11, 308, {}}, {11, 309, {}}, {11, 310, {}}}},
            {"wrong sign-in", kUserAdmin, true, false, [](QDialog* d) { SignIn(d, "guess"); }, {{2201, 1010, {}}}},
            {"user added",
             kUserAdmin,
             true,
             false,
             [](QDialog* d) {
                 SignIn(d);
                 Fill(d, "bert", "b", "b");
                 Click(d, "addButton");
             },
             {{11, 317, {"bert"}}}},
            {"user exists",
             kUserAdmin,
             true,
             false,
             [](QDialog* d) {
                 SignIn(d);
                 Fill(d, "anna", "b", "b");
                 Click(d, "addButton");
             },
             {{2201, 1014, {}}}},
            {"password changed",
             kUserAdmin,
             true,
             false,
             [](QDialog* d) {
                 SignIn(d);
                 Select(d, "anna");
                 Fill(d, "anna", "new", "new");
                 Click(d, "changeButton");
             },
             {{11, 318, {"anna"}}}},
            {"last user kept",
             kUserAdmin,
             true,
             false,
             [](QDialog* d) {
                 SignIn(d);
                 Select(d, "anna");
                 Click(d, "deleteButton");
             },
             {{11, 320, {"anna"}}, {2201, 1016, {}}}},
            {"user deleted",
             kUserAdmin,
             true,
             false,
             [](QDialog* d) {
                 SignIn(d);
                 Fill(d, "bert", "b", "b");
                 Click(d, "addButton");
                 Select(d, "bert");
                 Click(d, "deleteButton");
             },
             {{11, 320, {"bert"}}, {11, 319, {"bert"}}}},
        };
        for (const Case& c : cases) {
            QFile::remove(QString::fromStdString(UserFile()));
            if (c.withUser)
                QCOMPARE(accounts::UserStore(UserFile()).Add("anna", "secret"), int(accounts::kStoreOk));
            if (c.failFirst) {
                CLoginDialog failing;
                ShownBy([&] { return failing.DoModal(); },
                        [](QDialog* d) {
                            Type(d, "userName", "anna");
                            Type(d, "password", "wrong");
                            Click(d, "okButton");
                        });
            }
            QStringList shown;
            if (c.dialog == kLogin) {
                CLoginDialog dialog;
                dialog.m_nMode = CLoginDialog::kModeLoginWithAdmin;
                shown = ShownBy([&] { return dialog.DoModal(); }, c.act);
            } else {
                CUserCfgDialog dialog;
                shown = ShownBy([&] { return dialog.DoModal(); }, c.act);
            }
            QVERIFY2(chinese_->Strangers(shown).isEmpty(),
                     qPrintable(QStringLiteral("%1: not in the catalog: %2")
                                    .arg(QLatin1String(c.name))
                                    .arg(chinese_->Strangers(shown).join(" | "))));
            for (const Shown& key : c.expected)
                QVERIFY2(
                    shown.contains(Text(key)),
                    qPrintable(
                        QStringLiteral("%1: %2.%3 not shown").arg(QLatin1String(c.name)).arg(key.set).arg(key.number)));
        }
    }

    void everyUserStoreResultHasItsOwnChineseText() {
        QStringList texts;
        for (int result :
             std::initializer_list<int>{accounts::kStoreBadName, accounts::kStoreBadPassword, accounts::kStoreExists,
                                        accounts::kStoreNotFound, accounts::kStoreLastUser, accounts::kStoreReadError,
                                        accounts::kStoreWriteError, accounts::kStoreCryptoError, -999}) {
            const QString text = accounts::StoreMessage(result);
            QVERIFY2(chinese_->Holds(text), qPrintable(text));
            QVERIFY2(!texts.contains(text), qPrintable(text));
            texts << text;
        }
        QVERIFY(accounts::StoreMessage(accounts::kStoreOk).isEmpty());
    }
};

QTEST_MAIN(AccountsLanguageTest)
#include "AccountsLanguageTest.moc"
