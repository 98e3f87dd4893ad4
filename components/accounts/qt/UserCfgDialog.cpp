#include "accounts/qt/UserCfgDialog.h"

#include "accounts/qt/AccountTexts.h"
#include "accounts/qt/PasswordText.h"
#include "accounts/qt/StoreMessage.h"
#include "widgets/OrvaneMessageBox.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using accounts::ErrorText;
using accounts::UiText;
namespace text = accounts::text;

namespace {
std::string Utf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QLineEdit* PasswordField(QWidget* parent, const char* objectName) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(static_cast<int>(accounts::kMaxPasswordLength));
    return field;
}
} // namespace

CUserCfgDialog::CUserCfgDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(UiText(text::kUserAdminTitle));

    signIn_ = new QGroupBox(UiText(text::kSignInBox), this);
    signIn_->setObjectName("signInBox");
    signInName_ = new QLineEdit(signIn_);
    signInName_->setObjectName("signInName");
    signInName_->setMaxLength(static_cast<int>(accounts::kMaxNameLength));
    signInPassword_ = PasswordField(signIn_, "signInPassword");
    signInButton_ = new QPushButton(UiText(text::kSignIn), signIn_);
    signInButton_->setObjectName("signInButton");
    auto* signInForm = new QFormLayout(signIn_);
    signInForm->addRow(UiText(text::kUserName), signInName_);
    signInForm->addRow(UiText(text::kPassword), signInPassword_);
    signInForm->addRow(QString(), signInButton_);

    list_ = new QListWidget(this);
    list_->setObjectName("userList");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);

    name_ = new QLineEdit(this);
    name_->setObjectName("userName");
    name_->setMaxLength(static_cast<int>(accounts::kMaxNameLength));
    password_ = PasswordField(this, "password");
    confirm_ = PasswordField(this, "confirmPassword");
    auto* form = new QFormLayout;
    form->addRow(UiText(text::kUserName), name_);
    form->addRow(UiText(text::kNewPassword), password_);
    form->addRow(UiText(text::kRepeatPassword), confirm_);

    add_ = new QPushButton(UiText(text::kAddUser), this);
    add_->setObjectName("addButton");
    change_ = new QPushButton(UiText(text::kChangePassword), this);
    change_->setObjectName("changeButton");
    delete_ = new QPushButton(UiText(text::kDeleteUser), this);
    delete_->setObjectName("deleteButton");
    close_ = new QPushButton(UiText(text::kClose), this);
    close_->setObjectName("closeButton");
    for (QPushButton* b : {signInButton_, add_, change_, delete_, close_})
        b->setAutoDefault(false);

    status_ = new QLabel(this);
    status_->setObjectName("statusLabel");
    status_->setWordWrap(true);

    auto* actions = new QHBoxLayout;
    actions->addWidget(add_);
    actions->addWidget(change_);
    actions->addWidget(delete_);
    actions->addStretch(1);
    actions->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(signIn_);
    layout->addWidget(new QLabel(UiText(text::kUsers), this));
    layout->addWidget(list_);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addLayout(actions);

    connect(signInButton_, &QPushButton::clicked, this, &CUserCfgDialog::OnSignIn);
    connect(signInPassword_, &QLineEdit::returnPressed, this, &CUserCfgDialog::OnSignIn);
    connect(add_, &QPushButton::clicked, this, &CUserCfgDialog::OnAdd);
    connect(change_, &QPushButton::clicked, this, &CUserCfgDialog::OnChangePassword);
    connect(delete_, &QPushButton::clicked, this, &CUserCfgDialog::OnDelete);
    connect(close_, &QPushButton::clicked, this, [this] { done(kResultClosed); });
    connect(list_, &QListWidget::itemSelectionChanged, this, &CUserCfgDialog::OnSelectionChanged);
}

CUserCfgDialog::~CUserCfgDialog() = default;

int CUserCfgDialog::DoModal() {
    Prepare();
    return exec();
}

void CUserCfgDialog::reject() {
    done(kResultCancelled);
}

void CUserCfgDialog::Prepare() {
    store_ = accounts::UserStore(accounts::UserFilePath());
    readable_ = store_.Load() == accounts::kStoreOk;
    signInName_->clear();
    signInPassword_->clear();
    name_->clear();
    ClearPasswordFields();
    // With no user yet there is nobody who could sign in; the first one may be added.
    SetUnlocked(readable_ && store_.Empty());
    Refresh({});
    signIn_->setVisible(readable_ && !store_.Empty());
    SetStatus(readable_ ? QString() : accounts::StoreMessage(accounts::kStoreReadError));
}

void CUserCfgDialog::Refresh(const QString& select) {
    list_->clear();
    // The names are for those who signed in only.
    if (!unlocked_) {
        OnSelectionChanged();
        return;
    }
    for (const std::string& name : store_.Names()) {
        QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        list_->addItem(text);
        if (text == select)
            list_->setCurrentRow(list_->count() - 1);
    }
    OnSelectionChanged();
}

void CUserCfgDialog::SetUnlocked(bool unlocked) {
    unlocked_ = unlocked;
    for (QWidget* w : std::initializer_list<QWidget*>{list_, name_, password_, confirm_, add_})
        w->setEnabled(unlocked);
    OnSelectionChanged();
}

void CUserCfgDialog::OnSelectionChanged() {
    bool selected = unlocked_ && !SelectedName().isEmpty();
    change_->setEnabled(selected);
    delete_->setEnabled(selected);
    if (selected)
        name_->setText(SelectedName());
}

QString CUserCfgDialog::SelectedName() const {
    QListWidgetItem* item = list_->currentItem();
    return item != nullptr && item->isSelected() ? item->text() : QString();
}

void CUserCfgDialog::SetStatus(const QString& text) {
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void CUserCfgDialog::ClearPasswordFields() {
    password_->clear();
    confirm_->clear();
}

void CUserCfgDialog::OnSignIn() {
    if (unlocked_ || !readable_)
        return;
    accounts::PasswordText password(signInPassword_->text());
    signInPassword_->clear();
    if (!store_.Verify(Utf8(signInName_->text().trimmed()), password.View())) {
        SetStatus(ErrorText(text::kWrongLogin));
        signInPassword_->setFocus();
        return;
    }
    signIn_->setVisible(false);
    SetUnlocked(true);
    Refresh({});
    SetStatus({});
}

void CUserCfgDialog::OnAdd() {
    if (!unlocked_)
        return;
    const QString name = name_->text().trimmed();
    accounts::PasswordText password(password_->text());
    accounts::PasswordText repeated(confirm_->text());
    ClearPasswordFields();
    if (!(password == repeated)) {
        SetStatus(ErrorText(text::kPasswordsDiffer));
        return;
    }
    int rc = store_.Add(Utf8(name), password.View());
    Refresh(rc == accounts::kStoreOk ? name : SelectedName());
    SetStatus(rc == accounts::kStoreOk ? UiText(text::kUserAdded, Utf8(name)) : accounts::StoreMessage(rc));
}

void CUserCfgDialog::OnChangePassword() {
    const QString name = SelectedName();
    if (!unlocked_ || name.isEmpty())
        return;
    accounts::PasswordText password(password_->text());
    accounts::PasswordText repeated(confirm_->text());
    ClearPasswordFields();
    if (!(password == repeated)) {
        SetStatus(ErrorText(text::kPasswordsDiffer));
        return;
    }
    int rc = store_.ChangePassword(Utf8(name), password.View());
    Refresh(name);
    SetStatus(rc == accounts::kStoreOk ? UiText(text::kPasswordChanged, Utf8(name)) : accounts::StoreMessage(rc));
}

void CUserCfgDialog::OnDelete() {
    const QString name = SelectedName();
    if (!unlocked_ || name.isEmpty() || !ConfirmDelete(name))
        return;
    int rc = store_.Remove(Utf8(name));
    Refresh(rc == accounts::kStoreOk ? QString() : name);
    if (rc == accounts::kStoreOk)
        name_->clear();
    SetStatus(rc == accounts::kStoreOk ? UiText(text::kUserDeleted, Utf8(name)) : accounts::StoreMessage(rc));
}

bool CUserCfgDialog::ConfirmDelete(const QString& name) {
    return orvane::OrvaneMessageBox(this, UiText(text::kDeleteQuestion, Utf8(name)),
                                    orvane::MB_YESNO | orvane::MB_ICONQUESTION) == orvane::IDYES;
}
