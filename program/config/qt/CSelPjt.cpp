#include "config/qt/CSelPjt.h"

#include "catalog/MessageCatalog.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace orvane {

CCSelPjt::CCSelPjt(QWidget* parent) : OrvaneDialog(parent) {
    setWindowTitle(QStringLiteral("1;Select Projector"));
    setFixedSize(DluSize(315, 162));
    List = MakeCtrl<QTreeWidget>(this, kListId, QRect(7, 7, 301, 126));
    List->setRootIsDecorated(false);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setAllColumnsShowFocus(true);
    OkButton = MakeCtrl<QPushButton>(this, IDOK, QRect(197, 141, 50, 14));
    OkButton->setText(QStringLiteral("71;OK"));
    OkButton->setDefault(true);
    auto* cancel = MakeCtrl<QPushButton>(this, IDCANCEL, QRect(258, 141, 50, 14));
    cancel->setText(QStringLiteral("70;Cancel"));
    connect(OkButton, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(List, &QTreeWidget::itemSelectionChanged, this, [this] { OkButton->setEnabled(SelectedRow() >= 0); });
    connect(List, &QTreeWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

void CCSelPjt::SetList(const FoundAddrArray& addr, const FoundNameArray& name, const FoundInfoArray& info, int count) {
    FoundCount = CopyFoundList(FoundAddr, FoundName, FoundInfo, addr, name, info, count);
}

bool CCSelPjt::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    const int w = List->width() - 2 * List->frameWidth(); // the client width
    List->setColumnCount(3);
    List->setHeaderLabels({QString::fromStdString(CatalogText(kCatalogSetUi, 41)),
                           QString::fromStdString(CatalogText(kCatalogSetUi, 53)),
                           QString::fromStdString(CatalogText(kCatalogSetUi, 34))});
    List->header()->setStretchLastSection(false);
    List->setColumnWidth(0, w / 16 * 7);
    List->setColumnWidth(1, w / 16 * 5);
    List->setColumnWidth(2, w / 16 * 4);
    List->clear();
    for (int i = 0; i < FoundCount; ++i) {
        auto* row = new QTreeWidgetItem(List);
        row->setText(0, QString::fromUtf8(FoundName[i]));
        row->setText(1, QString::fromUtf8(FoundInfo[i]));
        row->setText(2, QString::fromStdString(FormatPackedAddress(PackFoundAddress(FoundAddr[i]))));
    }
    List->clearSelection();
    List->setCurrentItem(nullptr);
    OkButton->setEnabled(false);
    return true;
}

int CCSelPjt::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = List->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int row = List->indexOfTopLevelItem(selected.first());
    return row >= 0 && row < FoundCount ? row : -1;
}

void CCSelPjt::OnOK() {
    const int row = SelectedRow();
    if (FoundCount == 0 || row < 0)
        return;
    ChosenAddr = PackFoundAddress(FoundAddr[row]);
    EndDialog(IDOK);
}

} // namespace orvane
