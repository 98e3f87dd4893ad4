#include "mainwnd/VolumePanel.h"

#include "platform/PrivateProfile.h"

namespace orvane {

int VolumeRangeMaximum(std::string_view rangeText) {
    const std::size_t comma = rangeText.find(',');
    const std::string_view number = comma == std::string_view::npos ? rangeText : rangeText.substr(comma + 1);
    return ProfileAtoi(number);
}

void PlaceVolumePanel(const PanelRect& button, int /*panelWidth*/, int panelHeight, const PanelRect& screen, int& left,
                      int& top) {
    left = button.left + 8;
    top = button.bottom + 4;
    // Opening below must leave the whole panel on the screen, not only its top edge.
    if (top + panelHeight > screen.bottom)
        top = button.top - panelHeight;
}

} // namespace orvane
