// The configuration dialog as the operator meets it: opening, model changes, tab
// switches, OK with its checks and files, Cancel, discovery and the found list.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "catalog/MessageCatalog.h"
#include "config/IInstanceGuard.h"
#include "config/qt/CnfConn.h"
#include "config/qt/CnfShow.h"
#include "config/qt/ConfDlg.h"
#include "config/qt/CtrlOptionDlg.h"
#include "config/qt/IpAddressEdit.h"
#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>

using namespace orvane;
using namespace orvane::test;

namespace {

class FakeGuard : public IInstanceGuard {
public:
    explicit FakeGuard(int answer) : answer_(answer) {}
    int CreateInstanceMutex(const std::string& modelName) override {
        const int result = ReserveInstanceMutex(modelName);
        if (result == 0)
            EndInstanceReservation(true);
        return result;
    }
    int ReserveInstanceMutex(const std::string& modelName) override {
        names.push_back(modelName);
        return answer_;
    }
    void EndInstanceReservation(bool keep) override { ends.push_back(keep); }
    std::vector<std::string> names;
    std::vector<bool> ends; // how each reservation ended

private:
    int answer_;
};

struct Conf {
    CModelInfo2 working;
    CConfDlg dlg;

    explicit Conf(GuiSandbox& sandbox) {
        dlg.Model = &working;
        dlg.ModelList = &sandbox.Models();
    }
    void ChooseModel(const QString& name) {
        const int i = dlg.ModelCombo->findText(name);
        QVERIFY2(i >= 0, qPrintable(name));
        dlg.ModelCombo->setCurrentIndex(i);
        emit dlg.ModelCombo->activated(i);
    }
    void ClickTab(int i) { dlg.Tab->setCurrentIndex(i); }
    CCnfConn& Conn() { return *dlg.PageConn; }
    CCnfShow& Show() { return *dlg.PageShow; }
    CCtrlOptionDlg& Options() { return *dlg.PageOption; }
    void InsertCom(int comIndex) {
        Conn().Rs232cRadio->click();
        Conn().ComCombo->setCurrentIndex(comIndex);
        Conn().InsertButton->click();
    }
    void ClickOK() { FindCtrl<QPushButton>(&dlg, IDOK)->click(); }
    bool Closed() const { return dlg.result() != 0; }
};

// Saves a configuration of catalog model `name` as the per-model file and, if asked, as
// Orvane.txt, with the record changed by `edit` first.
void SaveConfig(GuiSandbox& sandbox, const std::string& name, const std::function<void(CModelInfo2&)>& edit,
                bool asCurrent) {
    const int index = FindModelIndex(sandbox.Models(), name);
    QVERIFY(index >= 0);
    CModelInfo2 m = *sandbox.Models()[static_cast<std::size_t>(index)];
    edit(m);
    ConfigControls c;
    c.modelName = name;
    if (m.SelectPrj >= 1 && m.SelectPrj <= 5)
        c.rowChecked[m.SelectPrj - 1] = true;
    c.config = m.ToolbarConfig == 1;
    c.powerOn = m.ToolbarPowerOn == 1;
    c.advance = m.ToolbarAdvance == 1;
    c.iconChoice = m.IconSize;
    sandbox.Write(name + ".txt", FormatConfigFile(m, c, true));
    if (asCurrent)
        sandbox.Write("Orvane.txt", FormatConfigFile(m, c, false));
}

void NetworkProjectorOn9715(CModelInfo2& m) {
    m.PjtNum = 1;
    m.SelectPrj = 1;
    m.ConnectMethod[0] = 1;
    m.PortNo[0] = 9715;
    SetText(m.IPAddress[0], "192.168.5.20");
}

std::vector<int> CheckedRows(CCnfConn& page) {
    std::vector<int> rows;
    for (int r = 0; r < page.List->topLevelItemCount(); ++r) {
        if (page.List->topLevelItem(r)->checkState(0) == Qt::Checked)
            rows.push_back(r);
    }
    return rows;
}

} // namespace

class ConfDlgTest : public QObject {
    Q_OBJECT
private slots:
    void init() { sandbox_ = std::make_unique<GuiSandbox>(); }
    void cleanup() { sandbox_.reset(); }

    void portBoxShows23AfterOpening() {
        SaveConfig(*sandbox_, "AX-310N", NetworkProjectorOn9715, true);
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.working.Name, std::string("AX-310N"));
        QCOMPARE(c.dlg.ModelCombo->currentText(), QStringLiteral("AX-310N"));
        QCOMPARE(c.Conn().PortCombo->currentText(), QStringLiteral("23"));
        QCOMPARE(c.Conn().PortCombo->lineEdit()->maxLength(), 5);
        QCOMPARE(c.Conn().IPCtrl->AddressText(), QStringLiteral("192.168.5.20"));
        QCOMPARE(CheckedRows(c.Conn()), std::vector<int>{0});
        // Clicking the row loads its own port.
        c.dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c.dlg));
        const QRect row = c.Conn().List->visualItemRect(c.Conn().List->topLevelItem(0));
        QTest::mouseClick(c.Conn().List->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(c.Conn().PortCombo->currentText(), QStringLiteral("9715"));
    }

    void discoveryChoicesFollowTheModel() {
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog()); // no Orvane.txt: the first catalog model, without discovery
        QCOMPARE(c.working.Name, std::string("AX-210"));
        QVERIFY(!c.dlg.DiscoveryButton->isEnabled());
        QVERIFY(!c.Conn().SelectButton->isEnabled());
        QCOMPARE(c.Conn().PortCombo->count(), 2); // 23 and PJLink's 4352
        QCOMPARE(c.Conn().PortCombo->itemText(0), QStringLiteral("23"));

        c.ChooseModel(QStringLiteral("AX-310N"));
        QVERIFY(c.dlg.DiscoveryButton->isEnabled());
        QVERIFY(c.Conn().SelectButton->isEnabled());
        QCOMPARE(c.Conn().PortCombo->count(), 3);
        QCOMPARE(c.Conn().PortCombo->itemText(2), QStringLiteral("9715"));
        QCOMPARE(c.Conn().PortCombo->currentText(), QStringLiteral("23"));

        c.ChooseModel(QStringLiteral("CP-22"));
        QVERIFY(!c.dlg.DiscoveryButton->isEnabled());
        QCOMPARE(c.Conn().PortCombo->count(), 2);
    }

    void modelChangeLoadsTheSavedFileOrTheCatalogRecord() {
        SaveConfig(
            *sandbox_, "CP-22",
            [](CModelInfo2& m) {
                m.PjtNum = 2;
                m.SelectPrj = 2;
                m.ConnectMethod[0] = m.ConnectMethod[1] = 0;
                m.ComNo[0] = 3;
                m.ComNo[1] = 4;
                m.IconSize = 2;
            },
            false);
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        // The combo lists every model sorted, whatever the catalog's order.
        QStringList names;
        for (int i = 0; i < c.dlg.ModelCombo->count(); ++i)
            names << c.dlg.ModelCombo->itemText(i);
        QStringList sorted = names;
        sorted.sort(Qt::CaseInsensitive);
        QCOMPARE(names, sorted);
        QCOMPARE(names.size(), static_cast<int>(sandbox_->Models().size()));

        c.ChooseModel(QStringLiteral("CP-22"));
        QCOMPARE(c.working.Name, std::string("CP-22"));
        QCOMPARE(c.working.ModelID, 224);
        QCOMPARE(c.working.PjtNum, 2);
        QCOMPARE(c.working.ComNo[1], 4);
        QCOMPARE(c.Conn().List->topLevelItemCount(), 2);
        QCOMPARE(CheckedRows(c.Conn()), std::vector<int>{1});
        QVERIFY(c.Show().IconRadio(2)->isChecked());

        // WD-9000 has no file: everything comes from its catalog record.
        c.ChooseModel(QStringLiteral("WD-9000"));
        const CModelInfo2& record =
            *sandbox_->Models()[static_cast<std::size_t>(FindModelIndex(sandbox_->Models(), "WD-9000"))];
        QCOMPARE(c.working.Name, std::string("WD-9000"));
        QCOMPARE(c.working.ModelID, record.ModelID);
        QCOMPARE(c.working.PjtNum, record.PjtNum);
        QCOMPARE(c.working.InputNum, record.InputNum);
        QCOMPARE(c.Conn().List->topLevelItemCount(), 0);
        QCOMPARE(c.dlg.ModelCombo->currentText(), QStringLiteral("WD-9000"));
        QVERIFY(!c.Show().Box(CCnfShow::kVolumeId)->isEnabled());
        QVERIFY(!c.Show().Box(CCnfShow::kFreezeOnId)->isChecked());
    }

    void okWritesBothFilesAndTheOptionsThenReloads() {
        MessageBoxRecorder boxes;
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.working.ToolbarPowerOn, 1);
        c.InsertCom(1);
        c.ClickTab(1);
        c.Show().Box(CCnfShow::kPowerOnId)->click(); // unticked: the file gets 0
        c.ClickTab(2);
        c.Options().SkipLoginBox->click();
        c.Options().IntervalEdit->setText(QStringLiteral("12"));
        c.ClickOK();
        QVERIFY(c.Closed());
        QCOMPARE(c.dlg.result(), IDOK);
        QCOMPARE(boxes.Count(), std::size_t(0));

        const std::string current = sandbox_->Read("Orvane.txt");
        std::string perModel = sandbox_->Read("AX-210.txt");
        QVERIFY(current.find("MODEL=AX-210\r\n") != std::string::npos);
        QVERIFY(current.find("POWERON=0\r\r\n") != std::string::npos);
        QVERIFY(current.find("SELECTPRJ=1\r\n") != std::string::npos);
        // The same content; only the InputNameView_ lines end differently.
        std::string normalised = current;
        for (std::size_t at = 0;
             (at = normalised.find("\r\r\n", normalised.find("[INPUTSOURCEVIEW]"))) != std::string::npos;)
            normalised.replace(at, 3, "\r\n");
        QCOMPARE(perModel, normalised);
        QVERIFY(perModel != current);
        QCOMPARE(sandbox_->Read("OrvaneOpt.txt"), std::string("1\r\n0\r\n12\r\n"));

        // The record now holds what was read back from the file.
        QCOMPARE(c.working.ToolbarPowerOn, 0);
        QCOMPARE(c.working.PjtNum, 1);
        QCOMPARE(c.working.ComNo[0], 1);
        QCOMPARE(c.working.SelectPrj, 1);
        QCOMPARE(c.dlg.SkipLogin, 1);
        QCOMPARE(c.dlg.SkipConfig, 0);
        QCOMPARE(c.dlg.UpdateInterval, 12);
    }

    void emptyIntervalIsSavedAsZero() {
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.Options().IntervalEdit->text(), QStringLiteral("30"));
        c.InsertCom(0);
        c.Options().IntervalEdit->clear();
        c.ClickOK();
        QVERIFY(c.Closed());
        QCOMPARE(c.dlg.UpdateInterval, 0);
        QCOMPARE(sandbox_->Read("OrvaneOpt.txt"), std::string("0\r\n0\r\n0\r\n"));
    }

    void switchingTabsSetsThePagesFromTheRecordAgain() {
        SaveConfig(
            *sandbox_, "AX-210",
            [](CModelInfo2& m) {
                m.PjtNum = 3;
                m.SelectPrj = 1;
                m.ToolbarPowerOn = 1;
                m.ToolbarAdvance = 0;
            },
            true);
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.dlg.Tab->count(), 3);
        QCOMPARE(c.dlg.Tab->tabText(1), QString::fromStdString(CatalogText(kCatalogSetUi, 40)));
        QCOMPARE(c.dlg.Tab->tabRect(0).width(), c.dlg.Tab->tabRect(2).width());
        QCOMPARE(c.Conn().pos(), QPoint(CConfDlg::kPageX, CConfDlg::kPageY));
        QVERIFY(!c.Conn().isHidden() && c.Show().isHidden() && c.Options().isHidden());

        c.ClickTab(1);
        QVERIFY(c.Conn().isHidden() && !c.Show().isHidden() && c.Options().isHidden());
        QCheckBox* powerOn = c.Show().Box(CCnfShow::kPowerOnId);
        QCheckBox* advance = c.Show().Box(CCnfShow::kAdvanceId);
        QVERIFY(powerOn->isChecked());
        QVERIFY(!advance->isChecked());
        powerOn->click();
        advance->click();
        QVERIFY(!powerOn->isChecked());
        c.ClickTab(0);
        c.ClickTab(1);
        QVERIFY(powerOn->isChecked()); // flag 1 in the record: checked again
        QVERIFY(advance->isChecked()); // ticked by the operator: stays

        // The connection list's check goes back to the record's selection.
        c.ClickTab(0);
        c.Conn().List->topLevelItem(2)->setCheckState(0, Qt::Checked);
        QCOMPARE(CheckedRows(c.Conn()), std::vector<int>{2});
        c.ClickTab(2);
        QVERIFY(!c.Options().isHidden() && c.Conn().isHidden());
        QCOMPARE(c.Options().Model, &c.working);
        c.ClickTab(0);
        QCOMPARE(CheckedRows(c.Conn()), std::vector<int>{0});
    }

    void okWithAnEmptyListStaysOpenSilently() {
        MessageBoxRecorder boxes;
        FakeGuard guard(0);
        Conf c(*sandbox_);
        c.dlg.SetInstanceGuard(&guard);
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.working.PjtNum, 0);
        c.ClickOK();
        QVERIFY(!c.Closed());
        QCOMPARE(boxes.Count(), std::size_t(0));
        QVERIFY(guard.names.empty());
        QVERIFY(!sandbox_->Exists("Orvane.txt"));
        QVERIFY(!sandbox_->Exists("OrvaneOpt.txt"));
    }

    void refusedInstanceGuardKeepsTheDialogOpen() {
        Conf c(*sandbox_);
        FakeGuard refuse(1);
        c.dlg.SetInstanceGuard(&refuse);
        QVERIFY(c.dlg.OnInitDialog());
        c.ChooseModel(QStringLiteral("QX-88"));
        c.InsertCom(0);
        c.ClickOK();
        QVERIFY(!c.Closed());
        QCOMPARE(refuse.names, std::vector<std::string>{"QX-88"});
        QVERIFY(!sandbox_->Exists("Orvane.txt"));
        QVERIFY(!sandbox_->Exists("QX-88.txt"));

        FakeGuard allow(0);
        c.dlg.SetInstanceGuard(&allow);
        c.ClickOK();
        QVERIFY(c.Closed());
        QCOMPARE(allow.names, std::vector<std::string>{"QX-88"});
        QCOMPARE(allow.ends, std::vector<bool>{true}); // the new guard kept, once the files are in place
        QVERIFY(sandbox_->Exists("QX-88.txt"));
    }

    void failedWriteShowsTheFileAndKeepsTheDialogOpen() {
        MessageBoxRecorder boxes;
        Conf c(*sandbox_);
        QVERIFY(c.dlg.OnInitDialog());
        // A directory in the way: the file cannot be replaced.
        QVERIFY(QDir(QString::fromStdString(sandbox_->Box().dir().path())).mkdir(QStringLiteral("Orvane.txt")));
        c.InsertCom(2);
        c.Options().IntervalEdit->setText(QStringLiteral("45"));
        c.ClickOK();
        QVERIFY(!c.Closed());
        QCOMPARE(boxes.Count(), std::size_t(1));
        QCOMPARE(boxes.Last().style, MB_ICONSTOP);
        QVERIFY2(boxes.Last().text.contains(QString::fromStdString(sandbox_->File("Orvane.txt"))),
                 qPrintable(boxes.Last().text));
        QVERIFY(boxes.Last().text.startsWith(QStringLiteral("The configuration file")));
        // Nothing else happened: no options written, the operator's changes still there.
        QVERIFY(!sandbox_->Exists("OrvaneOpt.txt"));
        QCOMPARE(c.working.PjtNum, 1);
        QCOMPARE(c.working.ComNo[0], 2);
        QCOMPARE(c.dlg.UpdateInterval, 30);

        // The model file failing is reported the same way.
        QDir dir(QString::fromStdString(sandbox_->Box().dir().path()));
        QVERIFY(dir.rmdir(QStringLiteral("Orvane.txt")));
        dir.remove(QStringLiteral("AX-210.txt"));
        QVERIFY(dir.mkdir(QStringLiteral("AX-210.txt")));
        c.ClickOK();
        QVERIFY(!c.Closed());
        QCOMPARE(boxes.Count(), std::size_t(2));
        QVERIFY(boxes.Last().text.contains(QString::fromStdString(sandbox_->File("AX-210.txt"))));
        // All or nothing: Orvane.txt, which could be written, was not either.
        QVERIFY(!sandbox_->Exists("Orvane.txt"));
        QVERIFY(!sandbox_->Exists("OrvaneOpt.txt"));

        // Once the way is clear, OK goes through.
        QVERIFY(dir.rmdir(QStringLiteral("AX-210.txt")));
        c.ClickOK();
        QVERIFY(c.Closed());
        QCOMPARE(sandbox_->Read("OrvaneOpt.txt"), std::string("0\r\n0\r\n45\r\n"));
        QCOMPARE(boxes.Count(), std::size_t(2));
    }

    void foundListComesFromDiscoveryAndIsKeptAcrossRuns() {
        SaveConfig(*sandbox_, "AX-310N", NetworkProjectorOn9715, true);
        Conf c(*sandbox_);
        std::vector<int> handedCounts;
        int answer = 2;
        c.dlg.SetDiscoveryRunner([&](FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info, int count) {
            handedCounts.push_back(count);
            const unsigned char a0[4] = {192, 168, 0, 5};
            const unsigned char a1[4] = {10, 0, 0, 9};
            std::memcpy(addr[0], a0, 4);
            std::memcpy(addr[1], a1, 4);
            std::strcpy(name[0], "Hall A");
            std::strcpy(name[1], "Hall B");
            std::strcpy(info[0], "first floor");
            std::strcpy(info[1], "second floor");
            return answer;
        });
        QVERIFY(c.dlg.OnInitDialog());
        c.dlg.DiscoveryButton->click();
        QCOMPARE(c.dlg.FoundCount, 2);
        QCOMPARE(c.Conn().FoundCount, 2);
        QCOMPARE(std::string(c.Conn().FoundName[1]), std::string("Hall B"));
        QCOMPARE(c.Conn().FoundAddr[0][3], static_cast<unsigned char>(5));
        // What the page shows is left alone.
        QCOMPARE(c.Conn().IPCtrl->AddressText(), QStringLiteral("192.168.5.20"));

        // Next run of the same dialog object: the list is still there and handed over.
        c.dlg.OnOK(); // closes after writing
        QVERIFY(c.Closed());
        QVERIFY(c.dlg.OnInitDialog());
        QCOMPARE(c.Conn().FoundCount, 2);
        QCOMPARE(std::string(c.Conn().FoundInfo[0]), std::string("first floor"));
        c.dlg.DiscoveryButton->click();
        QCOMPARE(handedCounts, (std::vector<int>{0, 2}));

        // A component that reports more than the arrays hold is cut to their size;
        // a negative count is an empty list.
        answer = 300;
        c.dlg.DiscoveryButton->click();
        QCOMPARE(c.dlg.FoundCount, 256);
        QCOMPARE(c.Conn().FoundCount, 256);
        answer = -5;
        c.dlg.DiscoveryButton->click();
        QCOMPARE(c.dlg.FoundCount, 0);
    }

    void modalRunsEndWithCancelOrOk() {
        Conf c(*sandbox_);
        const auto driver = ModalDriver::When<CConfDlg>([](CConfDlg* dlg) {
            dlg->PageConn->Rs232cRadio->click();
            dlg->PageConn->InsertButton->click(); // changes the record, but Cancel writes nothing
            FindCtrl<QPushButton>(dlg, IDCANCEL)->click();
        });
        QCOMPARE(c.dlg.DoModal(), IDCANCEL);
        QVERIFY(c.dlg.PageConn == nullptr);
        QVERIFY(!sandbox_->Exists("Orvane.txt"));
        QCOMPARE(c.working.PjtNum, 1);

        const auto driver2 = ModalDriver::When<CConfDlg>([](CConfDlg* dlg) { QTest::keyClick(dlg, Qt::Key_Escape); });
        QCOMPARE(c.dlg.DoModal(), IDCANCEL);

        const auto driver3 = ModalDriver::When<CConfDlg>([](CConfDlg* dlg) {
            dlg->PageConn->Rs232cRadio->click();
            dlg->PageConn->InsertButton->click();
            FindCtrl<QPushButton>(dlg, IDOK)->click();
        });
        QCOMPARE(c.dlg.DoModal(), IDOK);
        QVERIFY(sandbox_->Exists("Orvane.txt"));
        QVERIFY(sandbox_->Exists("AX-210.txt"));

        // The controls are made by the first run only.
        for (int id : {IDOK, IDCANCEL, int(CConfDlg::kModelComboId), int(CConfDlg::kTabId)})
            QCOMPARE(c.dlg.findChildren<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly).size(), 1);
    }

private:
    std::unique_ptr<GuiSandbox> sandbox_;
};

QTEST_MAIN(ConfDlgTest)
#include "ConfDlgTest.moc"
