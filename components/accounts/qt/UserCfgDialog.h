#pragma once

#include "accounts/UserStore.h"

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// User administration: add users, change a user's password, delete users. As long as
// users exist, one of them has to sign in first; otherwise anyone reaching this dialog
// from the login could give himself an account.
class CUserCfgDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kResultClosed = 1;    // the Close button
    static constexpr int kResultCancelled = 2; // Escape or the close box

    explicit CUserCfgDialog(QWidget* parent = nullptr);
    ~CUserCfgDialog() override;

    // Reads the user list and runs the dialog modally. Every change is saved at once.
    int DoModal();

    // Whether the user list may be changed: someone signed in, or there was no user.
    bool Unlocked() const { return unlocked_; }

public slots:
    void reject() override;

protected:
    // Asks before `name` is deleted; true to go ahead.
    virtual bool ConfirmDelete(const QString& name);

private slots:
    void OnSignIn();
    void OnAdd();
    void OnChangePassword();
    void OnDelete();
    void OnSelectionChanged();

private:
    void Prepare();
    void Refresh(const QString& select);
    void SetUnlocked(bool unlocked);
    void SetStatus(const QString& text);
    QString SelectedName() const;
    void ClearPasswordFields();

    QGroupBox* signIn_ = nullptr;
    QLineEdit* signInName_ = nullptr;
    QLineEdit* signInPassword_ = nullptr;
    QPushButton* signInButton_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* status_ = nullptr;

    accounts::UserStore store_;
    bool unlocked_ = false;
    bool readable_ = false;
};
