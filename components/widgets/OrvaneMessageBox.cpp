#include "widgets/OrvaneMessageBox.h"

#include "catalog/AppName.h"
#include "catalog/MessageCatalog.h"
#include "catalog/SlotError.h"
#include "model/ModelInfo2.h"
#include "platform/FileUtil.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <span>
#include <utility>

namespace orvane {

namespace {

// Catalog texts (set 11) of the buttons.
constexpr int kCaptionCancel = 70;
constexpr int kCaptionOk = 71;
constexpr int kCaptionYes = 340;
constexpr int kCaptionNo = 341;

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(int style) {
    switch (style & 0xF0) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(int style) {
    switch (style & 0x0F) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int IdOf(QMessageBox::StandardButton button, int style) {
    switch (button) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        // Closed without a button (Escape on a box that has no Cancel): the box's
        // negative answer.
        return (style & 0x0F) == MB_YESNO ? IDNO : ((style & 0x0F) == MB_OK ? IDOK : IDCANCEL);
    }
}

// The toolkit captions its standard buttons in its own language, which need not be the
// catalog's. Without a catalog they keep the toolkit's captions, as numbered captions stay
// readable then.
void CaptionButtons(QMessageBox& box) {
    if (!IsCatalogOpen())
        return;
    const std::pair<QMessageBox::StandardButton, int> captions[] = {{QMessageBox::Ok, kCaptionOk},
                                                                    {QMessageBox::Cancel, kCaptionCancel},
                                                                    {QMessageBox::Yes, kCaptionYes},
                                                                    {QMessageBox::No, kCaptionNo}};
    for (const auto& [which, number] : captions) {
        if (QAbstractButton* button = box.button(which))
            button->setText(QString::fromStdString(CatalogText(kCatalogSetUi, number)));
    }
}

int ShowQMessageBox(const MessageBoxRequest& r) {
    QMessageBox box(IconOf(r.style), r.caption, r.text, ButtonsOf(r.style), r.owner);
    CaptionButtons(box);
    if ((r.style & 0x0F) == MB_YESNO)
        box.setEscapeButton(QMessageBox::No);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return IdOf(clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton, r.style);
}

} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

QString ApplicationTitle() {
    return QString::fromStdString(AppName());
}

int OrvaneMessageBox(QWidget* owner, const QString& text, int style) {
    MessageBoxRequest request{owner, ApplicationTitle(), text, style};
    if (Handler())
        return Handler()(request);
    return ShowQMessageBox(request);
}

int CatalogMessageBox(QWidget* owner, int set, int number, int style, const std::vector<std::string>& args) {
    const std::string text = CatalogText(set, number, std::span<const std::string>(args.data(), args.size()));
    return OrvaneMessageBox(owner, QString::fromStdString(text), style);
}

int ShowFileReadFailure(QWidget* owner, const std::string& path, const FileReadResult& result) {
    const std::string full = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    return CatalogMessageBox(owner, kCatalogSetErrors, kFileReadFailedMessage, MB_ICONSTOP, {full, result.reason});
}

int ShowSlotError(QWidget* owner, const CModelInfo2& model, int slot, int number, int style) {
    if (slot < 0 || slot >= CModelInfo2::kSlots)
        return CatalogMessageBox(owner, kCatalogSetErrors, number, style);
    const std::string text = CatalogText(kCatalogSetErrors, number);
    const std::string message =
        FormatSlotError(text, model.ConnectMethod[slot], model.IPAddress[slot], model.ComNo[slot]);
    return OrvaneMessageBox(owner, QString::fromStdString(message), style);
}

} // namespace orvane
