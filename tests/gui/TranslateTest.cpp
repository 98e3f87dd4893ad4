// Window and menu translation through the catalog, with and without a catalog loaded.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/CSelPjt.h"
#include "config/qt/CnfConn.h"
#include "config/qt/ConfDlg.h"
#include "config/qt/EditCHLabel.h"
#include "mainwnd/qt/AboutDlg.h"
#include "support/qt/ShownTexts.h"
#include "widgets/DialogTemplate.h"
#include "widgets/TranslateWindow.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

// Texts that differ from every default caption, so that a translated caption shows.
const char* kTestCatalog = "11.2 = Einstellungen\n"
                           "11.7 = IP-Adresse\n"
                           "11.13 = Einfuegen\n"
                           "11.16 = Einschalten\n"
                           "11.27 = Symbolgroesse\n"
                           "11.49 = Anmeldung ueberspringen\n"
                           "11.54 = &Verbergen\n"
                           "11.55 = &Beenden\n"
                           "11.61 = &Einstellungen\n";

// A window with one control of each kind that carries a caption, and one control
// inside a child container (a grandchild of the window).
struct Window {
    QDialog window;
    QPushButton* button;
    QLabel* label;
    QGroupBox* group;
    QCheckBox* check;
    QCheckBox* plain;
    QPushButton* emptyNumbered;
    QPushButton* grandchild;

    Window() {
        window.setWindowTitle(QStringLiteral("2;Configuration"));
        button = new QPushButton(QStringLiteral("16;Power On"), &window);
        label = new QLabel(QStringLiteral("7;IP Address"), &window);
        group = new QGroupBox(QStringLiteral("27;Icon Size"), &window);
        check = new QCheckBox(QStringLiteral("49;skip login"), &window);
        plain = new QCheckBox(QStringLiteral("RS-232C"), &window);
        emptyNumbered = new QPushButton(QStringLiteral("12;"), &window);
        auto* container = new QWidget(&window);
        grandchild = new QPushButton(QStringLiteral("13;Insert"), container);
    }
};

} // namespace

class TranslateTest : public QObject {
    Q_OBJECT
private slots:
    void withoutCatalogWindowsKeepTheirNumberedCaptions() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        QVERIFY(!IsCatalogOpen());
        Window w;
        TranslateWindow(kCatalogSetUi, &w.window);
        QCOMPARE(w.window.windowTitle(), QStringLiteral("2;Configuration"));
        QCOMPARE(w.button->text(), QStringLiteral("16;Power On"));
        QCOMPARE(w.label->text(), QStringLiteral("7;IP Address"));
        QCOMPARE(w.group->title(), QStringLiteral("27;Icon Size"));
    }

    void withCatalogDirectChildrenAreTranslated() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        sandbox.OpenCatalogWith(kTestCatalog);
        QVERIFY(IsCatalogOpen());
        Window w;
        TranslateWindow(kCatalogSetUi, &w.window);
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Einstellungen"));
        QCOMPARE(w.button->text(), QStringLiteral("Einschalten"));
        QCOMPARE(w.label->text(), QStringLiteral("IP-Adresse"));
        QCOMPARE(w.group->title(), QStringLiteral("Symbolgroesse"));
        QCOMPARE(w.check->text(), QStringLiteral("Anmeldung ueberspringen"));
        // Not numbered: kept.
        QCOMPARE(w.plain->text(), QStringLiteral("RS-232C"));
        QCOMPARE(w.emptyNumbered->text(), QStringLiteral("12;"));
        // Grandchildren are their own window's business.
        QCOMPARE(w.grandchild->text(), QStringLiteral("13;Insert"));
    }

    void menusAreWalkedWithSubmenus() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        sandbox.OpenCatalogWith(kTestCatalog);
        QMenu menu;
        QAction* hide = menu.addAction(QStringLiteral("54;&Hide"));
        QMenu* sub = menu.addMenu(QStringLiteral("Tools"));
        QAction* config = sub->addAction(QStringLiteral("61;C&onfig"));
        QMenu* deeper = sub->addMenu(QStringLiteral("More"));
        QAction* exit = deeper->addAction(QStringLiteral("55;&Exit"));
        QAction* plain = menu.addAction(QStringLiteral("About"));
        menu.addSeparator();
        TranslateMenu(kCatalogSetUi, &menu);
        QCOMPARE(hide->text(), QStringLiteral("&Verbergen"));
        QCOMPARE(config->text(), QStringLiteral("&Einstellungen"));
        QCOMPARE(exit->text(), QStringLiteral("&Beenden"));
        QCOMPARE(plain->text(), QStringLiteral("About"));
        QCOMPARE(sub->title(), QStringLiteral("Tools"));
    }

    void withoutCatalogNumberedMenuItemsSayNoCatalog() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        QMenu menu;
        QAction* hide = menu.addAction(QStringLiteral("54;&Hide"));
        QMenu* sub = menu.addMenu(QStringLiteral("Tools"));
        QAction* config = sub->addAction(QStringLiteral("61;C&onfig"));
        QAction* plain = menu.addAction(QStringLiteral("About"));
        TranslateMenu(kCatalogSetUi, &menu);
        QCOMPARE(hide->text(), QStringLiteral("No Message Catalog"));
        QCOMPARE(config->text(), QStringLiteral("No Message Catalog"));
        QCOMPARE(plain->text(), QStringLiteral("About"));
    }

    void configurationDialogAndItsPagesTranslateThemselves() {
        GuiSandbox sandbox;
        CModelInfo2 working;
        CConfDlg dlg;
        dlg.Model = &working;
        dlg.ModelList = &sandbox.Models();
        QVERIFY(dlg.OnInitDialog());
        QCOMPARE(dlg.windowTitle(), QString::fromStdString(CatalogText(kCatalogSetUi, 2)));
        QCOMPARE(FindCtrl<QPushButton>(&dlg, IDOK)->text(), QStringLiteral("OK"));
        QCOMPARE(dlg.DiscoveryButton->text(), QStringLiteral("Discovery..."));
        QCOMPARE(dlg.PageConn->InsertButton->text(), QStringLiteral("Insert"));
        QCOMPARE(dlg.PageConn->NetworkRadio->text(), QStringLiteral("NETWORK"));
        QCOMPARE(dlg.Tab->tabText(0), QString::fromStdString(CatalogText(kCatalogSetUi, 39)));
        QCOMPARE(dlg.Tab->tabText(1), QString::fromStdString(CatalogText(kCatalogSetUi, 40)));
        QCOMPARE(dlg.Tab->tabText(2), QString::fromStdString(CatalogText(kCatalogSetUi, 52)));
    }

    void configurationDialogWithoutCatalog() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        CModelInfo2 working;
        CConfDlg dlg;
        dlg.Model = &working;
        dlg.ModelList = &sandbox.Models();
        QVERIFY(dlg.OnInitDialog());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("2;Configuration"));
        QCOMPARE(dlg.PageConn->InsertButton->text(), QStringLiteral("13;Insert"));
        QCOMPARE(dlg.Tab->tabText(0), QStringLiteral("No Message Catalog"));
    }

    void underTheChineseMarkerTheAboutBoxShowsOnlyCatalogTexts() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        sandbox.Write("txtzhs.cat", SourceFile("res/txtzhs.cat"));
        sandbox.Write(kMarkerChinese, "");
        QCOMPARE(OpenCatalog(), 0);
        CAboutDlg about;
        QVERIFY(about.OnInitDialog());
        const QStringList strangers = CatalogTexts(sandbox.File("txtzhs.cat"), 1033).Strangers(ShownTexts(&about));
        QVERIFY2(strangers.isEmpty(), qPrintable(strangers.join(", ")));
    }
};

QTEST_MAIN(TranslateTest)
#include "TranslateTest.moc"
