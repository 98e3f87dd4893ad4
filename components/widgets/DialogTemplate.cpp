#include "widgets/DialogTemplate.h"

#include "widgets/OrvaneMessageBox.h"

#include <QKeyEvent>
#include <QVariant>

namespace orvane {

namespace {
// The base units of the dialog font: 6 by 13 pixels per average character.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;
} // namespace

QRect DluRect(int x, int y, int w, int h) {
    return QRect(x * kBaseX / 4, y * kBaseY / 8, w * kBaseX / 4, h * kBaseY / 8);
}

QSize DluSize(int w, int h) {
    return QSize(w * kBaseX / 4, h * kBaseY / 8);
}

void SetCtrlId(QWidget* control, int id) {
    control->setObjectName(QString::number(id));
    control->setProperty("ctrlId", id);
}

int CtrlId(const QWidget* control) {
    const QVariant id = control->property("ctrlId");
    return id.isValid() ? id.toInt() : 0;
}

QWidget* FindCtrl(const QWidget* window, int id) {
    return window->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

OrvaneDialog::OrvaneDialog(QWidget* parent) : QDialog(parent) {}

int OrvaneDialog::DoModal() {
    if (!OnInitDialog())
        return IDCANCEL;
    return exec();
}

bool OrvaneDialog::OnInitDialog() {
    return true;
}

void OrvaneDialog::OnOK() {
    EndDialog(IDOK);
}

void OrvaneDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void OrvaneDialog::EndDialog(int code) {
    done(code);
}

void OrvaneDialog::reject() {
    if (!childPage_)
        OnCancel();
}

void OrvaneDialog::MakeChildPage(QWidget* host, const QPoint& at, const QSize& size) {
    childPage_ = true;
    setParent(host, Qt::Widget);
    setGeometry(QRect(at, size));
}

void OrvaneDialog::keyPressEvent(QKeyEvent* event) {
    // A page has neither OK nor Cancel: Enter and Escape belong to the dialog around it.
    if (childPage_) {
        // NOLINTNEXTLINE(bugprone-parent-virtual-call): a page skips QDialog, which would take Enter and Escape
        QWidget::keyPressEvent(event);
    } else {
        QDialog::keyPressEvent(event);
    }
}

} // namespace orvane
