#pragma once

#include "accounts/UserStore.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The login of the account component: user name and password. Run with DoModal, it ends
// with one of the results below. When no user exists yet it asks for the first account
// (name and password twice) instead, so that the operator is never locked out of a fresh
// installation, and accepts once that account is saved.
class CLoginDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResultAccepted = 1;
    static constexpr int kResultCancelled = 2; // Cancel, Escape or the close box
    static constexpr int kResultUserAdmin = 3; // the user administration button
    static constexpr int kResultFailed = 4;    // wrong name or password, or no readable user list

    // Values of m_nMode.
    static constexpr int kModeLogin = 1;          // name and password only
    static constexpr int kModeLoginWithAdmin = 2; // also the user administration button

    explicit CLoginDialog(QWidget* parent = nullptr);
    ~CLoginDialog() override;

    // Reads the user list, sets the dialog up for m_nMode and runs it modally.
    int DoModal();

    // Set before DoModal; see the kMode values.
    int m_nMode = kModeLogin;

    // After a result of 1: the user who logged in or was created.
    QString UserName() const { return userName_; }
    // Whether the last DoModal asked for the first account.
    bool FirstAccountMode() const { return firstAccount_; }

public slots:
    void reject() override;

private slots:
    void OnOk();

private:
    void Prepare();
    void SetStatus(const QString& text);

    QLabel* intro_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLabel* confirmLabel_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* admin_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;

    accounts::UserStore store_;
    bool firstAccount_ = false;
    bool unreadable_ = false;
    QString userName_;
};
