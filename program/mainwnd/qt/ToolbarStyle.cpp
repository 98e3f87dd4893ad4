#include "mainwnd/qt/ToolbarStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>

namespace orvane {

namespace {

// A double chevron pointing right (horizontal toolbar) or down (vertical), in the button
// text colour. It is drawn only when the toolbar's extension button is shown, at the size
// that button asks for; most toolbars fit and never show it.
class ExtensionArrowEngine : public QIconEngine {
public:
    ExtensionArrowEngine(bool horizontal, const QColor& colour) : horizontal_(horizontal), colour_(colour) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        if (!horizontal_) {
            painter->translate(rect.width(), 0);
            painter->rotate(90);
        }
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        QPen pen(colour_, 1.5);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        for (double x : {4.0, 8.5}) {
            QPainterPath chevron;
            chevron.moveTo(x, 4.5);
            chevron.lineTo(x + 3.5, 8);
            chevron.lineTo(x, 11.5);
            painter->drawPath(chevron);
        }
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new ExtensionArrowEngine(horizontal_, colour_); }
    QString key() const override { return QStringLiteral("orvane-extension-arrow"); }

private:
    bool horizontal_;
    QColor colour_;
};

} // namespace

ToolbarStyle::ToolbarStyle(const QString& baseKey) : QProxyStyle(baseKey) {}

QIcon ToolbarStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const {
    if (standardIcon == SP_ToolBarHorizontalExtensionButton || standardIcon == SP_ToolBarVerticalExtensionButton) {
        const QPalette palette = option != nullptr ? option->palette : standardPalette();
        return QIcon(new ExtensionArrowEngine(standardIcon == SP_ToolBarHorizontalExtensionButton,
                                              palette.color(QPalette::ButtonText)));
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace orvane
