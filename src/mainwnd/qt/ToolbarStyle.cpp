#include "mainwnd/qt/ToolbarStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOption>

namespace orvane {

namespace {

// A double chevron pointing right (horizontal toolbar) or down (vertical), in the button
// text colour, at the sizes a toolbar asks for.
QIcon DrawExtensionArrow(bool horizontal, const QColor& colour) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!horizontal) {
            painter.translate(size, 0);
            painter.rotate(90);
        }
        painter.scale(size / 16.0, size / 16.0);
        QPen pen(colour, 1.5);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        for (double x : {4.0, 8.5}) {
            QPainterPath chevron;
            chevron.moveTo(x, 4.5);
            chevron.lineTo(x + 3.5, 8);
            chevron.lineTo(x, 11.5);
            painter.drawPath(chevron);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

ToolbarStyle::ToolbarStyle(const QString& baseKey) : QProxyStyle(baseKey) {}

QIcon ToolbarStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const {
    if (standardIcon == SP_ToolBarHorizontalExtensionButton || standardIcon == SP_ToolBarVerticalExtensionButton) {
        const QPalette palette = option != nullptr ? option->palette : standardPalette();
        return DrawExtensionArrow(standardIcon == SP_ToolBarHorizontalExtensionButton,
                                  palette.color(QPalette::ButtonText));
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace orvane
