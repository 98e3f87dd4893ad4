#include "mainwnd/qt/OperatorSide.h"

#include "adjust/qt/AdvanceDlg.h"
#include "config/qt/AdvPjt.h"
#include "config/qt/ConfDlg.h"
#include "mainwnd/qt/AboutDlg.h"

#include "picpush/qt/ImageSendDlg.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace orvane {

int DesktopOperatorSide::RunConfig(CConfDlg& dialog) {
    return dialog.DoModal();
}

int DesktopOperatorSide::RunAbout(CAboutDlg& dialog) {
    return dialog.DoModal();
}

int DesktopOperatorSide::RunImageSend(picpush::CImageSendDlg& dialog) {
    return dialog.DoModal();
}

int DesktopOperatorSide::RunProjectorChoice(CAdvPjt& dialog) {
    return dialog.DoModal();
}

int DesktopOperatorSide::RunAdvance(CAdvanceDlg& dialog) {
    return dialog.DoModal();
}

int DesktopOperatorSide::RunMenu(QMenu& menu, const QPoint& at) {
    QAction* chosen = menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

bool DesktopOperatorSide::TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace orvane
