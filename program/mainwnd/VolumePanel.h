#pragma once

#include <string_view>

namespace orvane {

// The volume panel's rules that need no window.

// The panel hides itself after this many ticks without a click.
inline constexpr int kVolumeTickMs = 100;
inline constexpr int kVolumeIdleTicks = 50;

// The level bar's maximum from the model's volume range text: the number after the first
// comma, read as atoi reads it (the whole text when there is no comma; 0 when no number).
int VolumeRangeMaximum(std::string_view rangeText);

struct PanelRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0; // exclusive
};

// Where the panel's top-left corner goes: 8 pixels right of the Volume button's left edge,
// 4 pixels under the button; above the button instead when it would reach past the bottom
// of the screen's free area. All in screen coordinates.
void PlaceVolumePanel(const PanelRect& button, int panelWidth, int panelHeight, const PanelRect& screen, int& left,
                      int& top);

} // namespace orvane
