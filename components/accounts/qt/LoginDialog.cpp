#include "accounts/qt/LoginDialog.h"

#include "accounts/qt/AccountTexts.h"
#include "accounts/qt/PasswordText.h"
#include "accounts/qt/StoreMessage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The caller runs a new dialog after a failed try; this lets that one say why.
bool g_lastTryFailed = false;
} // namespace

CLoginDialog::CLoginDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(accounts::UiText(accounts::text::kLoginTitle));

    intro_ = new QLabel(this);
    intro_->setObjectName("introLabel");
    intro_->setWordWrap(true);

    name_ = new QLineEdit(this);
    name_->setObjectName("userName");
    name_->setMaxLength(static_cast<int>(accounts::kMaxNameLength));
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(accounts::kMaxPasswordLength));
    confirm_ = new QLineEdit(this);
    confirm_->setObjectName("confirmPassword");
    confirm_->setEchoMode(QLineEdit::Password);
    confirm_->setMaxLength(static_cast<int>(accounts::kMaxPasswordLength));
    confirmLabel_ = new QLabel(accounts::UiText(accounts::text::kRepeatPassword), this);

    auto* form = new QFormLayout;
    form->addRow(accounts::UiText(accounts::text::kUserName), name_);
    form->addRow(accounts::UiText(accounts::text::kPassword), password_);
    form->addRow(confirmLabel_, confirm_);

    status_ = new QLabel(this);
    status_->setObjectName("statusLabel");
    status_->setWordWrap(true);

    admin_ = new QPushButton(accounts::UiText(accounts::text::kUserAdminButton), this);
    admin_->setObjectName("userAdminButton");
    admin_->setAutoDefault(false);
    ok_ = new QPushButton(accounts::UiText(accounts::text::kOk), this);
    ok_->setObjectName("okButton");
    ok_->setDefault(true);
    cancel_ = new QPushButton(accounts::UiText(accounts::text::kCancel), this);
    cancel_->setObjectName("cancelButton");
    cancel_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(admin_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CLoginDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &CLoginDialog::reject);
    connect(admin_, &QPushButton::clicked, this, [this] { done(kResultUserAdmin); });
}

CLoginDialog::~CLoginDialog() = default;

int CLoginDialog::DoModal() {
    Prepare();
    return exec();
}

void CLoginDialog::Prepare() {
    store_ = accounts::UserStore(accounts::UserFilePath());
    unreadable_ = store_.Load() != accounts::kStoreOk;
    // Only a list that was read and is empty may be started afresh; an unreadable one
    // would be overwritten.
    firstAccount_ = !unreadable_ && store_.Empty();
    userName_.clear();
    password_->clear();
    confirm_->clear();

    confirmLabel_->setVisible(firstAccount_);
    confirm_->setVisible(firstAccount_);
    admin_->setVisible(m_nMode == kModeLoginWithAdmin && !firstAccount_);
    if (firstAccount_) {
        setWindowTitle(accounts::UiText(accounts::text::kFirstUserTitle));
        intro_->setText(accounts::UiText(accounts::text::kFirstUserIntro));
        SetStatus({});
    } else {
        setWindowTitle(accounts::UiText(accounts::text::kLoginTitle));
        intro_->setText(accounts::UiText(accounts::text::kLoginIntro));
        if (unreadable_) {
            SetStatus(accounts::StoreMessage(accounts::kStoreReadError));
        } else {
            SetStatus(g_lastTryFailed ? accounts::ErrorText(accounts::text::kWrongLogin) : QString());
        }
    }
    (name_->text().isEmpty() ? name_ : password_)->setFocus();
}

void CLoginDialog::SetStatus(const QString& text) {
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void CLoginDialog::OnOk() {
    const QString name = name_->text().trimmed();
    accounts::PasswordText password(password_->text());
    accounts::PasswordText repeated(confirm_->text());
    password_->clear();
    confirm_->clear();

    if (unreadable_) {
        done(kResultFailed);
        return;
    }
    const QByteArray nameUtf8 = name.toUtf8();
    const std::string_view nameBytes(nameUtf8.constData(), static_cast<std::size_t>(nameUtf8.size()));

    if (firstAccount_) {
        if (!(password == repeated)) {
            SetStatus(accounts::ErrorText(accounts::text::kPasswordsDiffer));
            password_->setFocus();
            return;
        }
        int rc = store_.Add(nameBytes, password.View());
        if (rc == accounts::kStoreOk) {
            userName_ = name;
            g_lastTryFailed = false;
            done(kResultAccepted);
            return;
        }
        SetStatus(accounts::StoreMessage(rc));
        (rc == accounts::kStoreBadName ? name_ : password_)->setFocus();
        return;
    }

    if (store_.Verify(nameBytes, password.View())) {
        userName_ = name;
        g_lastTryFailed = false;
        done(kResultAccepted);
        return;
    }
    g_lastTryFailed = true;
    done(kResultFailed);
}

void CLoginDialog::reject() {
    done(kResultCancelled);
}
