#pragma once

#include <QIcon>
#include <QPixmap>

namespace orvane {

// Toolbar pictures drawn from the SVG icons of the program's resources. An input button's
// connector glyph gets its short tag drawn under it, so that inputs of one kind differ.
QPixmap RenderButtonPixmap(int commandId, int pixels);
QIcon ButtonIcon(int commandId, int pixels);

// Another picture of the program's resources ("vol_up" for the volume panel's arrow), drawn
// the same way at one size: a picture file handed to QIcon would make the toolkit scan and
// load its image and icon plug-ins first.
QIcon PictureIcon(const char* icon, int pixels);

// The application and tray icon, drawn at each size the system asks for when it asks.
QIcon ApplicationIcon();

} // namespace orvane
