// Message boxes: the one function every box goes through, its test seam, and the real
// QMessageBox it shows otherwise.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "catalog/MessageCatalog.h"
#include "widgets/OrvaneMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString title;
    QString text;
};

// Shows a real box for `style`, notes what it looks like and presses `press`.
int ShowAndPress(int style, QMessageBox::StandardButton press, SeenBox& seen, QWidget* owner = nullptr) {
    const auto driver = ModalDriver::When<QMessageBox>([&seen, press](QMessageBox* box) {
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.title = box->windowTitle();
        seen.text = box->text();
        if (QAbstractButton* b = box->button(press))
            b->click();
        else
            box->reject();
    });
    return OrvaneMessageBox(owner, QStringLiteral("Something happened"), style);
}

} // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT
private slots:
    void handlerSeesEveryBoxAndAnswersIt() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        QWidget owner;
        MessageBoxRecorder recorder(IDNO);
        QCOMPARE(OrvaneMessageBox(&owner, QStringLiteral("Exit?"), MB_YESNO | MB_ICONQUESTION), IDNO);
        QCOMPARE(recorder.Count(), std::size_t(1));
        QCOMPARE(recorder.Last().owner, &owner);
        QCOMPARE(recorder.Last().text, QStringLiteral("Exit?"));
        QCOMPARE(recorder.Last().style, MB_YESNO | MB_ICONQUESTION);
        // Without a catalog the caption is what every lookup gives then.
        QCOMPARE(recorder.Last().caption, QStringLiteral("No Message Catalog"));
    }

    void captionIsTheCatalogTitleCutTo127Bytes() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        sandbox.OpenCatalogWith("11.47 = Projector Panel\n2201.1001 = Tool missing\n");
        MessageBoxRecorder recorder;
        CatalogMessageBox(nullptr, kCatalogSetErrors, 1001, MB_ICONSTOP);
        QCOMPARE(recorder.Last().caption, QStringLiteral("Projector Panel"));
        QCOMPARE(recorder.Last().text, QStringLiteral("Tool missing"));
        QCOMPARE(recorder.Last().style, MB_ICONSTOP);

        sandbox.OpenCatalogWith("11.47 = " + std::string(200, 'T') + "\n");
        OrvaneMessageBox(nullptr, QStringLiteral("x"), MB_OK);
        QCOMPARE(recorder.Last().caption, QString(127, QLatin1Char('T')));
    }

    void catalogInsertsAndSlotAddresses() {
        GuiSandbox sandbox;
        MessageBoxRecorder recorder;
        CatalogMessageBox(nullptr, kCatalogSetErrors, 1100, MB_ICONSTOP, {"/tmp/x/Orvane.txt"});
        QVERIFY2(recorder.Last().text.contains(QStringLiteral("/tmp/x/Orvane.txt")), qPrintable(recorder.Last().text));
        QVERIFY(!recorder.Last().text.contains(QStringLiteral("%1")));

        CModelInfo2 m;
        m.ConnectMethod[0] = 1;
        SetText(m.IPAddress[0], "192.168.1.10");
        m.ConnectMethod[1] = 0;
        m.ComNo[1] = 0;
        const QString text = QString::fromStdString(CatalogText(kCatalogSetErrors, 93));
        ShowSlotError(nullptr, m, 0, 93, MB_ICONSTOP);
        QCOMPARE(recorder.Last().text, text + QStringLiteral("(192.168.1.10)"));
        ShowSlotError(nullptr, m, 1, 93, 0);
        QCOMPARE(recorder.Last().text, text + QStringLiteral("(com1)"));
        QCOMPARE(recorder.Last().style, 0);
    }

    void realBoxHasTheIconAndButtonsOfItsStyle() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        SeenBox seen;
        QCOMPARE(ShowAndPress(MB_ICONSTOP, QMessageBox::Ok, seen), IDOK);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(seen.text, QStringLiteral("Something happened"));
        QCOMPARE(seen.title, ApplicationTitle());

        QCOMPARE(ShowAndPress(MB_YESNO | MB_ICONQUESTION, QMessageBox::No, seen), IDNO);
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(ShowAndPress(MB_YESNO, QMessageBox::Yes, seen), IDYES);
        QCOMPARE(seen.icon, QMessageBox::NoIcon);

        QCOMPARE(ShowAndPress(MB_OKCANCEL | MB_ICONWARNING, QMessageBox::Cancel, seen), IDCANCEL);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        QCOMPARE(ShowAndPress(MB_ICONINFORMATION, QMessageBox::Ok, seen), IDOK);
        QCOMPARE(seen.icon, QMessageBox::Information);
    }

    void realBoxButtonsTakeTheCatalogCaptions() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        const auto captions = [](int style) {
            QStringList seen;
            const auto driver = ModalDriver::When<QMessageBox>([&seen](QMessageBox* box) {
                for (QAbstractButton* b : box->buttons())
                    seen << b->text();
                box->reject();
            });
            OrvaneMessageBox(nullptr, QStringLiteral("x"), style);
            seen.sort();
            return seen;
        };
        // Without a catalog the toolkit's own captions stay, as numbered captions do.
        QVERIFY(!captions(MB_YESNO).contains(QStringLiteral("No Message Catalog")));
        sandbox.OpenCatalogWith("11.70 = Abbrechen\n11.71 = Gut\n11.340 = &Ja\n11.341 = &Nein\n");
        QCOMPARE(captions(MB_YESNO), (QStringList{"&Ja", "&Nein"}));
        QCOMPARE(captions(MB_OKCANCEL), (QStringList{"Abbrechen", "Gut"}));
        QCOMPARE(captions(MB_YESNOCANCEL), (QStringList{"&Ja", "&Nein", "Abbrechen"}));
        QCOMPARE(captions(MB_OK), QStringList{"Gut"});
    }

    void escapeOnAYesNoBoxAnswersNo() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        const auto driver =
            ModalDriver::When<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(OrvaneMessageBox(nullptr, QStringLiteral("Exit?"), MB_YESNO | MB_ICONQUESTION), IDNO);
    }

    void removingTheHandlerRestoresRealBoxes() {
        GuiSandbox sandbox(GuiSandbox::kModelCatalog);
        {
            MessageBoxRecorder recorder;
            OrvaneMessageBox(nullptr, QStringLiteral("recorded"), 0);
            QCOMPARE(recorder.Count(), std::size_t(1));
        }
        SeenBox seen;
        QCOMPARE(ShowAndPress(0, QMessageBox::Ok, seen), IDOK);
        QCOMPARE(seen.text, QStringLiteral("Something happened"));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "MessageBoxTest.moc"
