#include "config/qt/ConfDlg.h"

#include "catalog/MessageCatalog.h"
#include "config/ConfigSave.h"
#include "config/IInstanceGuard.h"
#include "config/qt/CnfConn.h"
#include "config/qt/CnfShow.h"
#include "config/qt/CtrlOptionDlg.h"
#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "model/OptionFile.h"
#include "platform/PrivateProfile.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include "finder/qt/DiscDlg.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>

namespace orvane {

namespace {

// The combo box sorts its entries as the operator reads them: without regard to case,
// equal names in list order.
int SortedPosition(const QComboBox* combo, const QString& text) {
    int at = combo->count();
    while (at > 0 && QString::compare(combo->itemText(at - 1), text, Qt::CaseInsensitive) > 0)
        --at;
    return at;
}

const orvane::ModelList& EmptyModelList() {
    static const orvane::ModelList empty;
    return empty;
}

} // namespace

CConfDlg::CConfDlg(QWidget* parent) : OrvaneDialog(parent) {
    // Template: 371 by 290 dialog units.
    setWindowTitle(QStringLiteral("2;Configuration"));
    setFixedSize(DluSize(371, 290));
}

void CConfDlg::CreateControls() {
    MakeCtrl<QLabel>(this, 0, QRect(10, 10, 30, 8))->setText(QStringLiteral("3;Model"));
    ModelCombo = MakeCtrl<QComboBox>(this, kModelComboId, QRect(45, 8, 150, 14));
    ModelCombo->setMaxVisibleItems(20);
    DiscoveryButton = MakeCtrl<QPushButton>(this, kDiscoveryId, QRect(205, 8, 70, 14));
    DiscoveryButton->setText(QStringLiteral("4;Discovery..."));
    DiscoveryButton->setAutoDefault(false);
    Tab = MakeCtrl<QTabBar>(this, kTabId, QRect(10, 40, 351, 18));
    Tab->setExpanding(false);
    Tab->setStyleSheet(QStringLiteral("QTabBar::tab { width: %1px; }").arg(kTabWidth));
    auto* ok = MakeCtrl<QPushButton>(this, IDOK, QRect(250, 270, 50, 14));
    ok->setText(QStringLiteral("71;OK"));
    ok->setDefault(true);
    auto* cancel = MakeCtrl<QPushButton>(this, IDCANCEL, QRect(311, 270, 50, 14));
    cancel->setText(QStringLiteral("70;Cancel"));
    cancel->setAutoDefault(false);

    // Only the operator's choices count as changes: programmatic selections are made
    // with the signals blocked.
    connect(ModelCombo, &QComboBox::activated, this, [this] { OnSelchangeModel(); });
    connect(Tab, &QTabBar::currentChanged, this, [this] { OnSelchangeTab(); });
    connect(DiscoveryButton, &QPushButton::clicked, this, [this] { OnDiscovery(); });
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CConfDlg::~CConfDlg() {
    DestroyPages();
}

int CConfDlg::DoModal() {
    int result = IDCANCEL;
    if (OnInitDialog())
        result = exec();
    DestroyPages();
    return result;
}

void CConfDlg::DestroyPages() {
    delete PageConn;
    delete PageShow;
    delete PageOption;
    PageConn = nullptr;
    PageShow = nullptr;
    PageOption = nullptr;
}

void CConfDlg::ReadConfig(const std::string& path, int index) {
    OptionValues options{SkipLogin, SkipConfig, UpdateInterval};
    FileReadResult read;
    // An unreadable file is shown as a missing one would be (the catalog's record), and the
    // operator is told; OK will not write over it.
    if (ReadConfigFile(path, index, *Model, ModelList != nullptr ? *ModelList : EmptyModelList(), options, &read) ==
        ConfigSource::Unreadable)
        ShowFileReadFailure(this, path, read);
    SkipLogin = options.SkipLogin;
    SkipConfig = options.SkipConfig;
    UpdateInterval = options.UpdateInterval;
}

bool CConfDlg::OnInitDialog() {
    if (Model == nullptr)
        return false;
    setResult(0);
    if (ModelCombo == nullptr)
        CreateControls();
    TranslateWindow(kCatalogSetUi, this);
    ReadConfig(kCurrentConfigFile, 0);

    DestroyPages();
    const QPoint at(kPageX, kPageY);
    PageConn = new CCnfConn(this);
    PageConn->MakeChildPage(this, at, DluSize(333, 164));
    PageConn->OnInitDialog();
    PageShow = new CCnfShow(this);
    PageShow->MakeChildPage(this, at, DluSize(293, 200));
    PageShow->OnInitDialog();
    PageOption = new CCtrlOptionDlg(this);
    PageOption->SkipConfig = SkipConfig;
    PageOption->SkipLogin = SkipLogin;
    PageOption->UpdateInterval = UpdateInterval;
    PageOption->MakeChildPage(this, at, DluSize(287, 164));
    PageOption->OnInitDialog();

    PageConn->Bind(Model);
    PageShow->Bind(Model);
    PageConn->show();
    PageShow->hide();
    PageOption->hide();
    PageConn->raise();

    PageConn->TakeFoundList(FoundAddr, FoundName, FoundInfo, FoundCount);

    {
        const QSignalBlocker block(Tab);
        while (Tab->count() > 0)
            Tab->removeTab(0);
        Tab->addTab(QString::fromStdString(CatalogText(kCatalogSetUi, 39)));
        Tab->addTab(QString::fromStdString(CatalogText(kCatalogSetUi, 40)));
        Tab->addTab(QString::fromStdString(CatalogText(kCatalogSetUi, 52)));
        Tab->setCurrentIndex(0);
    }

    {
        const QSignalBlocker block(ModelCombo);
        ModelCombo->clear();
        if (ModelList != nullptr) {
            for (const auto& record : *ModelList) {
                const QString name = QString::fromStdString(record->Name);
                ModelCombo->insertItem(SortedPosition(ModelCombo, name), name);
            }
        }
    }
    SelectModelEntry();

    PageConn->Refresh();
    ApplyDiscoveryChoices();
    PageConn->SetPortText(QStringLiteral("23"));
    return true;
}

void CConfDlg::SelectModelEntry() {
    const QSignalBlocker block(ModelCombo);
    // Exact and case-sensitive, unlike the combo's own search.
    const int at = ModelCombo->findText(QString::fromStdString(Model->Name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    ModelCombo->setCurrentIndex(at);
}

void CConfDlg::ApplyDiscoveryChoices() {
    const bool discovery = Model->Discovery != 0;
    DiscoveryButton->setEnabled(discovery);
    PageConn->SetDiscoveryChoices(discovery);
}

void CConfDlg::OnSelchangeModel() {
    if (Model == nullptr || PageConn == nullptr)
        return;
    const std::string name = ModelCombo->currentText().toStdString();
    int index = ModelList != nullptr ? FindModelIndex(*ModelList, name) : -1;
    if (index < 0)
        index = ModelCombo->currentIndex();
    ReadConfig(ModelFilePath(name), index);
    SelectModelEntry();
    PageConn->Bind(Model);
    PageConn->Refresh();
    PageShow->Bind(Model);
    ApplyDiscoveryChoices();
    PageConn->SetPortText(QStringLiteral("23"));
}

void CConfDlg::OnSelchangeTab() {
    if (PageConn == nullptr)
        return;
    switch (Tab->currentIndex()) {
    case 0:
        PageConn->Refresh();
        PageConn->show();
        PageShow->hide();
        PageOption->hide();
        break;
    case 1:
        PageShow->SetFromRecord();
        PageShow->show();
        PageConn->hide();
        PageOption->hide();
        break;
    case 2:
        PageOption->EnableUserEdit();
        PageOption->Model = Model;
        PageOption->show();
        PageConn->hide();
        PageShow->hide();
        break;
    default:
        break;
    }
}

int CConfDlg::RunDiscoveryComponent(FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info, int count) {
    if (discovery_)
        return discovery_(addr, name, info, count);
    finder::CDiscDlg dlg(1, nullptr);
    dlg.SetPjtList(&addr[0][0], &name[0][0], &info[0][0], count);
    dlg.DoModal();
    return dlg.GetPjtList(&addr[0][0], &name[0][0], &info[0][0]);
}

void CConfDlg::OnDiscovery() {
    // The component's count is trusted no further than the arrays reach: a count beyond
    // 256 would make every later copy of the list read past its end.
    FoundCount = ClampFoundCount(RunDiscoveryComponent(FoundAddr, FoundName, FoundInfo, FoundCount));
    if (PageConn != nullptr)
        PageConn->TakeFoundList(FoundAddr, FoundName, FoundInfo, FoundCount);
}

void CConfDlg::OnOK() {
    if (Model == nullptr || PageConn == nullptr)
        return;
    if (PageConn->Validate() != 0)
        return;

    ConfigControls controls;
    controls.modelName = ModelCombo->currentText().toStdString();
    PageConn->FillControls(controls);
    PageShow->FillControls(controls);
    const QString interval = PageOption->IntervalText();
    const OptionValues options{PageOption->SkipLogin, PageOption->SkipConfig,
                               interval.isEmpty() ? 0 : ProfileAtoi(interval.toStdString())};

    // Everything is written aside first, and put in place only once the guard for the
    // model is had too: a refusal or a failure anywhere leaves the files, the guard held
    // and the operator's changes as they were, and the dialog open.
    ConfigSave save;
    if (save.Prepare(*Model, controls, options) != 0) {
        ShowWriteFailure(save.FailedPath());
        return;
    }
    if (guard_ != nullptr && guard_->ReserveInstanceMutex(Model->Name) != 0)
        return;
    if (save.Commit() != 0) {
        if (guard_ != nullptr)
            guard_->EndInstanceReservation(false);
        ShowWriteFailure(save.FailedPath());
        return;
    }
    if (guard_ != nullptr)
        guard_->EndInstanceReservation(true);

    SkipConfig = options.SkipConfig;
    SkipLogin = options.SkipLogin;
    UpdateInterval = options.UpdateInterval;
    ReadConfig(kCurrentConfigFile, 0);
    EndDialog(IDOK);
}

void CConfDlg::ShowWriteFailure(const std::string& path) {
    CatalogMessageBox(this, kCatalogSetErrors, kConfigWriteFailedMessage, MB_ICONSTOP,
                      {QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString()});
}

} // namespace orvane
