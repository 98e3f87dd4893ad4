// Choosing a projector: from the found list (Select...) and among the slots (Advance).

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/AdvPjt.h"
#include "config/qt/CSelPjt.h"
#include "config/qt/CnfConn.h"
#include "config/qt/IpAddressEdit.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Found {
    FoundAddrArray addr = {};
    FoundNameArray name = {};
    FoundInfoArray info = {};
    int count = 0;

    void Add(std::initializer_list<unsigned char> bytes, const char* n, const char* i) {
        std::copy(bytes.begin(), bytes.end(), addr[count]);
        std::strcpy(name[count], n);
        std::strcpy(info[count], i);
        ++count;
    }
};

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT
private slots:
    void init() { sandbox_ = std::make_unique<GuiSandbox>(); }
    void cleanup() { sandbox_.reset(); }

    void foundEntriesAreListedAndTheChosenAddressReturned() {
        Found f;
        f.Add({10, 0, 0, 1}, "Lobby", "ground");
        f.Add({192, 168, 0, 5}, "Hall", "first floor");
        CCSelPjt dlg;
        dlg.SetList(f.addr, f.name, f.info, f.count);
        dlg.OnInitDialog();
        QCOMPARE(dlg.List->topLevelItemCount(), 2);
        QCOMPARE(dlg.List->topLevelItem(1)->text(0), QStringLiteral("Hall"));
        QCOMPARE(dlg.List->topLevelItem(1)->text(1), QStringLiteral("first floor"));
        QCOMPARE(dlg.List->topLevelItem(1)->text(2), QStringLiteral("192.168.0.5"));
        QCOMPARE(dlg.List->headerItem()->text(0), QString::fromStdString(CatalogText(kCatalogSetUi, 41)));
        QCOMPARE(dlg.List->headerItem()->text(1), QString::fromStdString(CatalogText(kCatalogSetUi, 53)));

        // Nothing selected: OK is off and does nothing.
        QVERIFY(!dlg.OkButton->isEnabled());
        dlg.OnOK();
        QCOMPARE(dlg.result(), 0);

        dlg.List->setCurrentItem(dlg.List->topLevelItem(1));
        QVERIFY(dlg.OkButton->isEnabled());
        dlg.OkButton->click();
        QCOMPARE(dlg.result(), IDOK);
        QCOMPARE(dlg.ChosenAddr, 0xC0A80005u);
    }

    void emptyListOffersNothingToChoose() {
        Found f;
        CCSelPjt dlg;
        dlg.SetList(f.addr, f.name, f.info, -1);
        dlg.OnInitDialog();
        QCOMPARE(dlg.FoundCount, 0);
        QCOMPARE(dlg.List->topLevelItemCount(), 0);
        dlg.OnOK();
        QCOMPARE(dlg.result(), 0);
    }

    void selectFillsTheConnectionPagesAddressOnly() {
        Found f;
        f.Add({192, 168, 0, 5}, "Hall", "first floor");
        CModelInfo2 m;
        m.PjtNum = 0;
        m.Discovery = 1;
        CCnfConn page;
        page.OnInitDialog();
        page.Bind(&m);
        page.Refresh();
        page.TakeFoundList(f.addr, f.name, f.info, f.count);
        page.NetworkRadio->click();

        const auto driver = ModalDriver::When<CCSelPjt>([](CCSelPjt* dlg) {
            QCOMPARE(dlg->List->topLevelItemCount(), 1);
            dlg->List->setCurrentItem(dlg->List->topLevelItem(0));
            dlg->OkButton->click();
        });
        page.SelectButton->click();
        QCOMPARE(page.IPCtrl->AddressText(), QStringLiteral("192.168.0.5"));
        QCOMPARE(std::string(page.Edit.ip), std::string("192.168.0.5"));
        QCOMPARE(m.PjtNum, 0); // stored only by Insert or Update

        // Cancel leaves the address control alone.
        page.IPCtrl->SetAddressText(QStringLiteral("10.1.1.1"));
        const auto driver2 =
            ModalDriver::When<CCSelPjt>([](CCSelPjt* dlg) { FindCtrl<QPushButton>(dlg, IDCANCEL)->click(); });
        page.SelectButton->click();
        QCOMPARE(page.IPCtrl->AddressText(), QStringLiteral("10.1.1.1"));
    }

    void advancedSelectionListsTheSlots() {
        CModelInfo2 m;
        m.PjtNum = 3;
        m.ConnectMethod[0] = 0;
        m.ComNo[0] = 0;
        m.ConnectMethod[1] = 1;
        SetText(m.IPAddress[1], "192.168.1.10");
        m.ConnectMethod[2] = 0;
        m.ComNo[2] = 0; // the same text as slot 0: positions, not texts, count
        CAdvPjt dlg;
        dlg.Model = &m;
        dlg.OnInitDialog();
        QCOMPARE(dlg.SlotCombo->count(), 3);
        QCOMPARE(dlg.SlotCombo->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(dlg.SlotCombo->itemText(1), QString::fromStdString(CatalogText(kCatalogSetUi, 31, "192.168.1.10")));
        QVERIFY(dlg.SlotCombo->itemText(1).contains(QStringLiteral("192.168.1.10")));
        QCOMPARE(dlg.SlotCombo->currentIndex(), 0);
        QCOMPARE(dlg.SelectedSlot, 0);
        dlg.SlotCombo->setCurrentIndex(2);
        FindCtrl<QPushButton>(&dlg, IDOK)->click();
        QCOMPARE(dlg.result(), IDOK);
        QCOMPARE(dlg.SelectedSlot, 2);
    }

    // Projectors that share an address (a test rig, two ports of one projector) are told
    // apart by their ports; an address of its own stays as it is.
    void advancedSelectionShowsThePortWhereAddressesAreShared() {
        CModelInfo2 m;
        m.PjtNum = 4;
        const std::pair<const char*, int> network[] = {
            {"127.0.0.1", 4352}, {"192.168.1.10", 4352}, {"127.0.0.1", 4353}, {"127.0.0.1", 4354}};
        for (int i = 0; i < 4; ++i) {
            m.ConnectMethod[i] = 1;
            SetText(m.IPAddress[i], network[i].first);
            m.PortNo[i] = network[i].second;
        }
        CAdvPjt dlg;
        dlg.Model = &m;
        dlg.OnInitDialog();
        const char* shown[] = {"127.0.0.1:4352", "192.168.1.10", "127.0.0.1:4353", "127.0.0.1:4354"};
        QCOMPARE(dlg.SlotCombo->count(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(dlg.SlotCombo->itemText(i), QString::fromStdString(CatalogText(kCatalogSetUi, 31, shown[i])));
    }

    void advancedSelectionRunsModally() {
        CModelInfo2 m;
        m.PjtNum = 2;
        m.ConnectMethod[0] = m.ConnectMethod[1] = 0;
        m.ComNo[0] = 4;
        m.ComNo[1] = 5;
        CAdvPjt dlg;
        dlg.Model = &m;
        const auto driver = ModalDriver::When<CAdvPjt>([](CAdvPjt* d) {
            QCOMPARE(d->SlotCombo->itemText(1), QStringLiteral("COM6"));
            d->SlotCombo->setCurrentIndex(1);
            FindCtrl<QPushButton>(d, IDOK)->click();
        });
        QCOMPARE(dlg.DoModal(), IDOK);
        QCOMPARE(dlg.SelectedSlot, 1);
    }

private:
    std::unique_ptr<GuiSandbox> sandbox_;
};

QTEST_MAIN(SelectionTest)
#include "SelectionTest.moc"
