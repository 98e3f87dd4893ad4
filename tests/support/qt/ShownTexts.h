#pragma once

// What a window shows the operator, and whether a catalog holds it.

#include "catalog/CatalogFile.h"
#include "catalog/MessageFormat.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>
#include <QTreeWidget>

#include <algorithm>
#include <string>
#include <vector>

namespace orvane::test {

// The title, and the captions of the labels, buttons, group boxes and list headers and
// the tooltips of every widget of the window, hidden ones too. What the operator typed
// and the rows of lists are data, not texts of the program.
inline QStringList ShownTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets << window;
    for (QWidget* w : widgets) {
        if (w->window() != window)
            continue;
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            texts << group->title();
        else if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->columnCount(); ++i)
                texts << tree->headerItem()->text(i);
    }
    texts.removeAll(QString());
    return texts;
}

// The texts of sets 11 and 2201 of one language of a catalog file, as the lookup shows
// them; an insert matches any text.
class CatalogTexts {
public:
    CatalogTexts(const std::string& path, int language) {
        CatalogFile file;
        static_cast<void>(file.Load(path)); // no file: no text is held, and the test says so
        std::vector<std::string> markers;   // inserts become markers no catalog text holds
        for (int i = 1; i <= 99; ++i)
            markers.push_back("\x01" + std::to_string(i) + "\x02");
        static const QRegularExpression marker(QStringLiteral("\\\\\\x01\\d+\\\\\\x02"));
        for (int set : {11, 2201})
            for (int number = 0; number < 65536; ++number)
                if (const std::string* text = file.Find(language, set, number)) {
                    const std::string shown = FormatCatalogMessage(*text, markers);
                    QString pattern = QRegularExpression::escape(QString::fromStdString(shown).chopped(2));
                    patterns_.emplace_back(QRegularExpression::anchoredPattern(pattern.replace(marker, ".+")),
                                           QRegularExpression::DotMatchesEverythingOption);
                }
    }

    // The shown texts that the catalog does not hold.
    QStringList Strangers(const QStringList& shown) const {
        QStringList out;
        for (const QString& text : shown)
            if (std::none_of(patterns_.begin(), patterns_.end(),
                             [&](const QRegularExpression& p) { return p.match(text).hasMatch(); }))
                out << text;
        return out;
    }

private:
    std::vector<QRegularExpression> patterns_;
};

} // namespace orvane::test
