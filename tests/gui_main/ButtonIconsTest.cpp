// The toolbar's button pictures drawn while building are the ones the toolbar would draw.

#include "mainwnd/qt/ButtonIcons.h"
#include "mainwnd/ButtonArt.h"
#include "mainwnd/ToolbarLayout.h"

#include <QTest>

using namespace orvane;

class ButtonIconsTest : public QObject {
    Q_OBJECT

private slots:
    void builtPicturesAreTheDrawnOnes() {
        for (int iconSize = 0; iconSize <= 2; ++iconSize) {
            const int pixels = ToolbarImagePixels(iconSize);
            for (int id : CommandIdsWithArt()) {
                const QImage built = BuiltButtonImage(id, pixels);
                QVERIFY2(!built.isNull(), qPrintable(QStringLiteral("%1 at %2").arg(id).arg(pixels)));
                const QImage drawn = DrawButtonPixmap(id, pixels).toImage().convertToFormat(built.format());
                QVERIFY2(built == drawn, qPrintable(QStringLiteral("%1 at %2").arg(id).arg(pixels)));
            }
        }
    }

    void otherSizesAreDrawnWhenAsked() {
        QVERIFY(BuiltButtonImage(CommandIdsWithArt().front(), 20).isNull());
        const QPixmap picture = RenderButtonPixmap(CommandIdsWithArt().front(), 20);
        QCOMPARE(picture.size(), QSize(20, 20));
        QCOMPARE(picture.toImage(), DrawButtonPixmap(CommandIdsWithArt().front(), 20).toImage());
    }
};

QTEST_MAIN(ButtonIconsTest)
#include "ButtonIconsTest.moc"
