#pragma once

class QMenu;
class QWidget;

namespace orvane {

// Replaces the window's title and the captions of its direct children (buttons, check
// boxes, radio buttons, labels, group boxes) that are numbered ("16;Power On") with the
// catalog text (set, 16). Children of children are left alone: a page translates itself
// when it initialises. Without a loaded catalog nothing changes, so the numbered
// captions stay visible as they are.
void TranslateWindow(int set, QWidget* window);

// Replaces every numbered item text of the menu and, recursively, of its submenus. This
// runs with or without a catalog, so without one numbered items read
// "No Message Catalog".
void TranslateMenu(int set, QMenu* menu);

} // namespace orvane
