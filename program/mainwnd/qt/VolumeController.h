#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace orvane {

class CModelInfo2;
class CVolDlg;

// The volume panel's part of the main window: it makes the panel for the toolbar's icon
// size, opens it under the Volume button and hides it, keeps its state (VolumeShown,
// VolumeIdleTicks) and shows the levels that the window's commands read. The panel widget
// reports its clicks, ticks and visibility here. Window's thread only.
class VolumeController : public QObject {
    Q_OBJECT
public:
    // Where the toolbar's Volume button is now; null while it has none.
    using ButtonLocator = std::function<QWidget*()>;

    // `window` owns the panel; the panel's variant and range come from `model`.
    VolumeController(QWidget* window, const CModelInfo2& model, ButtonLocator volumeButton);
    ~VolumeController() override;

    // The panel for the model's icon size, hidden (CreateVolumePopup); an earlier one goes.
    void CreatePanel();
    void DeletePanel();
    // Under the Volume button (PlaceVolumePopup); shown as well unless `moveOnly`.
    void Place(bool moveOnly);
    // HideVolumePopup: every command but Volume hides the panel first.
    void Hide();
    // The Volume button after its send: hides the panel when it shows, else opens it under
    // the button. True when it opened it, so that its level is to be read.
    bool Toggle();
    // A level read from the reported projector; -1 (nothing read) leaves the panel as it is.
    void ShowLevel(int level);
    // The window has moved: a panel that shows goes with it.
    void FollowWindow();

    // The panel's up and down buttons carry their template's ids.
    bool IsStep(int commandId) const;
    bool IsStepUp(int commandId) const;
    // Around a step's sends the idle count stands still; it starts again with the level.
    void BeginStep();
    void EndStep(int level);

    // What the panel reports.
    QWidget* Window() const { return window_; }
    int RangeMaximum() const;
    void PanelInitialised();
    void PanelShown();
    void PanelHidden();
    // One tick of the panel's idle timer; true when the panel is to hide now.
    bool IdleTick();
    void StepClicked(int commandId);

    CVolDlg* Panel() const;
    int Shown() const { return shown_; }
    int IdleTicks() const { return idleTicks_; }

signals:
    // A click on the panel's up or down button, to run as the window's command.
    void stepClicked(int commandId);

private:
    QWidget* window_;
    const CModelInfo2& model_;
    ButtonLocator volumeButton_;
    QPointer<CVolDlg> panel_;
    int shown_ = 0;     // VolumeShown
    int idleTicks_ = 0; // VolumeIdleTicks
};

} // namespace orvane
