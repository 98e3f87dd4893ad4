#include "mainwnd/qt/OrvaneDlg.h"

#include "catalog/MessageCatalog.h"
#include "commands/CommandCatalog.h"
#include "commands/CommandIds.h"
#include "commands/ImageSendSlots.h"
#include "mainwnd/ToolbarLayout.h"
#include "mainwnd/VolumePanel.h"
#include "mainwnd/qt/AboutDlg.h"
#include "mainwnd/qt/ButtonIcons.h"
#include "mainwnd/qt/VolDlg.h"
#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "model/OptionFile.h"
#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include "picpush/qt/ImageSendDlg.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QEventLoop>
#include <QMenu>
#include <QMetaObject>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <chrono>
#include <memory>
#include <type_traits>
#include <unistd.h>

namespace orvane {

const QEvent::Type CheckButtonEvent::kType =
    static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + CheckButtonEvent::kMessage));

namespace {

// Labels under the buttons are set in this pixel size, so that their row fits into the
// growth the toolbar gets for them.
constexpr int kLabelFontPixels = 10;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

COrvaneDlg::COrvaneDlg(QWidget* parent)
    : OrvaneDialog(parent), transport_(WorkingModel, Link, PollLink, *this),
      poller_(transport_,
              [this](int commandId, int check) {
                  // Runs on the poller's thread: the toolbar is only ever touched by the window.
                  QCoreApplication::postEvent(this, new CheckButtonEvent(commandId, check));
              }),
      handlers_(transport_, *this, *this) {
    // No task-bar button: a tool window with a caption, a window menu, minimise and close.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Orvane"));
    resize(DluSize(554, 29));
    Icon = ApplicationIcon();
}

COrvaneDlg::~COrvaneDlg() {
    WaitUntilIdle();
    OnDestroy();
}

template <typename F> auto COrvaneDlg::OnWindowThread(F&& f) -> decltype(f()) {
    using Result = decltype(f());
    if (QThread::currentThread() == thread())
        return f();
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            this, [&result, &f] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

int COrvaneDlg::DoModal() {
    ended_ = false;
    if (OnInitDialog() && !ended_) {
        if (Flags.Shown == 1)
            show();
        // A window that stays hidden, or whose toolbar is not painted soon, is not kept
        // waiting for the rest of its start-up.
        QTimer::singleShot(Flags.Shown == 1 ? kStartupCompletionMs : 0, this, [this] { CompleteStartup(); });
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }
    OnDestroy();
    return result() == 0 ? IDCANCEL : result();
}

void COrvaneDlg::done(int result) {
    OrvaneDialog::done(result);
    ended_ = true;
    if (loop_ != nullptr)
        loop_->exit(result);
}

bool COrvaneDlg::OnInitDialog() {
    OrvaneDialog::OnInitDialog();
    startupPending_ = false;
    currentCopyFrom_.clear();

    // What the window needs whatever the configuration holds is made first, while the
    // catalog reader may still be pausing between models: the toolbar, the native window
    // and the accessibility bridge, which the toolkit would otherwise start when it shows.
    ToolBar = new QToolBar(this);
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContextMenuPolicy(Qt::NoContextMenu);
    ToolBar->move(0, 0);
    create();
    QAccessible::isActive(); // starts the bridge

    // The one reading of the catalog that keeps the reader's pause between models; the
    // program may have made it already while the toolkit started.
    FileReadResult catalog;
    if (catalogPrefetch_ == nullptr || !catalogPrefetch_->Take(ModelList, catalog))
        catalog = LoadModelCatalog(ModelList);
    if (!catalog.ok()) {
        // A catalog that is there but cannot be read says why; a missing one is the
        // classic start-up failure.
        if (catalog.failed())
            ShowFileReadFailure(this, kModelCatalogFile, catalog);
        else
            OrvaneMessageBox(this, QString::fromLatin1(kInitializeFailedText), MB_ICONSTOP);
        OrvaneDialog::OnCancel();
        return false;
    }

    ClearFoundList(ConfDlg.FoundAddr, ConfDlg.FoundName, ConfDlg.FoundInfo);
    ConfDlg.FoundCount = 0;
    if (LoadPlugins() > 0)
        AddPluginModels();

    ConfDlg.Model = &WorkingModel;
    ConfDlg.ModelList = &ModelList;
    ConfDlg.SetInstanceGuard(this);
    VolumeShown = 0;
    VolumePopup = nullptr;

    bool loaded = false;
    if (!arguments_.empty())
        loaded = LoadConfiguration(arguments_.front());
    if (!loaded && SkipConfig == 1) {
        // An unreadable Orvane.txt is reported by the configuration dialog, which reads it next.
        const std::string name =
            PrivateProfile::Load(kCurrentConfigFile).GetString("GENERAL", "MODEL", kMaxConfigName + 1);
        if (!name.empty())
            loaded = LoadConfiguration(name);
    }
    if (!loaded) {
        const int answer = configRunner_ ? configRunner_(ConfDlg) : ConfDlg.DoModal();
        if (answer == IDCANCEL) {
            OrvaneDialog::OnCancel();
            return false;
        }
    }

    if (CreateInstanceMutex(WorkingModel.Name) != 0) {
        // A refused start-up still leaves Orvane.txt naming what it was started with.
        CopyNamedConfigToCurrent();
        OrvaneDialog::OnCancel();
        return false;
    }

    Flags.Shown = 1;
    Flags.ModalOpen = 0;
    RebuildToolbar();

    PollInterval = ConfDlg.UpdateInterval;
    // The first refresh is the poller's to make: a projector that is slow to answer must
    // not keep the window from showing.
    if (PollInterval > 0)
        poller_.RequestRefresh();
    else
        PollInterval = 0;
    poller_.SetPollInterval(PollInterval);
    ControlPoller(kPollerStart);

    // What the operator does not see in the toolbar follows once the toolbar has been
    // painted: the window and tray icons, the hidden volume panel and the copy over
    // Orvane.txt. A command, an exit or the end of the window completes it first.
    startupPending_ = true;
    ToolBar->installEventFilter(this);
    return true;
}

void COrvaneDlg::CompleteStartup() {
    if (!startupPending_)
        return;
    startupPending_ = false;
    setWindowIcon(Icon);
    CopyNamedConfigToCurrent();
    CreateVolumePopup();
    AddTrayIcon();
}

void COrvaneDlg::CopyNamedConfigToCurrent() {
    if (currentCopyFrom_.empty())
        return;
    // Failing silently, as it always has: the running window does not depend on the copy.
    CopyConfigToCurrent(currentCopyFrom_);
    currentCopyFrom_.clear();
}

bool COrvaneDlg::LoadConfiguration(const std::string& name) {
    const std::string configName = name.substr(0, kMaxConfigName);
    const std::string path = ModelFilePath(configName);
    if (path.empty() || !FileExists(path))
        return false;
    OptionValues options;
    options.SkipLogin = ConfDlg.SkipLogin;
    options.SkipConfig = ConfDlg.SkipConfig;
    options.UpdateInterval = ConfDlg.UpdateInterval;
    FileReadResult read;
    const ConfigSource source =
        ReadConfigFile(path, FindModelIndex(ModelList, configName), WorkingModel, ModelList, options, &read);
    ConfDlg.SkipLogin = options.SkipLogin;
    ConfDlg.SkipConfig = options.SkipConfig;
    ConfDlg.UpdateInterval = options.UpdateInterval;
    if (source != ConfigSource::File) {
        // Not copied over Orvane.txt: the configuration dialog takes over.
        if (source == ConfigSource::Unreadable)
            ShowFileReadFailure(this, path, read);
        return false;
    }
    currentCopyFrom_ = path;
    return true;
}

int COrvaneDlg::LoadPlugins() {
    return Plugins.LoadPlugins();
}

void COrvaneDlg::AddPluginModels() {
    Plugins.AddPluginModels(ModelList);
}

void COrvaneDlg::OnDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    // Ended before the start-up's last part ran: only the file copy is still owed.
    if (startupPending_) {
        startupPending_ = false;
        CopyNamedConfigToCurrent();
    }
    clicks_.Clear();
    WaitUntilIdle();
    Mutex.Release();
    delete VolumePopup;
    VolumePopup = nullptr;
    ModelList.clear();
    ControlPoller(kPollerStop);
    RemoveTrayIcon();
}

void COrvaneDlg::OnCancel() {
    if (busy_)
        return;
    CompleteStartup();
    const int answer =
        OrvaneMessageBox(this, FromUtf8(CatalogText(kCatalogSetUi, kCatalogExitQuestion)), MB_YESNO | MB_ICONQUESTION);
    if (answer == IDNO)
        return;
    RemoveTrayIcon();
    OrvaneDialog::OnCancel();
}

void COrvaneDlg::OnCommand(int commandId) {
    if (busy_) {
        clicks_.Add(commandId, runningId_);
        return;
    }
    CompleteStartup();
    switch (commandId) {
    case kCmdConfig:
    case kCmdTrayConfig:
        OnConfig();
        return;
    case kCmdAbout:
        OnAbout();
        return;
    case kCmdImageSend:
        OnImageSend();
        return;
    case kCmdAdvance:
        OnAdvance();
        return;
    case kCmdTrayHideShow:
        OnHideShow();
        return;
    case kCmdTrayExit:
        OnCancel();
        return;
    case kCmdTrayCancel:
        return;
    default:
        break;
    }
    if (VolumePopup != nullptr && (commandId == VolumePopup->UpId() || commandId == VolumePopup->DownId())) {
        OnVolumeStep(commandId == VolumePopup->UpId());
        return;
    }
    const CommandEntry* entry = FindCommand(commandId);
    if (entry != nullptr && IsProjectorCommand(*entry))
        RunProjectorCommand(commandId);
}

void COrvaneDlg::RunProjectorCommand(int commandId) {
    RunBusy(commandId, [this, commandId] { handlers_.Run(commandId); });
}

void COrvaneDlg::RunBusy(int commandId, std::function<void()> work, std::function<void()> after) {
    busy_ = true;
    runningId_ = commandId;
    if (ToolBar != nullptr)
        ToolBar->setCursor(Qt::BusyCursor);
    worker_ = std::thread([this, commandId, work = std::move(work), after = std::move(after)]() mutable {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, commandId, after = std::move(after)] {
                if (worker_.joinable())
                    worker_.join();
                if (ToolBar != nullptr)
                    ToolBar->unsetCursor();
                if (after)
                    after();
                busy_ = false;
                runningId_ = 0;
                emit commandFinished(commandId);
                if (!clicks_.Empty())
                    QMetaObject::invokeMethod(
                        this, [this] { RunNextClick(); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    });
}

void COrvaneDlg::RunNextClick() {
    if (busy_ || ended_ || destroyed_)
        return;
    const int next = clicks_.Take();
    if (next != 0)
        OnCommand(next);
    // A click that ran without the worker (a dialog, the tray menu) leaves the rest waiting.
    if (!busy_ && !clicks_.Empty())
        QMetaObject::invokeMethod(
            this, [this] { RunNextClick(); }, Qt::QueuedConnection);
}

void COrvaneDlg::WaitUntilIdle() {
    // The worker hands its window work to this thread and waits for it, so waiting here
    // must keep serving that work.
    while (busy_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void COrvaneDlg::OnConfig() {
    if (busy_)
        return;
    CModelInfo2 scratch;
    Flags.ModalOpen = 1;
    HideVolumePopup();
    ControlPoller(kPollerStop);
    scratch = WorkingModel;
    const int answer = configRunner_ ? configRunner_(ConfDlg) : ConfDlg.DoModal();
    if (answer != IDOK) {
        WorkingModel = scratch;
        ControlPoller(kPollerStart);
        Flags.ModalOpen = 0;
        return;
    }
    delete VolumePopup;
    VolumePopup = nullptr;
    CreateVolumePopup();
    RemoveTrayIcon();
    AddTrayIcon();
    RebuildToolbar();
    PollInterval = ConfDlg.UpdateInterval < 0 ? 0 : ConfDlg.UpdateInterval;
    poller_.SetPollInterval(PollInterval);
    // The refresh talks to a projector: it runs beside the window like a command.
    RunBusy(
        kCmdConfig, [this] { RefreshInputState(); },
        [this] {
            ControlPoller(kPollerStart);
            Flags.ModalOpen = 0;
        });
}

void COrvaneDlg::OnAbout() {
    Flags.ModalOpen = 1;
    HideVolumePopup();
    ControlPoller(kPollerSuspend);
    CAboutDlg about(this);
    if (aboutRunner_)
        aboutRunner_(about);
    else
        about.DoModal();
    ControlPoller(kPollerResume);
    Flags.ModalOpen = 0;
}

void COrvaneDlg::OnImageSend() {
    if (busy_)
        return;
    auto dialog = std::make_shared<picpush::CImageSendDlg>(picpush::CImageSendDlg::kModeSend, nullptr);
    HideVolumePopup();
    auto eligible = std::make_shared<std::vector<int>>();
    RunBusy(
        kCmdImageSend, [this, eligible] { *eligible = ImageSendSlots(transport_); },
        [this, dialog, eligible] {
            for (int slot : *eligible)
                dialog->DataAdd(&WorkingModel, slot);
            if (imageSendRunner_)
                imageSendRunner_(*dialog);
            else
                dialog->DoModal();
            // The program's relative paths (the model catalog, the marker files) are resolved
            // against the working directory, which a file dialog may have moved.
            if (chdir(ProgramDir().c_str()) != 0) {
            }
        });
}

void COrvaneDlg::OnSysCommand(unsigned commandId) {
    CompleteStartup();
    switch (ClassifySysCommand(commandId)) {
    case SysCommandAction::About: {
        // The window menu's About leaves the poller and the tray menu alone.
        CAboutDlg about(this);
        if (aboutRunner_)
            aboutRunner_(about);
        else
            about.DoModal();
        break;
    }
    case SysCommandAction::HideInsteadOfMinimize:
        hide();
        Flags.Shown = 0;
        break;
    case SysCommandAction::Default:
        break;
    }
}

void COrvaneDlg::OnTrayNotify(TrayMouse event) {
    const QPoint at = QCursor::pos();
    const TrayResponse response = OnTrayMouse(event, Flags, WorkingModel.ToolbarButtonCount);
    if (response.showWindow)
        show();
    if (response.foreground) {
        raise();
        activateWindow();
    }
    if (response.menuId == 0)
        return;
    QMenu menu(this);
    for (const TrayMenuItem& item : TrayMenuItems(response.menuId))
        menu.addAction(QString::fromLatin1(item.caption))->setData(item.commandId);
    TranslateMenu(kCatalogSetUi, &menu);
    const int chosen = RunMenu(menu, at);
    if (chosen != 0)
        OnCommand(chosen);
}

void COrvaneDlg::OnHideShow() {
    switch (orvane::OnHideShow(Flags, WorkingModel.ToolbarButtonCount)) {
    case VisibilityChange::Hide:
        hide();
        break;
    case VisibilityChange::Show:
        show();
        break;
    case VisibilityChange::None:
        break;
    }
}

int COrvaneDlg::RunMenu(QMenu& menu, const QPoint& at) {
    if (menuRunner_)
        return menuRunner_(menu, at);
    QAction* chosen = menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void COrvaneDlg::RebuildToolbar() {
    if (ToolBar == nullptr)
        return;
    setWindowTitle(FromUtf8(WindowTitleText(WorkingModel.Name)));
    VolumeButtonIndex = 0;

    const bool onTop = WorkingModel.AlwaysOnTop == 1;
    if (onTop != windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing a window flag hides the window; it comes back where it was.
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (visible)
            show();
    }

    const ToolbarLayout layout = BuildToolbarLayout(WorkingModel);
    for (QAction* action : actions_) {
        ToolBar->removeAction(action);
        delete action;
    }
    actions_.clear();

    const int pixels = layout.imagePixels;
    ToolBar->setIconSize(QSize(pixels, pixels));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QFont labelFont = ToolBar->font();
    labelFont.setPixelSize(kLabelFontPixels);
    ToolBar->setFont(labelFont);
    for (const ToolbarItem& item : layout.items) {
        auto* action = new QAction(ToolBar);
        if (item.separator) {
            action->setSeparator(true);
        } else {
            const int id = item.commandId;
            action->setIcon(ButtonIcon(id, pixels));
            action->setText(FromUtf8(item.text));
            action->setData(id);
            action->setCheckable(item.check);
            char tip[kCatalogBufferSize] = {};
            GetToolbarTipText(id, WorkingModel, tip, sizeof tip);
            action->setToolTip(QString::fromUtf8(tip));
            connect(action, &QAction::triggered, this, [this, id, action] {
                // The toolkit has toggled an input button before this runs; only the
                // projector's report may check it, so the click's own toggle is undone.
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                OnCommand(id);
            });
        }
        ToolBar->addAction(action);
        actions_.push_back(action);
    }

    WorkingModel.ToolbarButtonCount = layout.buttonCount;
    VolumeButtonIndex = layout.volumeButtonIndex;
    if (layout.NothingLeft()) {
        hide();
        Flags.Shown = 0;
        return;
    }

    ToolBar->adjustSize();
    QSize size = ToolBar->sizeHint();
    if (layout.LabelsExist()) {
        ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        size = QSize(ToolBar->sizeHint().width(), size.height() + layout.ExtraHeight());
    }
    ToolBar->setGeometry(QRect(QPoint(0, 0), size));
    setFixedSize(size);
}

void COrvaneDlg::AddTrayIcon() {
    RemoveTrayIcon();
    TrayData = new QSystemTrayIcon(Icon, this);
    TrayData->setToolTip(FromUtf8(TrayTipText(WorkingModel.Name)));
    connect(TrayData, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            OnTrayNotify(TrayMouse::LeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            OnTrayNotify(TrayMouse::RightButtonDown);
            break;
        default:
            OnTrayNotify(TrayMouse::Other);
            break;
        }
    });
    TrayData->show();
}

void COrvaneDlg::RemoveTrayIcon() {
    if (TrayData == nullptr)
        return;
    TrayData->hide();
    delete TrayData;
    TrayData = nullptr;
}

QString COrvaneDlg::TrayTip() const {
    return TrayData != nullptr ? TrayData->toolTip() : QString();
}

void COrvaneDlg::CreateVolumePopup() {
    VolumePopup = CVolDlg::Create(WorkingModel.IconSize, this);
}

void COrvaneDlg::PlaceVolumePopup(bool moveOnly) {
    if (VolumePopup == nullptr || ToolBar == nullptr)
        return;
    QWidget* button = nullptr;
    for (QAction* action : actions_) {
        if (!action->isSeparator() && action->data().toInt() == kCmdVolume)
            button = ToolBar->widgetForAction(action);
    }
    if (button == nullptr)
        return;
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    const PanelRect buttonRect{origin.x(), origin.y(), origin.x() + button->width(), origin.y() + button->height()};
    QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect free = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    const PanelRect screenRect{free.left(), free.top(), free.left() + free.width(), free.top() + free.height()};
    int left = 0;
    int top = 0;
    PlaceVolumePanel(buttonRect, VolumePopup->width(), VolumePopup->height(), screenRect, left, top);
    VolumePopup->move(left, top);
    if (!moveOnly)
        VolumePopup->show();
}

void COrvaneDlg::OnVolumeStep(bool up) {
    if (busy_ || VolumePopup == nullptr)
        return;
    VolumePopup->StopIdleTimer();
    VolumeIdleTicks = 0;
    auto level = std::make_shared<int>(-1);
    const int id = up ? VolumePopup->UpId() : VolumePopup->DownId();
    RunBusy(
        id,
        [this, up, level] {
            if (up)
                handlers_.VolumeUp();
            else
                handlers_.VolumeDown();
            *level = handlers_.ReadVolumeLevel();
        },
        [this, level] {
            if (VolumePopup == nullptr)
                return;
            VolumePopup->SetLevel(*level);
            if (VolumePopup->isVisible())
                VolumePopup->StartIdleTimer();
            VolumeShown = 1;
        });
}

void COrvaneDlg::RefreshVolumeLevel() {
    const int level = handlers_.ReadVolumeLevel();
    OnWindowThread([this, level] {
        if (VolumePopup != nullptr)
            VolumePopup->SetLevel(level);
    });
}

void COrvaneDlg::HideVolumePopup() {
    OnWindowThread([this] {
        if (VolumePopup != nullptr)
            VolumePopup->hide();
        VolumeShown = 0;
    });
}

void COrvaneDlg::ToggleVolumePopup() {
    const bool shown = OnWindowThread([this] {
        if (VolumeShown == 1) {
            if (VolumePopup != nullptr)
                VolumePopup->hide();
            VolumeShown = 0;
            return false;
        }
        PlaceVolumePopup(false);
        return VolumePopup != nullptr && VolumePopup->isVisible();
    });
    // The level is read here, beside the window, where the command's own exchanges ran.
    if (shown)
        RefreshVolumeLevel();
}

void COrvaneDlg::HideMainWindow() {
    OnWindowThread([this] { hide(); });
}

void COrvaneDlg::ShowMainWindow() {
    OnWindowThread([this] { show(); });
}

bool COrvaneDlg::IsMainWindowVisible() {
    return OnWindowThread([this] { return isVisible(); });
}

void COrvaneDlg::Sleep(int milliseconds) {
    // The commands run beside the window, so sleeping here keeps it painted.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int COrvaneDlg::ShowSlotError(int /*slot*/, int /*number*/, int style, const std::string& message) {
    return OnWindowThread([this, style, &message] { return OrvaneMessageBox(this, FromUtf8(message), style); });
}

int COrvaneDlg::ControlPoller(int mode) {
    return OnWindowThread([this, mode] { return poller_.ControlPoller(mode); });
}

void COrvaneDlg::RefreshInputState() {
    poller_.RefreshInputState();
}

int COrvaneDlg::CreateInstanceMutex(const std::string& modelName) {
    const int result = ReserveInstanceMutex(modelName);
    if (result == 0)
        EndInstanceReservation(true);
    return result;
}

void COrvaneDlg::EndInstanceReservation(bool keep) {
    OnWindowThread([this, keep] {
        if (keep)
            Mutex.CommitPending();
        else
            Mutex.DropPending();
    });
}

int COrvaneDlg::ReserveInstanceMutex(const std::string& modelName) {
    return OnWindowThread([this, &modelName] {
        switch (Mutex.TakePending(modelName)) {
        case InstanceLock::kTaken:
            return 0;
        case InstanceLock::kHeldElsewhere:
            OrvaneMessageBox(this, QString::fromLatin1(kAlreadyStartedText), MB_ICONSTOP);
            return 1;
        default:
            OrvaneMessageBox(this, FromUtf8(Mutex.ErrorText()), MB_OK);
            return -1;
        }
    });
}

void COrvaneDlg::OnCheckButton(int commandId, int check) {
    if (commandId == 0)
        return;
    for (QAction* action : actions_) {
        if (action->isCheckable() && action->data().toInt() == commandId)
            action->setChecked(check != 0);
    }
}

bool COrvaneDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ToolBar && event->type() == QEvent::Paint && startupPending_) {
        // Queued, so that it runs once this paint has reached the screen.
        QMetaObject::invokeMethod(
            this, [this] { CompleteStartup(); }, Qt::QueuedConnection);
    }
    return OrvaneDialog::eventFilter(watched, event);
}

bool COrvaneDlg::event(QEvent* event) {
    if (event->type() == CheckButtonEvent::kType) {
        const auto* check = static_cast<CheckButtonEvent*>(event);
        OnCheckButton(check->commandId, check->check);
        return true;
    }
    return OrvaneDialog::event(event);
}

void COrvaneDlg::changeEvent(QEvent* event) {
    OrvaneDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && TrayAvailable()) {
        // Minimising puts the window away into the tray instead; the state change is
        // undone once the system has finished with it. Without a tray a hidden window
        // could never be brought back, so it is left minimised.
        QMetaObject::invokeMethod(
            this,
            [this] {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                OnSysCommand(kSysCommandMinimize);
            },
            Qt::QueuedConnection);
    }
}

bool COrvaneDlg::TrayAvailable() const {
    return trayAvailable_ >= 0 ? trayAvailable_ == 1 : QSystemTrayIcon::isSystemTrayAvailable();
}

void COrvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The window menu's About entry: Linux window managers give the program no system
    // menu of its own to append it to.
    QMenu menu(this);
    menu.addAction(FromUtf8(CatalogText(kCatalogSetUi, kCatalogAboutEntry)))->setData(kCmdSysAbout);
    const int chosen = RunMenu(menu, event->globalPos());
    if (chosen != 0)
        OnSysCommand(static_cast<unsigned>(chosen));
}

void COrvaneDlg::moveEvent(QMoveEvent* event) {
    OrvaneDialog::moveEvent(event);
    if (VolumePopup != nullptr && VolumePopup->isVisible())
        PlaceVolumePopup(true);
}

} // namespace orvane
