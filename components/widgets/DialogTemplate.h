#pragma once

#include <QDialog>
#include <QRect>
#include <QString>

namespace orvane {

// Dialog templates are laid out in dialog units, as the designs give them; one unit is
// a quarter of the average character width across and an eighth of its height down.
QRect DluRect(int x, int y, int w, int h);
QSize DluSize(int w, int h);

// Every numbered control carries its id as object name ("1003") and as the property
// "ctrlId", so that lookups by id work on any page.
void SetCtrlId(QWidget* control, int id);
int CtrlId(const QWidget* control);

// The direct child of `window` with the id, or nullptr.
QWidget* FindCtrl(const QWidget* window, int id);
template <class T> T* FindCtrl(const QWidget* window, int id) {
    return qobject_cast<T*>(FindCtrl(window, id));
}

// Creates a control of type T as a direct child of `parent` at a place in dialog units;
// id 0 leaves it without one (static texts).
template <class T> T* MakeCtrl(QWidget* parent, int id, const QRect& dlu) {
    auto* control = new T(parent);
    control->setGeometry(DluRect(dlu.x(), dlu.y(), dlu.width(), dlu.height()));
    if (id != 0)
        SetCtrlId(control, id);
    return control;
}

// Base of the program's dialogs and pages: DoModal runs OnInitDialog, then the modal
// loop, and returns the code the dialog ended with (IDOK 1, IDCANCEL 2). Closing the
// window or pressing Escape ends it with IDCANCEL.
class OrvaneDialog : public QDialog {
    Q_OBJECT
public:
    explicit OrvaneDialog(QWidget* parent = nullptr);

    virtual int DoModal();
    // Builds what a run needs; tests call it directly to drive a dialog without its loop.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int code);

    // Makes the dialog a page: a plain child widget placed inside another dialog.
    void MakeChildPage(QWidget* host, const QPoint& at, const QSize& size);

    bool IsChildPage() const { return childPage_; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool childPage_ = false;
};

} // namespace orvane
