#pragma once

// What a window shows the operator, and whether a catalog holds it: for the tests that
// check that a dialog speaks the catalog's language and nothing else.

#include "catalog/CatalogFile.h"
#include "catalog/MessageFormat.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStringList>
#include <QTabBar>
#include <QTreeWidget>
#include <QWidget>

#include <string>
#include <vector>

namespace orvane::test {

// The window's title and, of the window and every widget inside it (whether visible
// now or not; other windows excepted), the captions of labels, buttons and group boxes,
// tab texts, list headers, tooltips and placeholders. What the operator typed and the
// rows of lists are data, not texts of the program, and are left out.
inline QStringList ShownTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (w != window && w->window() != window)
            continue;
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            texts << group->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            texts << edit->placeholderText();
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        else if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->columnCount(); ++i)
                texts << tree->headerItem()->text(i);
    }
    texts.removeAll(QString());
    return texts;
}

// The texts of one language of a catalog file (sets 11 and 2201) as the lookup shows
// them, each a pattern whose inserts any text may fill.
class CatalogTexts {
public:
    CatalogTexts(const std::string& path, int language) {
        CatalogFile file;
        if (file.Load(path) != 0)
            return;
        // Inserts become markers that no catalog text holds, then the patterns' wildcards.
        std::vector<std::string> markers;
        for (int i = 1; i <= 99; ++i)
            markers.push_back("\x01" + std::to_string(i) + "\x02");
        static const QRegularExpression marker(QStringLiteral("\\\\\\x01\\d+\\\\\\x02|\\x01\\d+\\x02"));
        for (int set : {11, 2201}) {
            for (int number = 0; number < 65536; ++number) {
                const std::string* text = file.Find(language, set, number);
                if (text == nullptr)
                    continue;
                std::string shown = FormatCatalogMessage(*text, markers);
                shown.resize(shown.size() < 2 ? 0 : shown.size() - 2); // the CR LF
                QString pattern = QRegularExpression::escape(QString::fromStdString(shown));
                pattern.replace(marker, QStringLiteral(".+"));
                patterns_.emplace_back(QRegularExpression::anchoredPattern(pattern),
                                       QRegularExpression::DotMatchesEverythingOption);
            }
        }
    }

    bool Empty() const { return patterns_.empty(); }

    bool Holds(const QString& shown) const {
        for (const QRegularExpression& p : patterns_)
            if (p.match(shown).hasMatch())
                return true;
        return false;
    }

    // The shown texts that the catalog does not hold.
    QStringList Strangers(const QStringList& shown) const {
        QStringList out;
        for (const QString& text : shown)
            if (!Holds(text))
                out << text;
        return out;
    }

private:
    std::vector<QRegularExpression> patterns_;
};

} // namespace orvane::test
