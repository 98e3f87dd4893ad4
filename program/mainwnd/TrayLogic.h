#pragma once

#include "commands/CommandIds.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The About entry of the window menu.
inline constexpr int kCmdSysAbout = 16;
inline constexpr unsigned kSysCommandMinimize = 0xF020;

// The two tray menus: one while the window shows, one while it is hidden.
inline constexpr int kMenuWindowShown = 129;
inline constexpr int kMenuWindowHidden = 130;

// The tray tip field holds 63 bytes; a longer title is cut there.
inline constexpr std::size_t kTrayTipMaxBytes = 63;

// Window state that the tray and the window menus act on. Shown is 1 while the window is
// visible; ModalOpen is 1 while a dialog started from the toolbar runs.
struct WindowFlags {
    int Shown = 1;
    int ModalOpen = 0;
};

// One item of a tray menu, with its numbered caption ("54;&Hide") still to be translated.
struct TrayMenuItem {
    int commandId = 0;
    const char* caption = "";
};
// Items of menu 129 or 130 in menu order; empty for any other id.
std::vector<TrayMenuItem> TrayMenuItems(int menuId);

enum class TrayMouse { LeftDoubleClick, RightButtonDown, Other };

// What the window does about a tray mouse message.
struct TrayResponse {
    bool showWindow = false; // make the window visible
    bool foreground = false; // bring the window forward
    int menuId = 0;          // open this tray menu at the cursor; 0 = none
};

// The tray callback. A double click shows a hidden window that has buttons; a right click
// brings the window forward and offers the menu for its state, unless a dialog started
// from the toolbar is open. Shown is updated here.
TrayResponse OnTrayMouse(TrayMouse event, WindowFlags& flags, int toolbarButtonCount);

enum class VisibilityChange { None, Hide, Show };

// The Hide/Show command: a window without buttons is never shown. Shown is updated here.
VisibilityChange OnHideShow(WindowFlags& flags, int toolbarButtonCount);

enum class SysCommandAction { About, HideInsteadOfMinimize, Default };

// The window-menu command (the low four bits of the id are the system's own). Minimising
// hides the window to the tray instead, so that only the tray icon remains.
SysCommandAction ClassifySysCommand(unsigned commandId);

// The window title, which the tray tip repeats: catalog (11, 42) with the model name.
std::string WindowTitleText(std::string_view modelName);
// The tray tip: the title cut to the tip field.
std::string TrayTipText(std::string_view modelName);

} // namespace orvane
