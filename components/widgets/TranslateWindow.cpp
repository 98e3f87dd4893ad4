#include "widgets/TranslateWindow.h"

#include "catalog/MessageCatalog.h"
#include "catalog/NumberedCaption.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace orvane {

namespace {

// The catalog text for a numbered caption; false when the caption is not numbered.
bool Translated(int set, const QString& caption, QString& out) {
    int number = 0;
    const QByteArray utf8 = caption.toUtf8();
    if (!ParseNumberedCaption(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), number))
        return false;
    out = QString::fromStdString(CatalogText(set, number));
    return true;
}

void TranslateCaption(int set, QWidget* w) {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (Translated(set, button->text(), text))
            button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (Translated(set, label->text(), text))
            label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (Translated(set, group->title(), text))
            group->setTitle(text);
    }
}

} // namespace

void TranslateWindow(int set, QWidget* window) {
    if (window == nullptr || !IsCatalogOpen())
        return;
    QString text;
    if (Translated(set, window->windowTitle(), text))
        window->setWindowTitle(text);
    for (QObject* child : window->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w != nullptr && w->parentWidget() == window && !w->isWindow())
            TranslateCaption(set, w);
    }
}

void TranslateMenu(int set, QMenu* menu) {
    if (menu == nullptr)
        return;
    QString text;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && Translated(set, action->text(), text))
            action->setText(text);
        if (QMenu* sub = action->menu())
            TranslateMenu(set, sub);
    }
}

} // namespace orvane
