#pragma once

namespace orvane {

// The steps of the command handlers that belong to the main window. The GUI implements them
// with its real windows; orvanectl has no windows and only sleeps.
class IMainWindowSide {
public:
    virtual ~IMainWindowSide() = default;

    virtual void HideVolumePopup() = 0;
    // After Volume's send: hides the popup when it shows, else places it under the Volume
    // button and shows it.
    virtual void ToggleVolumePopup() = 0;
    virtual void HideMainWindow() = 0;
    virtual void ShowMainWindow() = 0;
    virtual bool IsMainWindowVisible() = 0;
    virtual void Sleep(int milliseconds) = 0;
};

} // namespace orvane
