// The toolbar's button pictures drawn while building are the ones the toolbar would draw.

#include "mainwnd/qt/ButtonIcons.h"
#include "mainwnd/ButtonArt.h"
#include "mainwnd/ToolbarLayout.h"
#include "mainwnd/qt/ToolbarStyle.h"

#include <QApplication>

#include <QTest>

namespace {

bool HasOpaquePixel(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 128)
                return true;
        }
    }
    return false;
}

} // namespace

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

    // The toolbar's extension arrow is drawn by the application's style (so no image file is
    // read for it at start-up): it must still show, pointing the toolbar's way.
    void extensionArrowIsDrawnForBothOrientations() {
        ToolbarStyle style(QApplication::style()->name());
        const QImage right = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16, 16).toImage();
        const QImage down = style.standardIcon(QStyle::SP_ToolBarVerticalExtensionButton).pixmap(16, 16).toImage();
        QVERIFY(HasOpaquePixel(right));
        QVERIFY(HasOpaquePixel(down));
        QVERIFY(right != down);
        QVERIFY(!style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(32, 32).isNull());
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
