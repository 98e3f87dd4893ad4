#include "mainwnd/qt/VolumeController.h"

#include "mainwnd/VolumePanel.h"
#include "mainwnd/qt/VolDlg.h"
#include "model/ModelInfo2.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace orvane {

VolumeController::VolumeController(QWidget* window, const CModelInfo2& model, ButtonLocator volumeButton)
    : window_(window), model_(model), volumeButton_(std::move(volumeButton)) {}

VolumeController::~VolumeController() {
    DeletePanel();
}

CVolDlg* VolumeController::Panel() const {
    return panel_.data();
}

void VolumeController::CreatePanel() {
    DeletePanel();
    panel_ = CVolDlg::Create(model_.IconSize, this);
}

void VolumeController::DeletePanel() {
    delete panel_.data();
    panel_ = nullptr;
}

void VolumeController::Place(bool moveOnly) {
    QWidget* button = volumeButton_ ? volumeButton_() : nullptr;
    if (panel_ == nullptr || button == nullptr)
        return;
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    const PanelRect buttonRect{origin.x(), origin.y(), origin.x() + button->width(), origin.y() + button->height()};
    QScreen* screen =
        window_ != nullptr && window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    const PanelRect screenRect{free.left(), free.top(), free.left() + free.width(), free.top() + free.height()};
    int left = 0;
    int top = 0;
    PlaceVolumePanel(buttonRect, panel_->width(), panel_->height(), screenRect, left, top);
    panel_->move(left, top);
    if (!moveOnly)
        panel_->show();
}

void VolumeController::Hide() {
    if (panel_ != nullptr)
        panel_->hide();
    shown_ = 0;
}

bool VolumeController::Toggle() {
    if (shown_ == 1) {
        Hide();
        return false;
    }
    Place(false);
    return panel_ != nullptr && panel_->isVisible();
}

void VolumeController::ShowLevel(int level) {
    if (panel_ != nullptr)
        panel_->SetLevel(level);
}

void VolumeController::FollowWindow() {
    if (panel_ != nullptr && panel_->isVisible())
        Place(true);
}

bool VolumeController::IsStep(int commandId) const {
    return panel_ != nullptr && (commandId == panel_->UpId() || commandId == panel_->DownId());
}

bool VolumeController::IsStepUp(int commandId) const {
    return panel_ != nullptr && commandId == panel_->UpId();
}

void VolumeController::BeginStep() {
    if (panel_ != nullptr)
        panel_->StopIdleTimer();
    idleTicks_ = 0;
}

void VolumeController::EndStep(int level) {
    if (panel_ == nullptr)
        return;
    panel_->SetLevel(level);
    if (panel_->isVisible())
        panel_->StartIdleTimer();
    shown_ = 1;
}

int VolumeController::RangeMaximum() const {
    return VolumeRangeMaximum(model_.Volume);
}

void VolumeController::PanelInitialised() {
    shown_ = 0;
    idleTicks_ = 0;
}

void VolumeController::PanelShown() {
    shown_ = 1;
    idleTicks_ = 0;
}

void VolumeController::PanelHidden() {
    // Hidden, there is nothing to count down.
    idleTicks_ = 0;
}

bool VolumeController::IdleTick() {
    ++idleTicks_;
    if (idleTicks_ < kVolumeIdleTicks)
        return false;
    idleTicks_ = 0;
    shown_ = 0;
    return true;
}

void VolumeController::StepClicked(int commandId) {
    emit stepClicked(commandId);
}

} // namespace orvane
