#include "config/qt/CtrlOptionDlg.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/EditCHLabel.h"
#include "platform/FileUtil.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace orvane {

namespace {
constexpr int kIntervalChars = 2;
}

CCtrlOptionDlg::CCtrlOptionDlg(QWidget* parent) : OrvaneDialog(parent) {
    // Template of the page: 287 by 164 dialog units, no caption.
    resize(DluSize(287, 164));
    SkipLoginBox = MakeCtrl<QCheckBox>(this, kSkipLoginId, QRect(15, 12, 120, 10));
    SkipLoginBox->setText(QStringLiteral("49;skip login"));
    SkipConfigBox = MakeCtrl<QCheckBox>(this, kSkipConfigId, QRect(15, 28, 120, 10));
    SkipConfigBox->setText(QStringLiteral("50;skip config dlg"));
    UserEditButton = MakeCtrl<QPushButton>(this, kUserEditId, QRect(15, 48, 80, 14));
    UserEditButton->setText(QStringLiteral("51;user edit"));
    auto* labels = MakeCtrl<QPushButton>(this, kEditLabelId, QRect(105, 48, 80, 14));
    labels->setText(QStringLiteral("64;Edit CH Label"));
    auto* intervalLabel = MakeCtrl<QLabel>(this, 0, QRect(15, 74, 70, 8));
    intervalLabel->setText(QStringLiteral("65;Update interval:"));
    intervalLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    IntervalEdit = MakeCtrl<QLineEdit>(this, kIntervalId, QRect(90, 72, 24, 12));
    IntervalEdit->setAlignment(Qt::AlignRight);
    IntervalEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    MakeCtrl<QLabel>(this, 0, QRect(118, 74, 30, 8))->setText(QStringLiteral("66;Sec"));
    for (QPushButton* b : {UserEditButton, labels})
        b->setAutoDefault(false);

    connect(IntervalEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (IntervalEdit->maxLength() > kIntervalChars && text.size() < IntervalEdit->maxLength())
            IntervalEdit->setMaxLength(std::max(kIntervalChars, static_cast<int>(text.size()))); // below maxLength()
    });
    connect(SkipConfigBox, &QCheckBox::clicked, this, [this] { OnSkipConfig(); });
    connect(SkipLoginBox, &QCheckBox::clicked, this, [this] { OnSkipLogin(); });
    connect(UserEditButton, &QPushButton::clicked, this, [this] { OnUserEdit(); });
    connect(labels, &QPushButton::clicked, this, [this] { OnEditChLabel(); });
}

CCtrlOptionDlg::UserAdminAction& CCtrlOptionDlg::Action() {
    static UserAdminAction action;
    return action;
}

void CCtrlOptionDlg::SetUserAdminAction(UserAdminAction action) {
    Action() = std::move(action);
}

bool CCtrlOptionDlg::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    SkipConfigBox->setChecked(SkipConfig != 0);
    SkipLoginBox->setChecked(SkipLogin != 0);
    // Two characters may be typed. The box's maximum length cuts what it shows, so a longer
    // interval from the option file gets room for itself, and OK saves it unchanged; the
    // room shrinks back to two as the operator deletes.
    const QString interval = QString::number(UpdateInterval);
    IntervalEdit->setMaxLength(std::max(kIntervalChars, static_cast<int>(interval.size()))); // an int's digits
    IntervalEdit->setText(interval);
    return true;
}

void CCtrlOptionDlg::EnableUserEdit() {
    UserEditButton->setEnabled(FileExists(kUserEditTool));
}

QString CCtrlOptionDlg::IntervalText() const {
    return IntervalEdit->text();
}

void CCtrlOptionDlg::OnSkipConfig() {
    SkipConfig = SkipConfigBox->isChecked() ? 1 : 0;
}

void CCtrlOptionDlg::OnSkipLogin() {
    SkipLogin = SkipLoginBox->isChecked() ? 1 : 0;
}

void CCtrlOptionDlg::OnUserEdit() {
    if (!FileExists(kUserEditTool)) {
        CatalogMessageBox(this, kCatalogSetErrors, 1001, MB_ICONSTOP);
        return;
    }
    if (Action())
        Action()();
}

void CCtrlOptionDlg::OnEditChLabel() {
    CEditCHLabel editor(this);
    editor.Model = Model;
    editor.DoModal();
}

} // namespace orvane
