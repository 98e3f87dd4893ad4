#include "mainwnd/ButtonArt.h"

namespace orvane {

namespace {

struct ArtEntry {
    int commandId;
    ButtonArt art;
};

// Connector families: the glyph says what kind of socket, the tag which one.
constexpr ArtEntry kArt[] = {
    {2797, {"config", ""}},
    {2792, {"power_on", ""}},
    {2775, {"power_off", ""}},
    {2786, {"blank_on", ""}},
    {2793, {"blank_off", ""}},
    {2795, {"volume", ""}},
    {2787, {"mute", ""}},
    {2791, {"freeze_on", ""}},
    {2794, {"freeze_off", ""}},
    {1016, {"advance", ""}},
    {32843, {"image_send", ""}},
    {1017, {"about", ""}},

    {2776, {"in_vga", "RGB"}},
    {32887, {"in_vga", "RGB1"}},
    {2783, {"in_vga", "RGB2"}},
    {32869, {"in_vga", "PC"}},
    {32870, {"in_vga", "PC1"}},
    {32874, {"in_vga", "PC2"}},
    {32937, {"in_vga", "D-15"}},
    {32926, {"in_bnc", "RGB"}},
    {2782, {"in_bnc", "BNC"}},
    {32925, {"in_bnc", "CMP"}},
    {32939, {"in_bnc", "YUV2"}},
    {32942, {"in_bnc", "SDI1"}},
    {32940, {"in_bnc", "SDI3G"}},
    {32946, {"in_bnc", "SDI"}},
    {32930, {"in_component", "CMP"}},
    {32938, {"in_component", "YUV1"}},
    {2781, {"in_dvi", "DVI"}},
    {32898, {"in_dvi", "DVI-D"}},
    {2779, {"in_dvi", "M1-D"}},
    {32941, {"in_dvi", "S-DVI"}},
    {32894, {"in_hdmi", "HDMI"}},
    {32908, {"in_hdmi", "HDMI1"}},
    {32909, {"in_hdmi", "HDMI2"}},
    {32928, {"in_hdmi", "HDMI3"}},
    {32929, {"in_hdmi", "HDMI4"}},
    {32947, {"in_hdmi", "MHL1"}},
    {32948, {"in_hdmi", "MHL2"}},
    {32943, {"in_dp", "DP"}},
    {32927, {"in_lan", "HDBT"}},
    {32905, {"in_lan", "LAN"}},
    {32906, {"in_usb", "USB-A"}},
    {32907, {"in_usb", "USB-B"}},
    {32932, {"in_svideo", "S-VID"}},
    {32933, {"in_video", "VIDEO"}},
    {32934, {"in_video", "VID1"}},
    {32935, {"in_video", "VID2"}},
    {32931, {"in_generic", "DIG"}},
    {32863, {"in_generic", "MIU"}},
};

} // namespace

ButtonArt ButtonArtFor(int commandId) {
    for (const ArtEntry& entry : kArt) {
        if (entry.commandId == commandId)
            return entry.art;
    }
    return ButtonArt{};
}

std::vector<int> CommandIdsWithArt() {
    std::vector<int> ids;
    for (const ArtEntry& entry : kArt)
        ids.push_back(entry.commandId);
    return ids;
}

} // namespace orvane
