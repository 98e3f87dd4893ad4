#pragma once

#include "commands/CommandHandlers.h"
#include "commands/StatusPoller.h"
#include "config/qt/ConfDlg.h"
#include "link/CommandTransport.h"
#include "mainwnd/TrayLogic.h"
#include "mainwnd/qt/CommandRunner.h"
#include "mainwnd/qt/FirstPaintSteps.h"
#include "mainwnd/qt/InstanceGuard.h"
#include "mainwnd/qt/OperatorSide.h"
#include "mainwnd/qt/VolumeController.h"
#include "mainwnd/qt/WindowBridge.h"
#include "mainwnd/qt/WindowTrayIcon.h"
#include "model/ModelCatalogPrefetch.h"
#include "model/ModelInfo2.h"
#include "model/PluginLoader.h"
#include "widgets/DialogTemplate.h"

#include "linkcore/PjtInterface.h"

#include <QEvent>
#include <QIcon>

#include <string>
#include <vector>

class QAction;
class QEventLoop;
class QSystemTrayIcon;
class QToolBar;

namespace orvane {

// Check or uncheck the toolbar buttons of a command id (1 = check, 0 = uncheck). The poller
// and the status refresh post it from any thread; the window applies it on its own.
class CheckButtonEvent : public QEvent {
public:
    static constexpr int kMessage = 1039; // the window message it stands for
    static const QEvent::Type kType;

    CheckButtonEvent(int commandId, int check) : QEvent(kType), commandId(commandId), check(check) {}

    const int commandId;
    const int check;
};

// The program's main window: a captioned strip of toolbar buttons, with a tray icon to hide
// it in. It owns the projector set in use (WorkingModel), the two projector links, the
// status poller, the configuration dialog and the model catalog's records.
//
// Its parts: the tray icon (WindowTrayIcon), the volume panel (VolumeController), the
// command runner that runs the projector commands beside the window (CommandRunner, with
// WindowBridge for what a command asks of the window), and the single-instance guard.
// The window decides what a click means and shows what comes back; what waits for a
// person (dialogs, menus) goes through IOperatorSide.
class COrvaneDlg : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 102;
    // String resource shown at start-up.
    static constexpr const char* kInitializeFailedText = "Initialize failed !!";
    static constexpr const char* kAlreadyStartedText = InstanceGuard::kAlreadyStartedText;
    // The first argument is a configuration name of at most this many characters.
    static constexpr std::size_t kMaxConfigName = 255;
    // Catalog texts (set 11) of the exit question and of the window menu's About entry.
    static constexpr int kCatalogExitQuestion = 48;
    static constexpr int kCatalogAboutEntry = 60;
    // How long the start-up's last part waits at most for the toolbar's first paint.
    static constexpr int kStartupCompletionMs = 500;

    explicit COrvaneDlg(QWidget* parent = nullptr);
    ~COrvaneDlg() override;

    // Set before the run. The arguments after the program's path; the first names a
    // configuration.
    void SetArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
    // The catalog as the program read it while the toolkit started, if it did.
    void SetCatalogPrefetch(ModelCatalogPrefetch* prefetch) { catalogPrefetch_ = prefetch; }
    // 1: start with the configuration Orvane.txt names (the option file's second line).
    void SetSkipConfig(int skipConfig) { skipConfig_ = skipConfig; }
    // Who answers the dialogs and menus; null for the desktop's own. Not owned.
    void SetOperatorSide(IOperatorSide* side);

    // Runs the window to its end: start-up, then the window's loop until the exit is
    // confirmed (or start-up closed it), then the clean-up. Returns IDCANCEL.
    int DoModal() override;
    // Start-up; false when the window has closed itself.
    bool OnInitDialog() override;
    // The part of the start-up that waits until the toolbar has been painted; runs once.
    void CompleteStartup();
    // The exit question; a Yes (or anything but No) ends the window.
    void OnCancel() override;
    // Clean-up when the window ends: lock, popup, model records, poller. Runs once.
    void OnDestroy();

    // A toolbar, tray-menu, window-menu or volume-panel command by id. While a command
    // runs, the click waits for it (see ClickQueue).
    void OnCommand(int commandId);
    void OnSysCommand(unsigned commandId);
    // The tray icon's callback; callable without a tray.
    void OnTrayNotify(TrayMouse event) { tray_.OnNotify(event); }
    void OnHideShow();
    void PlaceVolumePopup(bool moveOnly) { volume_.Place(moveOnly); }

    // What the window holds and shows.
    // True while a command's exchanges run.
    bool IsBusy() const { return runner_.Busy(); }
    // The toolbar's action for each button and separator, in toolbar order.
    const std::vector<QAction*>& ToolbarActions() const { return actions_; }
    QToolBar* Toolbar() const { return toolBar_; }
    QSystemTrayIcon* TrayIcon() const { return tray_.Icon(); }
    // The tip the tray icon shows; empty without a tray icon.
    QString TrayTip() const { return tray_.Tip(); }
    StatusPoller& Poller() { return poller_; }
    VolumeController& Volume() { return volume_; }
    // The projector set in use; the configuration dialog edits it in place.
    CModelInfo2& WorkingModel() { return workingModel_; }
    const CModelInfo2& WorkingModel() const { return workingModel_; }
    const WindowFlags& Flags() const { return flags_; } // Shown and ModalOpen
    const InstanceLock& Mutex() const { return guard_.Lock(); }
    int PollInterval() const { return pollInterval_; }
    int VolumeButtonIndex() const { return volumeButtonIndex_; }
    const orvane::ModelList& Models() const { return modelList_; }
    // The adjustment plug-ins, loaded once at start-up.
    const PluginTable& Plugins() const { return plugins_; }

signals:
    // A command's exchanges have ended and the window takes clicks again.
    void commandFinished(int commandId);

protected:
    bool event(QEvent* event) override;
    void done(int result) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Start-up steps, in the order OnInitDialog lists them.
    void PrepareNativeWindow();
    bool ReadModelCatalog();
    void LoadPluginModels();
    void PrepareConfigurationDialog();
    bool ChooseConfiguration();
    bool LoadConfiguration(const std::string& name);
    void CopyNamedConfigToCurrent();
    void StartPolling();
    // The start-up ends early: the window closes without its exit question.
    bool CloseAtStartup();

    // The commands that open dialogs, on the window's thread.
    void OnConfig();
    void OnAbout();
    // Image Send: the networked projectors of an accepted kind go to the image-send dialog.
    // Their kinds are asked beside the window, like a command's exchanges; the dialog opens
    // when that is done, with the poller running and ModalOpen left at 0.
    void OnImageSend();
    // Advance: pick one projector, then its advanced-adjustment dialog.
    void OnAdvance();
    // The commands that run beside the window.
    void RunProjectorCommand(int commandId);
    void OnVolumeStep(bool up);
    bool RunBeside(int commandId, CommandResult::Kind kind, CommandRunner::Work work);
    // What a command run beside the window hands back, shown.
    void ShowResult(const CommandResult& result);

    void RebuildToolbar();
    QWidget* VolumeButton() const;
    void OnCheckButton(int commandId, int check);

    // State, named as the rest of the program knows it.
    CModelInfo2 workingModel_; // WorkingModel
    WindowFlags flags_;        // Shown and ModalOpen
    int skipConfig_ = 0;       // SkipConfig
    int pollInterval_ = 0;     // PollInterval
    int volumeButtonIndex_ = 0;
    orvane::ModelList modelList_;
    PluginTable plugins_;
    QIcon icon_;
    CPjtInterface link_;     // Link
    CPjtInterface pollLink_; // PollLink
    CConfDlg confDlg_;
    QToolBar* toolBar_ = nullptr;
    std::vector<QAction*> actions_;

    DesktopOperatorSide desktop_;
    IOperatorSide* operator_ = &desktop_;
    InstanceGuard guard_;
    WindowTrayIcon tray_;
    VolumeController volume_;
    CommandRunner runner_;
    WindowBridge bridge_;
    CommandTransport transport_;
    StatusPoller poller_;
    CommandHandlers handlers_;

    std::vector<std::string> arguments_;
    ModelCatalogPrefetch* catalogPrefetch_ = nullptr;
    std::string currentCopyFrom_; // the configuration file still to be copied over Orvane.txt
    FirstPaintSteps afterFirstPaint_;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    bool destroyed_ = false;
};

} // namespace orvane
