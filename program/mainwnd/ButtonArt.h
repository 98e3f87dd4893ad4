#pragma once

#include <vector>

namespace orvane {

// The picture of a toolbar button: an icon of res/icons (without ".svg") and, for an input
// source, a short tag drawn under the connector glyph so that two HDMI inputs differ.
struct ButtonArt {
    const char* icon = "in_generic";
    const char* tag = ""; // at most kMaxButtonTagLength characters
};

inline constexpr int kMaxButtonTagLength = 5;

// Art of a command id; an id the toolbar does not know gets the generic input glyph.
ButtonArt ButtonArtFor(int commandId);

// Every command id that has art of its own, in table order.
std::vector<int> CommandIdsWithArt();

// The application and tray icon.
inline constexpr const char* kApplicationIcon = "orvane";

} // namespace orvane
