#include "mainwnd/qt/WindowTrayIcon.h"

#include "catalog/MessageCatalog.h"
#include "mainwnd/qt/OperatorSide.h"
#include "model/ModelInfo2.h"
#include "widgets/TranslateWindow.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace orvane {

WindowTrayIcon::WindowTrayIcon(QWidget* window, const CModelInfo2& model, WindowFlags& flags,
                               IOperatorSide& operatorSide)
    : window_(window), model_(model), flags_(flags), operator_(&operatorSide) {}

WindowTrayIcon::~WindowTrayIcon() {
    Remove();
}

void WindowTrayIcon::Add(const QIcon& icon) {
    Remove();
    icon_ = new QSystemTrayIcon(icon, window_);
    const std::string tip = TrayTipText(model_.Name);
    icon_->setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            OnNotify(TrayMouse::LeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            OnNotify(TrayMouse::RightButtonDown);
            break;
        default:
            OnNotify(TrayMouse::Other);
            break;
        }
    });
    icon_->show();
}

void WindowTrayIcon::Remove() {
    if (icon_ == nullptr)
        return;
    icon_->hide();
    delete icon_;
    icon_ = nullptr;
}

QString WindowTrayIcon::Tip() const {
    return icon_ != nullptr ? icon_->toolTip() : QString();
}

void WindowTrayIcon::OnNotify(TrayMouse event) {
    const QPoint at = QCursor::pos();
    const TrayResponse response = OnTrayMouse(event, flags_, model_.ToolbarButtonCount);
    if (response.showWindow)
        window_->show();
    if (response.foreground) {
        window_->raise();
        window_->activateWindow();
    }
    if (response.menuId == 0)
        return;
    QMenu menu(window_);
    for (const TrayMenuItem& item : TrayMenuItems(response.menuId))
        menu.addAction(QString::fromLatin1(item.caption))->setData(item.commandId);
    TranslateMenu(kCatalogSetUi, &menu);
    const int chosen = operator_->RunMenu(menu, at);
    if (chosen != 0)
        emit commandChosen(chosen);
}

} // namespace orvane
