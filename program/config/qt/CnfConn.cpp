#include "config/qt/CnfConn.h"

#include "catalog/MessageCatalog.h"
#include "config/ConnectionCheck.h"
#include "config/qt/CSelPjt.h"
#include "config/qt/IpAddressEdit.h"
#include "model/ConfigFile.h"
#include "model/ModelInfo2.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace orvane {

namespace {

constexpr int kComPorts = 256;

// A row of the projector list whose check box runs through the page's guard: a refused
// change never reaches the item, and an accepted check is followed up by the page.
class ProjectorRow : public QTreeWidgetItem {
public:
    explicit ProjectorRow(CCnfConn* page) : page_(page) { setFlags(flags() | Qt::ItemIsUserCheckable); }

    void setData(int column, int role, const QVariant& value) override {
        if (column != 0 || role != Qt::CheckStateRole) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        const QVariant old = data(0, Qt::CheckStateRole);
        const bool was = old.isValid() && old.toInt() == Qt::Checked;
        const bool will = value.toInt() == Qt::Checked;
        const int row = treeWidget() != nullptr ? treeWidget()->indexOfTopLevelItem(this) : -1;
        if (row >= 0 && !page_->AllowCheckChange(row, was, will))
            return;
        QTreeWidgetItem::setData(column, role, value);
        if (row >= 0)
            page_->AfterCheckChange(row, was, will);
    }

private:
    CCnfConn* page_;
};

QString NetworkText() {
    return IsCatalogOpen() ? QString::fromStdString(CatalogText(kCatalogSetUi, 5)) : QStringLiteral("NETWORK");
}

} // namespace

CCnfConn::CCnfConn(QWidget* parent) : OrvaneDialog(parent) {
    // Template of the page: 333 by 164 dialog units, no caption.
    resize(DluSize(333, 164));
    Rs232cRadio = MakeCtrl<QRadioButton>(this, kRs232cId, QRect(10, 8, 60, 10));
    Rs232cRadio->setText(QStringLiteral("RS-232C"));
    ComCombo = MakeCtrl<QComboBox>(this, kComComboId, QRect(80, 6, 70, 14));
    for (int i = 1; i <= kComPorts; ++i)
        ComCombo->addItem(QStringLiteral("COM%1").arg(i));
    ComCombo->setMaxVisibleItems(16);
    NetworkRadio = MakeCtrl<QRadioButton>(this, kNetworkId, QRect(10, 26, 80, 10));
    NetworkRadio->setText(QStringLiteral("5;NETWORK"));
    MakeCtrl<QLabel>(this, 0, QRect(22, 44, 60, 8))->setText(QStringLiteral("7;IP Address"));
    IPCtrl = MakeCtrl<IpAddressEdit>(this, kIpCtrlId, QRect(95, 41, 100, 14));
    SelectButton = MakeCtrl<QPushButton>(this, kSelectId, QRect(202, 41, 55, 14));
    SelectButton->setText(QStringLiteral("8;Select..."));
    MakeCtrl<QLabel>(this, 0, QRect(22, 62, 60, 8))->setText(QStringLiteral("6;Port No "));
    PortCombo = MakeCtrl<QComboBox>(this, kPortComboId, QRect(95, 59, 55, 14));
    PortCombo->setEditable(true);
    PortCombo->setInsertPolicy(QComboBox::NoInsert);
    // Two lines: the long caption (and its translations) must not be cut at the edit box.
    auto* passwordLabel = MakeCtrl<QLabel>(this, 0, QRect(22, 76, 70, 18));
    passwordLabel->setWordWrap(true);
    passwordLabel->setText(QStringLiteral("12;Authentication Password"));
    PasswordEdit = MakeCtrl<QLineEdit>(this, kPasswordId, QRect(95, 77, 100, 14));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    List = MakeCtrl<QTreeWidget>(this, kListId, QRect(10, 98, 250, 60));
    List->setRootIsDecorated(false);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setAllColumnsShowFocus(true);
    InsertButton = MakeCtrl<QPushButton>(this, kInsertId, QRect(270, 98, 55, 14));
    InsertButton->setText(QStringLiteral("13;Insert"));
    UpdateButton = MakeCtrl<QPushButton>(this, kUpdateId, QRect(270, 118, 55, 14));
    UpdateButton->setText(QStringLiteral("14;Update"));
    DeleteButton = MakeCtrl<QPushButton>(this, kDeleteId, QRect(270, 138, 55, 14));
    DeleteButton->setText(QStringLiteral("15;Delete"));
    for (QPushButton* b : {SelectButton, InsertButton, UpdateButton, DeleteButton})
        b->setAutoDefault(false);

    // Kept in the template for the translators' sake; the page has no function for them.
    auto* command = MakeCtrl<QCheckBox>(this, 0, QRect(270, 8, 55, 10));
    command->setText(QStringLiteral("10;Command"));
    auto* auth = MakeCtrl<QGroupBox>(this, 0, QRect(265, 20, 65, 40));
    auth->setTitle(QStringLiteral("9;Authentication"));
    auto* imageSend = MakeCtrl<QCheckBox>(this, 0, QRect(270, 64, 55, 10));
    imageSend->setText(QStringLiteral("11;Image Send"));
    for (QWidget* w : std::initializer_list<QWidget*>{command, auth, imageSend})
        w->hide();

    connect(Rs232cRadio, &QRadioButton::clicked, this, [this] { OnRs232c(); });
    connect(NetworkRadio, &QRadioButton::clicked, this, [this] { OnNetwork(); });
    connect(InsertButton, &QPushButton::clicked, this, [this] { OnInsert(); });
    connect(UpdateButton, &QPushButton::clicked, this, [this] { OnUpdate(); });
    connect(DeleteButton, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(SelectButton, &QPushButton::clicked, this, [this] { OnSelect(); });
    connect(List, &QTreeWidget::itemClicked, this, [this] { OnClickList(); });
}

bool CCnfConn::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    const int w = List->width() - 2 * List->frameWidth(); // the client width
    List->setColumnCount(3);
    List->setHeaderLabels({QString::fromStdString(CatalogText(kCatalogSetUi, 32)),
                           QString::fromStdString(CatalogText(kCatalogSetUi, 33)),
                           QString::fromStdString(CatalogText(kCatalogSetUi, 34))});
    List->header()->setStretchLastSection(false);
    List->setColumnWidth(0, w / 20 * 6);
    List->setColumnWidth(1, w / 20 * 5);
    List->setColumnWidth(2, w / 20 * 9);
    return true;
}

void CCnfConn::Bind(CModelInfo2* model) {
    Model = model;
    if (Model == nullptr)
        return;
    Edit = ProjectorSlotList(*Model).Slot(0);
    SelectPrjCopy = Model->SelectPrj;
}

void CCnfConn::TakeFoundList(const FoundAddrArray& addr, const FoundNameArray& name, const FoundInfoArray& info,
                             int count) {
    if (count < 1)
        return;
    FoundCount = CopyFoundList(FoundAddr, FoundName, FoundInfo, addr, name, info, count);
}

void CCnfConn::ShowFields() {
    ComCombo->setCurrentIndex(Edit.comNo >= 0 && Edit.comNo < ComCombo->count() ? Edit.comNo : -1);
    PortCombo->setEditText(QString::number(Edit.portNo));
    IPCtrl->SetAddressText(QString::fromUtf8(Edit.ip));
    PasswordEdit->setText(QString::fromUtf8(Edit.password));
    const bool network = Edit.method != 0;
    Rs232cRadio->setChecked(!network);
    NetworkRadio->setChecked(network);
    ComCombo->setEnabled(!network);
    PortCombo->setEnabled(network);
    IPCtrl->setEnabled(network);
    PasswordEdit->setEnabled(network);
}

void CCnfConn::FillList() {
    List->clear();
    if (Model == nullptr)
        return;
    ProjectorSlotList list(*Model);
    for (int i = 0; i < list.Count(); ++i) {
        auto* row = new ProjectorRow(this);
        const SlotValues v = list.Slot(i);
        if (v.method != 0) {
            row->setText(0, NetworkText());
            row->setText(1, QString::number(v.portNo));
            row->setText(2, QString::fromUtf8(v.ip));
        } else {
            row->setText(0, QStringLiteral("RS-232C"));
            row->setText(1, QStringLiteral("COM%1").arg(v.comNo + 1));
        }
        List->addTopLevelItem(row);
        row->setCheckState(0, Qt::Unchecked);
        if (i == Check.CheckedRow)
            SetRowChecked(i, true);
    }
}

void CCnfConn::Refresh() {
    ShowFields();
    FillList();
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        QuietlyUncheck(i);
    Check.CheckedRow = SelectPrjCopy - 1;
    Check.QuietUncheck = 0;
    if (Check.CheckedRow >= 0)
        SetRowChecked(Check.CheckedRow, true);
}

void CCnfConn::Capture() {
    Edit.method = Rs232cRadio->isChecked() ? 0 : 1;
    Edit.comNo = ComCombo->currentIndex() < 0 ? 0 : ComCombo->currentIndex();
    Edit.portNo = PortNumberOf(PortCombo->currentText().toStdString());
    SetText(Edit.ip, IPCtrl->AddressText().toStdString());
    SetText(Edit.password, PasswordEdit->text().toStdString());
}

void CCnfConn::OnRs232c() {
    Edit.method = 0;
    SetText(Edit.ip, IPCtrl->AddressText().toStdString());
    SetText(Edit.password, PasswordEdit->text().toStdString());
    ShowFields();
}

void CCnfConn::OnNetwork() {
    Edit.method = 1;
    SetText(Edit.ip, IPCtrl->AddressText().toStdString());
    SetText(Edit.password, PasswordEdit->text().toStdString());
    ShowFields();
    SetDiscoveryChoices(Model != nullptr && Model->Discovery != 0);
}

void CCnfConn::SetDiscoveryChoices(bool discovery) {
    SelectButton->setEnabled(discovery);
    const QString text = PortCombo->currentText();
    PortCombo->clear();
    PortCombo->addItem(QStringLiteral("23"));
    PortCombo->addItem(QStringLiteral("4352")); // PJLink
    if (discovery)
        PortCombo->addItem(QStringLiteral("9715"));
    PortCombo->setEditText(text);
}

void CCnfConn::SetPortText(const QString& text) {
    PortCombo->lineEdit()->setMaxLength(5);
    PortCombo->setEditText(text);
}

void CCnfConn::FocusCollision() {
    if (Edit.method != 0) {
        IPCtrl->setFocus();
    } else {
        ComCombo->setFocus();
    }
}

void CCnfConn::OnInsert() {
    if (Model == nullptr)
        return;
    if (Model->PjtNum >= CModelInfo2::kSlots) {
        CatalogMessageBox(this, kCatalogSetErrors, 86, MB_ICONSTOP);
        return;
    }
    Capture();
    const SlotChange change = ProjectorSlotList(*Model).Insert(Edit);
    if (change == SlotChange::Duplicate) {
        FocusCollision();
    } else if (change == SlotChange::Stored) {
        FillList();
    }
    if (Model->PjtNum == 1) {
        SetRowChecked(0, true);
        Check.CheckedRow = 0;
    }
    if (Model->PjtNum == CModelInfo2::kSlots)
        InsertButton->setEnabled(false);
}

void CCnfConn::OnUpdate() {
    if (Model == nullptr)
        return;
    ProjectorSlotList list(*Model);
    const int s = SelectionMark();
    if (!list.IsSlot(s))
        return;
    Capture();
    const SlotChange change = list.Update(s, Edit);
    if (change == SlotChange::Duplicate) {
        FocusCollision();
    } else if (change == SlotChange::Stored) {
        FillList();
    }
    if (Model->PjtNum >= CModelInfo2::kSlots)
        InsertButton->setEnabled(false);
}

void CCnfConn::OnDelete() {
    if (Model == nullptr)
        return;
    ProjectorSlotList list(*Model);
    const int s = SelectionMark();
    if (list.Delete(s, Check.CheckedRow) != SlotChange::Stored)
        return;
    FillList();
    InsertButton->setEnabled(true);
    bool anyChecked = false;
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        anyChecked = anyChecked || IsRowChecked(i);
    if (List->topLevelItemCount() > 0 && !anyChecked) {
        SetRowChecked(0, true);
        Check.CheckedRow = 0;
    }
}

void CCnfConn::OnSelect() {
    CCSelPjt dlg(this);
    dlg.SetList(FoundAddr, FoundName, FoundInfo, FoundCount);
    if (dlg.DoModal() != IDOK)
        return;
    const std::string ip = FormatPackedAddress(dlg.ChosenAddr);
    SetText(Edit.ip, ip);
    IPCtrl->SetAddressText(QString::fromStdString(ip));
}

void CCnfConn::OnClickList() {
    if (Model == nullptr)
        return;
    ProjectorSlotList list(*Model);
    const int s = SelectionMark();
    if (!list.IsSlot(s))
        return;
    Edit = list.Slot(s);
    ShowFields();
}

int CCnfConn::Validate() {
    const int count = Model != nullptr ? ProjectorSlotList(*Model).Count() : 0;
    const ConnectionCheck check = CheckConnectionFields(count, NetworkRadio->isChecked(), IPCtrl->FilledFieldCount(),
                                                        PortCombo->currentText().toStdString());
    if (check == ConnectionCheck::Ok)
        return 0;
    if (check != ConnectionCheck::NoProjectors) {
        CatalogMessageBox(this, kCatalogSetErrors, ConnectionCheckMessage(check), MB_ICONSTOP);
        if (check == ConnectionCheck::NoAddress) {
            IPCtrl->setFocus();
        } else {
            PortCombo->setFocus();
        }
    }
    return -1;
}

void CCnfConn::FillControls(ConfigControls& controls) const {
    for (int i = 0; i < CModelInfo2::kSlots; ++i)
        controls.rowChecked[i] = i < List->topLevelItemCount() && IsRowChecked(i);
}

bool CCnfConn::AllowCheckChange(int row, bool wasChecked, bool willBeChecked) {
    return Check.AllowChange(row, wasChecked, willBeChecked);
}

void CCnfConn::AfterCheckChange(int row, bool wasChecked, bool nowChecked) {
    const int other = Check.AfterChange(row, wasChecked, nowChecked);
    if (other >= 0)
        QuietlyUncheck(other);
}

void CCnfConn::QuietlyUncheck(int row) {
    const bool checked = IsRowChecked(row);
    Check.PrepareQuietUncheck(checked);
    if (checked)
        SetRowChecked(row, false);
}

bool CCnfConn::IsRowChecked(int row) const {
    QTreeWidgetItem* item = List->topLevelItem(row);
    return item != nullptr && item->checkState(0) == Qt::Checked;
}

void CCnfConn::SetRowChecked(int row, bool checked) {
    if (QTreeWidgetItem* item = List->topLevelItem(row))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int CCnfConn::SelectionMark() const {
    QTreeWidgetItem* item = List->currentItem();
    return item != nullptr ? List->indexOfTopLevelItem(item) : -1;
}

} // namespace orvane
