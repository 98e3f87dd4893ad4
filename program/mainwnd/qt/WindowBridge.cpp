#include "mainwnd/qt/WindowBridge.h"

#include "commands/StatusPoller.h"
#include "mainwnd/qt/CommandRunner.h"
#include "mainwnd/qt/VolumeController.h"
#include "widgets/OrvaneMessageBox.h"

#include <QWidget>

#include <chrono>
#include <thread>

namespace orvane {

WindowBridge::WindowBridge(CommandRunner& runner, QWidget* window, VolumeController& volume, StatusPoller& poller)
    : runner_(runner), window_(window), volume_(volume), poller_(poller) {}

void WindowBridge::HideVolumePopup() {
    runner_.OnGuiThread([this] { volume_.Hide(); });
}

void WindowBridge::ToggleVolumePopup() {
    panelOpened_ = runner_.OnGuiThread([this] { return volume_.Toggle(); });
}

void WindowBridge::HideMainWindow() {
    runner_.OnGuiThread([this] { window_->hide(); });
}

void WindowBridge::ShowMainWindow() {
    runner_.OnGuiThread([this] { window_->show(); });
}

bool WindowBridge::IsMainWindowVisible() {
    return runner_.OnGuiThread([this] { return window_->isVisible(); });
}

void WindowBridge::Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int WindowBridge::ShowSlotError(int /*slot*/, int /*number*/, int style, const std::string& message) {
    return runner_.OnGuiThread([this, style, &message] {
        return OrvaneMessageBox(window_, QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())),
                                style);
    });
}

int WindowBridge::ControlPoller(int mode) {
    return runner_.OnGuiThread([this, mode] { return poller_.ControlPoller(mode); });
}

void WindowBridge::RefreshInputState() {
    poller_.RefreshInputState();
}

} // namespace orvane
