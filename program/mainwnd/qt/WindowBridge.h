#pragma once

#include "commands/MainWindowSide.h"
#include "commands/PollerControl.h"
#include "link/SlotErrorSink.h"

#include <atomic>

class QWidget;

namespace orvane {

class CommandRunner;
class StatusPoller;
class VolumeController;

// What the command handlers, running on the command runner's worker, ask of the window:
// each step that touches a window (or the poller, which the window's thread owns) is
// carried out on the window's thread while the worker waits, so that message boxes, hiding
// and showing the toolbar and the poller's suspend and resume happen exactly in the order
// the handler asks for them.
class WindowBridge : public IMainWindowSide, public ISlotErrorSink, public IPollerControl {
public:
    WindowBridge(CommandRunner& runner, QWidget* window, VolumeController& volume, StatusPoller& poller);

    void HideVolumePopup() override;
    void ToggleVolumePopup() override;
    void HideMainWindow() override;
    void ShowMainWindow() override;
    bool IsMainWindowVisible() override;
    // On the calling thread: the window keeps painting meanwhile.
    void Sleep(int milliseconds) override;
    int ShowSlotError(int slot, int number, int style, const std::string& message) override;
    int ControlPoller(int mode) override;
    // On the calling thread, where the command's own exchanges run.
    void RefreshInputState() override;

    // Whether the last Volume command opened the panel (so that its level is to be read);
    // reading it clears it.
    bool TakePanelOpened() { return panelOpened_.exchange(false); }

private:
    CommandRunner& runner_;
    QWidget* window_;
    VolumeController& volume_;
    StatusPoller& poller_;
    std::atomic<bool> panelOpened_{false};
};

} // namespace orvane
