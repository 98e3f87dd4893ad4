// The connection page, driven as an operator drives it: radio buttons, fields, the
// Insert/Update/Delete buttons and clicks into the projector list.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/CnfConn.h"
#include "config/qt/IpAddressEdit.h"
#include "model/ConfigFile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Page {
    CModelInfo2 m;
    CCnfConn page;

    explicit Page(int discovery = 1) {
        m.PjtNum = 0;
        m.SelectPrj = 0;
        m.Discovery = discovery;
        page.OnInitDialog();
        page.Bind(&m);
        page.Refresh();
        page.SetDiscoveryChoices(discovery != 0);
        page.show();
    }

    void TypeAddress(const QString& dotted) {
        const QStringList parts = dotted.split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i) {
            page.IPCtrl->Field(i)->clear();
            if (i < parts.size())
                QTest::keyClicks(page.IPCtrl->Field(i), parts[i]);
        }
    }
    void TypePort(const QString& port) {
        page.PortCombo->lineEdit()->clear();
        QTest::keyClicks(page.PortCombo->lineEdit(), port);
    }
    void InsertNetwork(const QString& ip, const QString& port, const QString& password = QString()) {
        page.NetworkRadio->click();
        TypeAddress(ip);
        TypePort(port);
        page.PasswordEdit->setText(password);
        page.InsertButton->click();
    }
    void InsertCom(int comIndex) {
        page.Rs232cRadio->click();
        page.ComCombo->setCurrentIndex(comIndex);
        page.InsertButton->click();
    }
    int Rows() const { return page.List->topLevelItemCount(); }
    QTreeWidgetItem* Row(int r) const { return page.List->topLevelItem(r); }
    std::vector<int> CheckedRows() const {
        std::vector<int> rows;
        for (int r = 0; r < Rows(); ++r) {
            if (Row(r)->checkState(0) == Qt::Checked)
                rows.push_back(r);
        }
        return rows;
    }
    // A click into the row's text, which selects it (the list's selection mark).
    void ClickRow(int r) {
        const QRect rect = page.List->visualItemRect(Row(r));
        QTest::mouseClick(page.List->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // A click on the row's check box, as the view handles it.
    void ClickCheckBox(int r) {
        const QModelIndex index = page.List->model()->index(r, 0);
        QStyleOptionViewItem option;
        option.initFrom(page.List);
        option.rect = page.List->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = page.List->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, page.List);
        QTest::mouseClick(page.List->viewport(), Qt::LeftButton, {}, box.center());
    }
};

} // namespace

class CnfConnTest : public QObject {
    Q_OBJECT
private slots:
    void init() { sandbox_ = std::make_unique<GuiSandbox>(); }
    void cleanup() { sandbox_.reset(); }

    void pageTemplate() {
        Page p;
        QCOMPARE(p.page.ComCombo->count(), 256);
        QCOMPARE(p.page.ComCombo->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(p.page.ComCombo->itemText(255), QStringLiteral("COM256"));
        QCOMPARE(p.page.PasswordEdit->echoMode(), QLineEdit::Password);
        QCOMPARE(p.page.List->columnCount(), 3);
        QCOMPARE(p.page.List->headerItem()->text(2), QString::fromStdString(CatalogText(kCatalogSetUi, 34)));
        QCOMPARE(FindCtrl(&p.page, CCnfConn::kIpCtrlId), static_cast<QWidget*>(p.page.IPCtrl));
    }

    void rowsShowMethodPortAndAddress() {
        Page p;
        p.InsertNetwork(QStringLiteral("10.0.0.7"), QStringLiteral("9715"));
        p.InsertCom(2);
        QCOMPARE(p.Rows(), 2);
        QCOMPARE(p.Row(0)->text(0), QString::fromStdString(CatalogText(kCatalogSetUi, 5)));
        QCOMPARE(p.Row(0)->text(1), QStringLiteral("9715"));
        QCOMPARE(p.Row(0)->text(2), QStringLiteral("10.0.0.7"));
        QCOMPARE(p.Row(1)->text(0), QStringLiteral("RS-232C"));
        QCOMPARE(p.Row(1)->text(1), QStringLiteral("COM3"));
        QCOMPARE(p.Row(1)->text(2), QString());
        QCOMPARE(p.m.PjtNum, 2);
        QCOMPARE(p.m.ConnectMethod[0], 1);
        QCOMPARE(p.m.PortNo[0], 9715);
        QCOMPARE(p.m.ComNo[1], 2);
    }

    void sixthInsertIsRefusedUntilADelete() {
        MessageBoxRecorder boxes;
        Page p;
        for (int i = 0; i < 5; ++i)
            p.InsertCom(i);
        QCOMPARE(p.m.PjtNum, 5);
        QCOMPARE(boxes.Count(), std::size_t(0));
        QVERIFY(!p.page.InsertButton->isEnabled());

        // The handler refuses even when reached another way than the disabled button.
        p.page.ComCombo->setCurrentIndex(9);
        p.page.OnInsert();
        QCOMPARE(p.m.PjtNum, 5);
        QCOMPARE(boxes.Count(), std::size_t(1));
        QCOMPARE(boxes.Last().text, QString::fromStdString(CatalogText(kCatalogSetErrors, 86)));
        QCOMPARE(boxes.Last().style, MB_ICONSTOP);
        QCOMPARE(boxes.Last().owner, static_cast<QWidget*>(&p.page));

        p.ClickRow(4);
        p.page.DeleteButton->click();
        QCOMPARE(p.m.PjtNum, 4);
        QVERIFY(p.page.InsertButton->isEnabled());
        p.InsertCom(9);
        QCOMPARE(p.m.PjtNum, 5);
        QCOMPARE(p.m.ComNo[4], 9);
        QCOMPARE(boxes.Count(), std::size_t(1));
    }

    void firstInsertChecksItsRowAndDeletingTheCheckedRowChecksTheFirst() {
        Page p;
        p.InsertCom(0);
        QCOMPARE(p.CheckedRows(), std::vector<int>{0});
        QCOMPARE(p.page.Check.CheckedRow, 0);
        p.InsertCom(1);
        p.InsertCom(2);
        p.ClickCheckBox(2);
        QCOMPARE(p.CheckedRows(), std::vector<int>{2});

        p.ClickRow(2);
        p.page.DeleteButton->click();
        QCOMPARE(p.CheckedRows(), std::vector<int>{0});
        QCOMPARE(p.page.Check.CheckedRow, 0);
    }

    void deletingARowBeforeTheCheckedOneKeepsTheCheckOnTheSameProjector() {
        Page p;
        for (int i = 0; i < 4; ++i)
            p.InsertCom(i);
        p.ClickCheckBox(2); // COM3
        p.ClickRow(0);
        p.page.DeleteButton->click();
        QCOMPARE(p.Rows(), 3);
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
        QCOMPARE(p.Row(1)->text(1), QStringLiteral("COM3"));
        // Deleting behind it changes nothing for the check.
        p.ClickRow(2);
        p.page.DeleteButton->click();
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
        QCOMPARE(p.Row(1)->text(1), QStringLiteral("COM3"));
        ConfigControls controls;
        p.page.FillControls(controls);
        QVERIFY(!controls.rowChecked[0] && controls.rowChecked[1] && !controls.rowChecked[2]);
    }

    void checkBoxesBehaveAsRadioButtons() {
        Page p;
        for (int i = 0; i < 3; ++i)
            p.InsertCom(i);
        QCOMPARE(p.CheckedRows(), std::vector<int>{0});
        // Clicking the checked row's box does not clear it, however often.
        p.ClickCheckBox(0);
        QCOMPARE(p.CheckedRows(), std::vector<int>{0});
        p.ClickCheckBox(0);
        QCOMPARE(p.CheckedRows(), std::vector<int>{0});
        // Checking another row moves the check.
        p.ClickCheckBox(1);
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
        QCOMPARE(p.page.Check.CheckedRow, 1);
        p.ClickCheckBox(1);
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
        QCOMPARE(p.page.Check.QuietUncheck, 0);
        // After a list fill (Insert) the checked row still cannot be cleared.
        p.InsertCom(7);
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
        p.ClickCheckBox(1);
        QCOMPARE(p.CheckedRows(), std::vector<int>{1});
    }

    void duplicatesAreRefusedByMovingTheFocus() {
        MessageBoxRecorder boxes;
        Page p;
        QVERIFY(QTest::qWaitForWindowActive(&p.page));
        p.InsertNetwork(QStringLiteral("10.0.0.1"), QStringLiteral("23"));
        p.page.InsertButton->setFocus();
        p.InsertNetwork(QStringLiteral("10.0.0.1"), QStringLiteral("23"));
        QCOMPARE(p.m.PjtNum, 1);
        QVERIFY(p.page.IPCtrl->isAncestorOf(QApplication::focusWidget()));
        p.InsertNetwork(QStringLiteral("10.0.0.1"), QStringLiteral("9715"));
        QCOMPARE(p.m.PjtNum, 2);

        p.InsertCom(3);
        p.page.InsertButton->setFocus();
        p.InsertCom(3);
        QCOMPARE(p.m.PjtNum, 3);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.page.ComCombo));
        QCOMPARE(boxes.Count(), std::size_t(0));

        // Update of row 1 to the values of row 0 is refused; to new values accepted.
        p.ClickRow(1);
        QCOMPARE(p.page.Edit.portNo, 9715);
        p.TypePort(QStringLiteral("23"));
        p.page.UpdateButton->click();
        QCOMPARE(p.m.PortNo[1], 9715);
        p.TypePort(QStringLiteral("8023"));
        p.page.UpdateButton->click();
        QCOMPARE(p.m.PortNo[1], 8023);
        QCOMPARE(p.Row(1)->text(1), QStringLiteral("8023"));
    }

    void updateWithoutASelectedRowDoesNothing() {
        Page p;
        p.InsertCom(0);
        p.page.ComCombo->setCurrentIndex(5);
        p.page.UpdateButton->click(); // the list was filled again: no row is selected
        QCOMPARE(p.m.ComNo[0], 0);
        p.page.DeleteButton->click();
        QCOMPARE(p.m.PjtNum, 1);
    }

    void validationRunsInOrderOnWhatTheControlsShow() {
        MessageBoxRecorder boxes;
        Page p;
        // No projector: refused without a message.
        QCOMPARE(p.page.Validate(), -1);
        QCOMPARE(boxes.Count(), std::size_t(0));

        p.InsertNetwork(QStringLiteral("10.0.0.1"), QStringLiteral("23"));
        QCOMPARE(p.page.Validate(), 0);
        p.page.IPCtrl->Field(3)->clear();
        p.page.PortCombo->lineEdit()->clear(); // the address is checked first
        QCOMPARE(p.page.Validate(), -1);
        QCOMPARE(boxes.Last().text, QString::fromStdString(CatalogText(kCatalogSetErrors, 9)));
        QCOMPARE(boxes.Last().style, MB_ICONSTOP);

        p.TypeAddress(QStringLiteral("10.0.0.1"));
        QCOMPARE(p.page.Validate(), -1);
        QCOMPARE(boxes.Last().text, QString::fromStdString(CatalogText(kCatalogSetErrors, 8)));

        p.TypePort(QStringLiteral("23a"));
        QCOMPARE(p.page.Validate(), -1);
        QCOMPARE(boxes.Last().text, QString::fromStdString(CatalogText(kCatalogSetErrors, 85)));
        QCOMPARE(boxes.Count(), std::size_t(3));

        // None of it matters over RS-232C.
        p.page.Rs232cRadio->click();
        p.page.IPCtrl->ClearAddress();
        p.page.PortCombo->lineEdit()->clear();
        QCOMPARE(p.page.Validate(), 0);
        QCOMPARE(boxes.Count(), std::size_t(3));
    }

    void switchingMethodsKeepsAddressAndPasswordButNotComOrPort() {
        Page p;
        p.InsertNetwork(QStringLiteral("10.0.0.1"), QStringLiteral("23"), QStringLiteral("pw"));
        // The editor now holds COM1, port 23. Type new values everywhere without storing.
        p.TypeAddress(QStringLiteral("10.9.9.9"));
        p.page.PasswordEdit->setText(QStringLiteral("secret"));
        p.TypePort(QStringLiteral("9715"));
        p.page.Rs232cRadio->click();
        p.page.ComCombo->setCurrentIndex(6);
        p.page.NetworkRadio->click();
        QCOMPARE(p.page.IPCtrl->AddressText(), QStringLiteral("10.9.9.9"));
        QCOMPARE(p.page.PasswordEdit->text(), QStringLiteral("secret"));
        QCOMPARE(p.page.PortCombo->currentText(), QStringLiteral("23"));
        p.page.Rs232cRadio->click();
        QCOMPARE(p.page.ComCombo->currentIndex(), 0);
        // The controls of the other method are disabled.
        QVERIFY(!p.page.IPCtrl->isEnabled() && !p.page.PortCombo->isEnabled() && !p.page.PasswordEdit->isEnabled());
        QVERIFY(p.page.ComCombo->isEnabled());
    }

    void networkRadioSetsPortListAndSelectByDiscovery() {
        Page without(0);
        without.page.NetworkRadio->click();
        QVERIFY(!without.page.SelectButton->isEnabled());
        QCOMPARE(without.page.PortCombo->count(), 2);
        QCOMPARE(without.page.PortCombo->itemText(1), QStringLiteral("4352"));
        Page with(1);
        with.page.NetworkRadio->click();
        QVERIFY(with.page.SelectButton->isEnabled());
        QCOMPARE(with.page.PortCombo->count(), 3);
        QCOMPARE(with.page.PortCombo->itemText(2), QStringLiteral("9715"));
    }

    void longPasswordIsStoredCutTo63() {
        Page p;
        const QString password(70, QLatin1Char('x'));
        p.InsertNetwork(QStringLiteral("10.0.0.2"), QStringLiteral("23"), password);
        QCOMPARE(QString::fromUtf8(p.m.Password[0]), QString(63, QLatin1Char('x')));
    }

    void clickingARowLoadsItsSlot() {
        Page p;
        p.InsertCom(4);
        p.InsertNetwork(QStringLiteral("172.16.0.9"), QStringLiteral("9715"), QStringLiteral("pw"));
        p.page.IPCtrl->ClearAddress();
        p.ClickRow(0);
        QVERIFY(p.page.Rs232cRadio->isChecked());
        QCOMPARE(p.page.ComCombo->currentIndex(), 4);
        p.ClickRow(1);
        QVERIFY(p.page.NetworkRadio->isChecked());
        QCOMPARE(p.page.IPCtrl->AddressText(), QStringLiteral("172.16.0.9"));
        QCOMPARE(p.page.PortCombo->currentText(), QStringLiteral("9715"));
        QCOMPARE(p.page.PasswordEdit->text(), QStringLiteral("pw"));
    }

    void refreshChecksTheRecordsSelectedProjectorOnly() {
        for (int selectPrj : {0, 4}) {
            CModelInfo2 m;
            m.PjtNum = 2;
            m.SelectPrj = selectPrj;
            CCnfConn page;
            page.OnInitDialog();
            page.Bind(&m);
            page.Refresh();
            QCOMPARE(page.List->topLevelItemCount(), 2);
            ConfigControls controls;
            page.FillControls(controls);
            QVERIFY2(!controls.rowChecked[0] && !controls.rowChecked[1], qPrintable(QString::number(selectPrj)));
            QVERIFY(FormatConfigFile(m, controls, false).find("SELECTPRJ") == std::string::npos);
        }
        CModelInfo2 m;
        m.PjtNum = 3;
        m.SelectPrj = 3;
        CCnfConn page;
        page.OnInitDialog();
        page.Bind(&m);
        page.Refresh();
        QCOMPARE(page.List->topLevelItem(2)->checkState(0), Qt::Checked);
        QCOMPARE(page.Check.CheckedRow, 2);
    }

    void bindTakesTheFirstSlotIntoTheEditor() {
        CModelInfo2 m;
        m.PjtNum = 1;
        m.ConnectMethod[0] = 1;
        m.PortNo[0] = 9715;
        SetText(m.IPAddress[0], "192.168.0.20");
        SetText(m.Password[0], "abc");
        CCnfConn page;
        page.OnInitDialog();
        page.Bind(&m);
        page.Refresh();
        QVERIFY(page.NetworkRadio->isChecked());
        QCOMPARE(page.IPCtrl->AddressText(), QStringLiteral("192.168.0.20"));
        QCOMPARE(page.PortCombo->currentText(), QStringLiteral("9715"));
        QCOMPARE(page.PasswordEdit->text(), QStringLiteral("abc"));
        QCOMPARE(page.IPCtrl->FilledFieldCount(), 4);

        // A slot without an address shows blank fields, not a made-up one.
        m.ConnectMethod[0] = 0;
        m.IPAddress[0][0] = '\0';
        page.Bind(&m);
        page.Refresh();
        QCOMPARE(page.IPCtrl->FilledFieldCount(), 0);
    }

private:
    std::unique_ptr<GuiSandbox> sandbox_;
};

QTEST_MAIN(CnfConnTest)
#include "CnfConnTest.moc"
