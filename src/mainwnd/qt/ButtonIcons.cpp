#include "mainwnd/qt/ButtonIcons.h"

#include "mainwnd/ButtonArt.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// The icons live in a static library: naming the resource here keeps the linker from
// dropping it.
static void InitIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace orvane {

namespace {

// The icons are drawn on a 48-unit square; connector glyphs keep to the top 31 units and
// leave the rest for the tag.
constexpr qreal kGlyphShare = 31.0 / 48.0;

QString IconPath(const char* icon) {
    InitIconResources();
    return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon));
}

void DrawTag(QPainter& painter, const QString& tag, int pixels) {
    const QRectF band(0, pixels * kGlyphShare, pixels, pixels * (1.0 - kGlyphShare));
    QFont font;
    font.setBold(true);
    font.setStretch(QFont::SemiCondensed);
    int size = qMax(6, static_cast<int>(band.height() * 0.95));
    font.setPixelSize(size);
    // Shrink until the tag fits across the button.
    while (size > 5 && QFontMetrics(font).horizontalAdvance(tag) > pixels) {
        --size;
        font.setPixelSize(size);
    }
    painter.setFont(font);
    painter.setPen(QColor(0x26, 0x32, 0x38));
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter, tag);
}

} // namespace

QPixmap RenderButtonPixmap(int commandId, int pixels) {
    const QString key = QStringLiteral("orvane-button-%1-%2").arg(commandId).arg(pixels);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    const ButtonArt art = ButtonArtFor(commandId);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QSvgRenderer renderer(IconPath(art.icon));
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    const QString tag = QString::fromLatin1(art.tag);
    if (!tag.isEmpty())
        DrawTag(painter, tag, pixels);
    painter.end();
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon ButtonIcon(int commandId, int pixels) {
    return QIcon(RenderButtonPixmap(commandId, pixels));
}

QIcon ApplicationIcon() {
    QIcon icon;
    QSvgRenderer renderer(IconPath(kApplicationIcon));
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace orvane
