#include "mainwnd/qt/AboutDlg.h"

#include "catalog/MessageCatalog.h"
#include "mainwnd/qt/ButtonIcons.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QLabel>
#include <QPushButton>

namespace orvane {

CAboutDlg::CAboutDlg(QWidget* parent) : OrvaneDialog(parent) {
    setWindowTitle(QStringLiteral("58;About Orvane Application"));
    setFixedSize(DluSize(320, 62));

    auto* icon = MakeCtrl<QLabel>(this, 0, QRect(11, 17, 21, 20));
    const QRect iconRect = DluRect(11, 17, 21, 20);
    const int side = qMin(iconRect.width(), iconRect.height());
    icon->setPixmap(ApplicationIcon().pixmap(side, side));

    MakeCtrl<QLabel>(this, 0, QRect(40, 10, 210, 8))->setText(QStringLiteral("59;Orvane Application  Version 3.00"));
    auto* line = MakeCtrl<QLabel>(this, 0, QRect(40, 26, 210, 24));
    line->setText(QStringLiteral("72;One toolbar for up to five projectors, over TCP or RS-232C."));
    line->setWordWrap(true);

    auto* ok = MakeCtrl<QPushButton>(this, IDOK, QRect(263, 7, 50, 14));
    ok->setText(QStringLiteral("71;OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
}

bool CAboutDlg::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    return true;
}

} // namespace orvane
