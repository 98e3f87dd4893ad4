#pragma once

namespace orvane {

// Window command ids of the toolbar buttons and tray-menu entries.
inline constexpr int kCmdConfig = 2797;
inline constexpr int kCmdTrayConfig = 32867;
inline constexpr int kCmdPowerOn = 2792;
inline constexpr int kCmdPowerOff = 2775;
inline constexpr int kCmdBlankOn = 2786;
inline constexpr int kCmdBlankOff = 2793;
inline constexpr int kCmdMute = 2787;
inline constexpr int kCmdVolume = 2795;
inline constexpr int kCmdFreezeOn = 2791;
inline constexpr int kCmdFreezeOff = 2794;
inline constexpr int kCmdAdvance = 1016;
inline constexpr int kCmdAbout = 1017;
inline constexpr int kCmdImageSend = 32843;
inline constexpr int kCmdTrayHideShow = 2771;
inline constexpr int kCmdTrayExit = 2772;
inline constexpr int kCmdTrayCancel = 2773;

// Input-source commands that code names directly.
inline constexpr int kCmdInputRgb2 = 2783;
inline constexpr int kCmdInputBnc = 2782;
inline constexpr int kCmdInputHdmi = 32894;
inline constexpr int kCmdInputHdmi1 = 32908;
inline constexpr int kCmdInputHdmi1Mhl = 32947;
inline constexpr int kCmdInputVideo = 32933;

// Messages of set 2201 that the power and freeze rules use besides a command's own.
inline constexpr int kMsgPowerRefused = 87;   // kind 9/10, unreadable or unexpected power state
inline constexpr int kMsgPowerInTransit = 27; // neither on nor off; shown without the error icon
inline constexpr int kMsgVolumeUp = 93;
inline constexpr int kMsgVolumeDown = 94;

} // namespace orvane
