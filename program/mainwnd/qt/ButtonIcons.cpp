#include "mainwnd/qt/ButtonIcons.h"

#include "mainwnd/ButtonArt.h"

#include <QFont>
#include <QFontMetrics>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <map>
#include <memory>
#include <string>

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

// Each icon file is parsed once and drawn at every size from then on; several input
// buttons share one connector glyph.
QSvgRenderer& Renderer(const char* icon) {
    static std::map<std::string, std::unique_ptr<QSvgRenderer>> renderers;
    std::unique_ptr<QSvgRenderer>& renderer = renderers[icon];
    if (!renderer)
        renderer = std::make_unique<QSvgRenderer>(IconPath(icon));
    return *renderer;
}

// The bold tag font at the height of a button size's tag band, looked up once per size.
const QFont& TagFont(int pixels) {
    static std::map<int, QFont> fonts;
    auto it = fonts.find(pixels);
    if (it == fonts.end()) {
        QFont font;
        font.setBold(true);
        font.setStretch(QFont::SemiCondensed);
        font.setPixelSize(qMax(6, static_cast<int>(pixels * (1.0 - kGlyphShare) * 0.95)));
        it = fonts.emplace(pixels, font).first;
    }
    return it->second;
}

void DrawTag(QPainter& painter, const QString& tag, int pixels) {
    const QRectF band(0, pixels * kGlyphShare, pixels, pixels * (1.0 - kGlyphShare));
    QFont font = TagFont(pixels);
    int size = font.pixelSize();
    // Shrink until the tag fits across the button.
    while (size > 5 && QFontMetrics(font).horizontalAdvance(tag) > pixels) {
        --size;
        font.setPixelSize(size);
    }
    painter.setFont(font);
    painter.setPen(QColor(0x26, 0x32, 0x38));
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter, tag);
}

QPixmap RenderSvg(const char* icon, int pixels) {
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Renderer(icon).render(&painter, QRectF(0, 0, pixels, pixels));
    return pixmap;
}

// The application icon, drawn at a size only when the system asks for that size.
class ApplicationIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        Renderer(kApplicationIcon).render(painter, QRectF(rect));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int pixels = qMin(size.width(), size.height());
        const QString key = QStringLiteral("orvane-application-%1").arg(pixels);
        QPixmap cached;
        if (QPixmapCache::find(key, &cached))
            return cached;
        cached = RenderSvg(kApplicationIcon, pixels);
        QPixmapCache::insert(key, cached);
        return cached;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int pixels = qMin(size.width(), size.height());
        return QSize(pixels, pixels);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int pixels : {16, 22, 24, 32, 48, 64, 128})
            sizes.append(QSize(pixels, pixels));
        return sizes;
    }
    QIconEngine* clone() const override { return new ApplicationIconEngine; }
    QString key() const override { return QStringLiteral("orvane-application"); }
};

} // namespace

QPixmap RenderButtonPixmap(int commandId, int pixels) {
    const QString key = QStringLiteral("orvane-button-%1-%2").arg(commandId).arg(pixels);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;

    // Drawn when the program was built, for the toolbar's sizes; any other is drawn now.
    const QImage built = BuiltButtonImage(commandId, pixels);
    QPixmap pixmap = built.isNull() ? DrawButtonPixmap(commandId, pixels) : QPixmap::fromImage(built);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QPixmap DrawButtonPixmap(int commandId, int pixels) {
    const ButtonArt art = ButtonArtFor(commandId);
    QPixmap pixmap = RenderSvg(art.icon, pixels);
    const QString tag = QString::fromLatin1(art.tag);
    if (!tag.isEmpty()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        DrawTag(painter, tag, pixels);
    }
    return pixmap;
}

QIcon ButtonIcon(int commandId, int pixels) {
    return QIcon(RenderButtonPixmap(commandId, pixels));
}

QIcon PictureIcon(const char* icon, int pixels) {
    const QString key = QStringLiteral("orvane-picture-%1-%2").arg(QLatin1String(icon)).arg(pixels);
    QPixmap cached;
    if (!QPixmapCache::find(key, &cached)) {
        cached = RenderSvg(icon, pixels);
        QPixmapCache::insert(key, cached);
    }
    return QIcon(cached);
}

QIcon ApplicationIcon() {
    return QIcon(new ApplicationIconEngine);
}

} // namespace orvane
