#pragma once

class CAdvanceDlg;
class QMenu;
class QPoint;

namespace picpush {
class CImageSendDlg;
}

namespace orvane {

class CAboutDlg;
class CAdvPjt;
class CConfDlg;

// What the main window leaves to the operator and the desktop: every modal run of a dialog
// and every popup menu, which wait for a person, and whether the desktop has a tray to hide
// the window in. The window asks one object for all of them, so that a test can answer in
// the operator's place without a display.
class IOperatorSide {
public:
    virtual ~IOperatorSide() = default;

    // Each runs its dialog modally and returns the dialog's result.
    virtual int RunConfig(CConfDlg& dialog) = 0;
    virtual int RunAbout(CAboutDlg& dialog) = 0;
    virtual int RunImageSend(picpush::CImageSendDlg& dialog) = 0;
    virtual int RunProjectorChoice(CAdvPjt& dialog) = 0;
    virtual int RunAdvance(CAdvanceDlg& dialog) = 0;
    // Opens a popup menu at a screen position; returns the command id chosen, 0 for none.
    virtual int RunMenu(QMenu& menu, const QPoint& at) = 0;
    // Without a tray a hidden window could never be brought back.
    virtual bool TrayAvailable() = 0;
};

// The desktop's own answers: the dialogs' and menus' own modal runs, and the tray as the
// platform reports it.
class DesktopOperatorSide : public IOperatorSide {
public:
    int RunConfig(CConfDlg& dialog) override;
    int RunAbout(CAboutDlg& dialog) override;
    int RunImageSend(picpush::CImageSendDlg& dialog) override;
    int RunProjectorChoice(CAdvPjt& dialog) override;
    int RunAdvance(CAdvanceDlg& dialog) override;
    int RunMenu(QMenu& menu, const QPoint& at) override;
    bool TrayAvailable() override;
};

} // namespace orvane
