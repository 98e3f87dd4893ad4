#include "config/qt/EditCHLabel.h"

#include "catalog/MessageCatalog.h"
#include "model/ModelInfo2.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvane {

CEditCHLabel::CEditCHLabel(QWidget* parent) : OrvaneDialog(parent) {
    setWindowTitle(QStringLiteral("64;Edit CH Label"));
    setFixedSize(DluSize(142, 210));
    for (int i = 0; i < kLabelEditorRows; ++i) {
        const int y = 8 + 17 * i;
        statics_[static_cast<std::size_t>(i)] =
            MakeCtrl<QLabel>(this, kStaticIds[static_cast<std::size_t>(i)], QRect(8, y + 2, 70, 8));
        edits_[static_cast<std::size_t>(i)] =
            MakeCtrl<QLineEdit>(this, kEditIds[static_cast<std::size_t>(i)], QRect(82, y, 52, 13));
    }
    auto* ok = MakeCtrl<QPushButton>(this, IDOK, QRect(16, 188, 50, 14));
    ok->setText(QStringLiteral("71;OK"));
    ok->setDefault(true);
    auto* cancel = MakeCtrl<QPushButton>(this, IDCANCEL, QRect(76, 188, 50, 14));
    cancel->setText(QStringLiteral("70;Cancel"));
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CEditCHLabel::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    if (Model == nullptr)
        return true;
    // The record's icon size, not the toolbar page's current choice: the labels must fit
    // the toolbar as it is configured now.
    labelLength_ = LabelLengthForIconSize(Model->IconSize);
    const int rows = LabelRowCount(*Model);
    for (int i = 0; i < kLabelEditorRows; ++i) {
        QLineEdit* edit = edits_[static_cast<std::size_t>(i)];
        if (i < rows) {
            statics_[static_cast<std::size_t>(i)]->setText(QString::fromUtf8(Model->InputName[i]));
            edit->setMaxLength(labelLength_);
            edit->setText(QString::fromStdString(CutLabel(Model->InputNameView[i], labelLength_)));
            edit->show();
        } else {
            statics_[static_cast<std::size_t>(i)]->clear();
            edit->hide();
        }
    }
    return true;
}

void CEditCHLabel::OnOK() {
    if (Model != nullptr) {
        const int rows = LabelRowCount(*Model);
        for (int i = 0; i < rows; ++i) {
            SetText(Model->InputNameView[i],
                    CutLabel(edits_[static_cast<std::size_t>(i)]->text().toStdString(), labelLength_));
        }
    }
    EndDialog(IDOK);
}

} // namespace orvane
