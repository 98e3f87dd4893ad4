#pragma once

#include "commands/CommandHandlers.h"
#include "commands/MainWindowSide.h"
#include "commands/PollerControl.h"
#include "commands/StatusPoller.h"
#include "config/IInstanceGuard.h"
#include "config/qt/ConfDlg.h"
#include "link/CommandTransport.h"
#include "link/SlotErrorSink.h"
#include "mainwnd/ClickQueue.h"
#include "mainwnd/InstanceLock.h"
#include "mainwnd/TrayLogic.h"
#include "model/ModelCatalogPrefetch.h"
#include "model/ModelInfo2.h"
#include "model/PluginLoader.h"
#include "widgets/DialogTemplate.h"

#include "linkcore/PjtInterface.h"

#include <QEvent>
#include <QIcon>
#include <QPointer>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QEventLoop;
class QMenu;
class QSystemTrayIcon;
class QToolBar;
class CAdvanceDlg;

namespace picpush {
class CImageSendDlg;
}

namespace orvane {

class CAboutDlg;
class CAdvPjt;
class CVolDlg;

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
// Commands run on a worker thread so that the window keeps painting; clicks that arrive
// meanwhile wait (a few at most) and run afterwards in order. Whatever a command does to
// windows (message boxes, hiding and showing the toolbar, the poller's suspend and resume)
// is handed to the window's thread and waited for, so that it happens in exactly the order
// the handler asks for it.
class COrvaneDlg : public OrvaneDialog,
                   public IMainWindowSide,
                   public ISlotErrorSink,
                   public IPollerControl,
                   public IInstanceGuard {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 102;
    // String resources shown at start-up.
    static constexpr const char* kInitializeFailedText = "Initialize failed !!";
    static constexpr const char* kAlreadyStartedText = "It has already been started.";
    // The first argument is a configuration name of at most this many characters.
    static constexpr std::size_t kMaxConfigName = 255;
    // Catalog texts (set 11) of the exit question and of the window menu's About entry.
    static constexpr int kCatalogExitQuestion = 48;
    static constexpr int kCatalogAboutEntry = 60;
    // How long the start-up's last part waits at most for the toolbar's first paint.
    static constexpr int kStartupCompletionMs = 500;

    // Test seams: each replaces a modal run that would wait for a person.
    using ConfigRunner = std::function<int(CConfDlg& dialog)>;
    using AboutRunner = std::function<int(CAboutDlg& dialog)>;
    using ImageSendRunner = std::function<int(picpush::CImageSendDlg& dialog)>;
    using AdvPjtRunner = std::function<int(CAdvPjt& dialog)>;
    using AdvanceRunner = std::function<int(CAdvanceDlg& dialog)>;
    // Opens a popup menu at a screen position; returns the command id chosen, 0 for none.
    using MenuRunner = std::function<int(QMenu& menu, const QPoint& at)>;

    explicit COrvaneDlg(QWidget* parent = nullptr);
    ~COrvaneDlg() override;

    // Runs the window to its end: start-up, then the window's loop until the exit is
    // confirmed (or start-up closed it), then the clean-up. Returns IDCANCEL.
    int DoModal() override;
    // Start-up; false when the window has closed itself.
    bool OnInitDialog() override;
    // The part of the start-up that waits until the window has shown; runs once.
    void CompleteStartup();
    // The exit question; a Yes (or anything but No) ends the window.
    void OnCancel() override;
    // Clean-up when the window ends: lock, popup, model records, poller. Runs once.
    void OnDestroy();

    // A toolbar, tray-menu or window-menu command by id. While a command runs, the click
    // waits for it (see ClickQueue).
    void OnCommand(int commandId);
    // Reconfiguration (Config button and tray entry).
    void OnConfig();
    void OnAbout();
    // Image Send: the networked projectors of an accepted kind go to the image-send dialog.
    // Their kinds are asked beside the window, like a command's exchanges; the dialog opens
    // when that is done, with the poller running and ModalOpen left at 0.
    void OnImageSend();
    // Advance: pick one projector, then its advanced-adjustment dialog.
    void OnAdvance();
    void OnSysCommand(unsigned commandId);
    // The tray icon's callback; callable without a tray.
    void OnTrayNotify(TrayMouse event);
    void OnHideShow();

    void RebuildToolbar();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void CreateVolumePopup();
    void PlaceVolumePopup(bool moveOnly);
    // The volume panel's up and down buttons: one step to every projector, then the level,
    // beside the window like a command.
    void OnVolumeStep(bool up);
    // Reads the reported projector's level on the calling thread and shows it on the panel.
    void RefreshVolumeLevel();

    // IMainWindowSide, ISlotErrorSink, IPollerControl, IInstanceGuard: callable from the
    // command worker, carried out on the window's thread.
    void HideVolumePopup() override;
    void ToggleVolumePopup() override;
    void HideMainWindow() override;
    void ShowMainWindow() override;
    bool IsMainWindowVisible() override;
    void Sleep(int milliseconds) override;
    int ShowSlotError(int slot, int number, int style, const std::string& message) override;
    int ControlPoller(int mode) override;
    void RefreshInputState() override;
    int CreateInstanceMutex(const std::string& modelName) override;
    int ReserveInstanceMutex(const std::string& modelName) override;
    void EndInstanceReservation(bool keep) override;

    // The arguments after the program's path; the first names a configuration.
    void SetArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
    // The catalog as the program read it while the toolkit started, if it did.
    void SetCatalogPrefetch(ModelCatalogPrefetch* prefetch) { catalogPrefetch_ = prefetch; }
    void SetConfigRunner(ConfigRunner runner) { configRunner_ = std::move(runner); }
    void SetAboutRunner(AboutRunner runner) { aboutRunner_ = std::move(runner); }
    void SetImageSendRunner(ImageSendRunner runner) { imageSendRunner_ = std::move(runner); }
    void SetAdvPjtRunner(AdvPjtRunner runner) { advPjtRunner_ = std::move(runner); }
    void SetAdvanceRunner(AdvanceRunner runner) { advanceRunner_ = std::move(runner); }
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    // Whether a tray exists to bring a hidden window back from; by default the platform
    // says. Without one, minimising leaves the window minimised instead of hiding it.
    void SetTrayAvailable(bool available) { trayAvailable_ = available ? 1 : 0; }
    bool TrayAvailable() const;

    // True while a command's exchanges run.
    bool IsBusy() const { return busy_; }
    // The toolbar's action for each button and separator, in toolbar order.
    const std::vector<QAction*>& ToolbarActions() const { return actions_; }
    QToolBar* Toolbar() const { return ToolBar; }
    QSystemTrayIcon* TrayIcon() const { return TrayData; }
    StatusPoller& Poller() { return poller_; }
    // The tip the tray icon shows; empty without a tray icon.
    QString TrayTip() const;

    // State, named as the rest of the program knows it.
    InstanceLock Mutex;
    int VolumeIdleTicks = 0;
    int VolumeShown = 0;
    int VolumeButtonIndex = 0;
    CVolDlg* VolumePopup = nullptr;
    CPjtInterface Link;
    CPjtInterface PollLink;
    QToolBar* ToolBar = nullptr;
    CModelInfo2 WorkingModel;
    CConfDlg ConfDlg;
    int SkipConfig = 0;
    int PollInterval = 0;
    orvane::ModelList ModelList;
    QIcon Icon;
    WindowFlags Flags; // Shown and ModalOpen
    QSystemTrayIcon* TrayData = nullptr;
    // The adjustment plug-ins, loaded once at start-up.
    PluginTable Plugins;

signals:
    // A command's exchanges have ended and the window takes clicks again.
    void commandFinished(int commandId);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    bool LoadConfiguration(const std::string& name);
    void CopyNamedConfigToCurrent();
    int LoadPlugins();
    void AddPluginModels();
    void OnCheckButton(int commandId, int check);
    void RunProjectorCommand(int commandId);
    // Runs `work` on the worker; `after` follows on the window's thread. Clicks wait until
    // then.
    void RunBusy(int commandId, std::function<void()> work, std::function<void()> after = {});
    void RunNextClick();
    void WaitUntilIdle();
    int RunMenu(QMenu& menu, const QPoint& at);
    template <typename F> auto OnWindowThread(F&& f) -> decltype(f());

    CommandTransport transport_;
    StatusPoller poller_;
    CommandHandlers handlers_;
    std::vector<std::string> arguments_;
    ModelCatalogPrefetch* catalogPrefetch_ = nullptr;
    bool startupPending_ = false;
    std::string currentCopyFrom_; // the configuration file still to be copied over Orvane.txt
    ConfigRunner configRunner_;
    AboutRunner aboutRunner_;
    ImageSendRunner imageSendRunner_;
    AdvPjtRunner advPjtRunner_;
    AdvanceRunner advanceRunner_;
    MenuRunner menuRunner_;
    int trayAvailable_ = -1; // -1: ask the platform
    std::vector<QAction*> actions_;
    std::thread worker_;
    std::atomic<bool> busy_{false};
    int runningId_ = 0;
    ClickQueue clicks_;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    bool destroyed_ = false;
};

} // namespace orvane
