#include "commands/CommandCatalog.h"

#include "commands/CommandIds.h"
#include "link/LinkCodes.h"

#include <array>

namespace orvane {

namespace {

constexpr CommandEntry Input(int id, std::string_view name, std::uint16_t setting, int message) {
    return {id, name, CommandRole::Input, kActionSet, kTypeInput, setting, message, 0, true, true, true};
}

// A command that the window handles without the transport. About's flags record what its
// handler does around the About box; the configuration commands stop the poller instead.
constexpr CommandEntry Window(int id, std::string_view name, int tooltip, bool aroundLikeCommand = false) {
    return {id, name, CommandRole::Window, 0, 0, 0, 0, tooltip, aroundLikeCommand, aroundLikeCommand, false};
}

constexpr CommandEntry NoHandler(int id) {
    return {id, "", CommandRole::None, 0, 0, 0, 0, 0, false, false, false};
}

constexpr std::array kCommands{
    // id, name, role, action, type, setting, message, tooltip, hide popup, suspend, refresh
    CommandEntry{kCmdPowerOn, "Power On", CommandRole::PowerOn, kActionSet, kTypePower, 1, 211, 16, true, true, false},
    CommandEntry{kCmdPowerOff, "Power Off", CommandRole::PowerOff, kActionSet, kTypePower, 0, 210, 17, true, true,
                 false},
    CommandEntry{kCmdBlankOn, "Blank On", CommandRole::Send, kActionSet, kTypeBlank, 1, 89, 18, true, true, false},
    CommandEntry{kCmdBlankOff, "Blank Off", CommandRole::Send, kActionSet, kTypeBlank, 0, 88, 19, true, true, false},
    // Mute and Volume must answer at once: the poller keeps running around them.
    CommandEntry{kCmdMute, "Mute", CommandRole::Mute, kActionSet, kTypeMute, 1, 90, 43, true, false, false},
    CommandEntry{kCmdVolume, "Volume", CommandRole::Volume, kActionSet, kTypeMute, 0, 209, 20, false, false, false},
    CommandEntry{kCmdFreezeOn, "Freeze On", CommandRole::FreezeOn, kActionSet, kTypeFreeze, 1, 91, 22, true, true,
                 false},
    CommandEntry{kCmdFreezeOff, "Freeze Off", CommandRole::Send, kActionSet, kTypeFreeze, 0, 92, 23, true, true, false},

    Input(2776, "RGB", 0, 213),
    Input(32887, "RGB1", 0, 226),
    Input(kCmdInputRgb2, "RGB2", 4, 212),
    Input(32869, "Computer", 0, 224),
    Input(32870, "Computer1", 0, 223),
    Input(32874, "Computer2", 4, 225),
    Input(32926, "BNC(RGB)", 4, 2012),
    Input(kCmdInputBnc, "BNC", 4, 219), // 7 for some models, see CommandSetting
    Input(32925, "BNC(Component)", 6, 221),
    Input(32930, "Component", 5, 220),
    Input(32931, "Digital", 3, 217),
    Input(2781, "DVI", 3, 218),
    Input(32898, "DVI-D", 9, 2000),
    Input(32927, "HDBaseT", 17, 2013),
    Input(2779, "M1-D", 3, 216),
    Input(kCmdInputHdmi, "HDMI", 3, 313),
    Input(kCmdInputHdmi1, "HDMI 1", 3, 2010),
    Input(kCmdInputHdmi1Mhl, "HDMI 1 / MHL", 3, 2010),
    Input(32909, "HDMI 2", 13, 2011),
    Input(32948, "HDMI 2 / MHL", 13, 2011),
    Input(32928, "HDMI 3", 14, 2014),
    Input(32929, "HDMI 4", 16, 2015),
    Input(32905, "LAN", 11, 2007),
    Input(32863, "MIU", 6, 222),
    Input(32906, "USB type A", 6, 2008),
    Input(32907, "USB type B", 12, 2009),
    Input(32932, "S-Video", 2, 215),
    Input(kCmdInputVideo, "Video", 1, 214),
    Input(32934, "Video 1", 1, 2001),
    Input(32935, "Video 2", 10, 2002),
    Input(32942, "SDI/DIGITAL 1", 18, 2021),
    Input(32937, "RGB D-15", 0, 2016),
    Input(32938, "YUV1", 5, 2017),
    Input(32939, "RGBHV/YUV2", 4, 2018),
    Input(32940, "SDI/HDSDI/3G", 18, 2019),
    Input(32941, "STEREO DVI", 9, 2020),
    Input(32946, "SDI", 18, 2023),
    Input(32943, "DisplayPort", 19, 2022),
    // No table row carries these four; they still have their handlers.
    Input(32901, "", 0, 2003),
    Input(32902, "", 0, 2004),
    Input(32903, "", 4, 2005),
    Input(32904, "", 4, 2006),

    Window(kCmdConfig, "Config", 2),
    Window(kCmdTrayConfig, "Config", 0),
    Window(kCmdAbout, "About", 45, true),
    Window(kCmdAdvance, "Advance", 44),
    Window(kCmdImageSend, "Image Send", 46),
    Window(kCmdTrayHideShow, "Hide/Show", 0),
    Window(kCmdTrayExit, "Exit", 0),
    NoHandler(kCmdTrayCancel), // closes the tray menu, nothing else
    NoHandler(2777),
    NoHandler(2778),
    NoHandler(2780),
    NoHandler(2784),
    NoHandler(2785),
    NoHandler(32899),
    NoHandler(32900),
};

} // namespace

std::span<const CommandEntry> AllCommands() {
    return kCommands;
}

const CommandEntry* FindCommand(int commandId) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == commandId)
            return &entry;
    }
    return nullptr;
}

std::uint16_t CommandSetting(const CommandEntry& entry, std::int32_t modelId) {
    if (entry.id == kCmdInputBnc && modelId >= 1000 && modelId <= 1005)
        return 7;
    return entry.setting;
}

bool IsProjectorCommand(const CommandEntry& entry) {
    return entry.role != CommandRole::Window && entry.role != CommandRole::None;
}

} // namespace orvane
