#pragma once

#include "widgets/DialogTemplate.h"

#include <QTimer>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orvane {

class VolumeController;

// The volume panel under the toolbar's Volume button: up and down buttons, a level bar and
// the level as a number. It is created hidden with the main window as its owner; its
// controller holds its state (VolumeShown, VolumeIdleTicks) and the window runs its sends.
// The three variants differ only in their template: one per toolbar icon size.
class CVolDlg : public OrvaneDialog {
    Q_OBJECT
public:
    // One variant's template: ids, size and places in dialog units, arrow size in pixels.
    // The captions get the column captionLeft..+captionWidth; their rows are the room
    // between their button and the border.
    struct Template {
        int id;
        QSize size;
        int upId, downId, barId, numberId;
        int captionLeft, captionWidth;
        QRect upButton, downButton, bar, number;
        int arrowPixels;
        int fontPixels;
    };
    static const Template kTemplate; // 173: 24-pixel icons

    explicit CVolDlg(VolumeController* owner);
    ~CVolDlg() override;

    // The variant for a toolbar icon size: 1 CVol36Dlg, 2 CVol48Dlg, anything else CVolDlg.
    static CVolDlg* Create(int iconSize, VolumeController* owner);

    bool OnInitDialog() override;
    void OnUp();
    void OnDown();
    void OnTimer();

    // Puts a level read from the projector on the bar and in the number box.
    void SetLevel(int level);
    // The idle count's timer, stopped while a click's sends run.
    void StartIdleTimer();
    void StopIdleTimer();

    int TemplateId() const { return template_.id; }
    int UpId() const { return template_.upId; }
    int DownId() const { return template_.downId; }
    QPushButton* UpButton() const { return up_; }
    QPushButton* DownButton() const { return down_; }
    QProgressBar* LevelBar() const { return bar_; }
    QLineEdit* Number() const { return number_; }
    bool IdleTimerActive() const { return timer_.isActive(); }

protected:
    CVolDlg(VolumeController* owner, const Template& t);
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    VolumeController* owner_;
    const Template& template_;
    QLabel* upLabel_ = nullptr;
    QLabel* downLabel_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLineEdit* number_ = nullptr;
    QTimer timer_;
};

// 36-pixel icons: template 178.
class CVol36Dlg : public CVolDlg {
    Q_OBJECT
public:
    static const Template kTemplate;
    explicit CVol36Dlg(VolumeController* owner) : CVolDlg(owner, kTemplate) {}
};

// 48-pixel icons: template 181.
class CVol48Dlg : public CVolDlg {
    Q_OBJECT
public:
    static const Template kTemplate;
    explicit CVol48Dlg(VolumeController* owner) : CVolDlg(owner, kTemplate) {}
};

} // namespace orvane
