#include "mainwnd/qt/OrvaneDlg.h"

#include "catalog/MessageCatalog.h"
#include "commands/CommandCatalog.h"
#include "commands/CommandIds.h"
#include "commands/ImageSendSlots.h"
#include "mainwnd/ToolbarLayout.h"
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
#include <QEventLoop>
#include <QMenu>
#include <QMetaObject>
#include <QToolBar>

#include <memory>
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
    : OrvaneDialog(parent), guard_(this), tray_(this, workingModel_, flags_, *operator_),
      volume_(this, workingModel_, [this] { return VolumeButton(); }), bridge_(runner_, this, volume_, poller_),
      transport_(workingModel_, link_, pollLink_, bridge_),
      poller_(transport_,
              [this](int commandId, int check) {
                  // Runs on the poller's thread: the toolbar is only ever touched by the window.
                  QCoreApplication::postEvent(this, new CheckButtonEvent(commandId, check));
              }),
      handlers_(transport_, bridge_, bridge_) {
    // No task-bar button: a tool window with a caption, a window menu, minimise and close.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Orvane"));
    resize(DluSize(554, 29));
    // The input buttons follow a class 2 projector's own notifications between polls.
    poller_.HearNotifications(true);
    icon_ = ApplicationIcon();

    connect(&runner_, &CommandRunner::resultReady, this, &COrvaneDlg::ShowResult);
    connect(&runner_, &CommandRunner::finished, this, &COrvaneDlg::commandFinished);
    connect(&runner_, &CommandRunner::clickDue, this, [this](int commandId) {
        // Clicks that were waiting when the window was ended are not run any more.
        if (!ended_)
            OnCommand(commandId);
    });
    connect(&tray_, &WindowTrayIcon::commandChosen, this, &COrvaneDlg::OnCommand);
    connect(&volume_, &VolumeController::stepClicked, this, &COrvaneDlg::OnCommand);
}

COrvaneDlg::~COrvaneDlg() {
    OnDestroy();
}

void COrvaneDlg::SetOperatorSide(IOperatorSide* side) {
    operator_ = side != nullptr ? side : &desktop_;
    tray_.SetOperatorSide(*operator_);
}

int COrvaneDlg::DoModal() {
    ended_ = false;
    if (OnInitDialog() && !ended_) {
        if (flags_.Shown == 1)
            show();
        // A window that stays hidden, or whose toolbar is not painted soon, is not kept
        // waiting for the rest of its start-up.
        afterFirstPaint_.RunWithin(flags_.Shown == 1 ? kStartupCompletionMs : 0);
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
    afterFirstPaint_.Drop();
    currentCopyFrom_.clear();

    // The start-up, in the order of the window's design. What the operator does not see in
    // the toolbar is put off (`later`): it runs, in the order given here, once the toolbar
    // has been painted, or at once when a command, the exit or the end of the window comes
    // first. The toolbar so shows as early as a bare dialog would.
    const auto later = [this](FirstPaintSteps::Step step) { afterFirstPaint_.Add(std::move(step)); };
    PrepareNativeWindow();
    later([this] { setWindowIcon(icon_); });
    if (!ReadModelCatalog())
        return CloseAtStartup();
    LoadPluginModels();
    PrepareConfigurationDialog();
    if (!ChooseConfiguration())
        return CloseAtStartup();
    later([this] { CopyNamedConfigToCurrent(); });
    if (guard_.CreateInstanceMutex(workingModel_.Name) != 0)
        return CloseAtStartup();
    later([this] { volume_.CreatePanel(); });
    later([this] { tray_.Add(icon_); });
    flags_.Shown = 1;
    flags_.ModalOpen = 0;
    RebuildToolbar();
    StartPolling();
    afterFirstPaint_.RunAfterPaintOf(toolBar_);
    return true;
}

void COrvaneDlg::CompleteStartup() {
    afterFirstPaint_.Run();
}

bool COrvaneDlg::CloseAtStartup() {
    afterFirstPaint_.Drop();
    // A refused start-up still leaves Orvane.txt naming what it was started with.
    CopyNamedConfigToCurrent();
    OrvaneDialog::OnCancel();
    return false;
}

void COrvaneDlg::PrepareNativeWindow() {
    // What the window needs whatever the configuration holds is made first, while the
    // catalog reader may still be pausing between models: the toolbar, the native window
    // and the accessibility bridge, which the toolkit would otherwise start when it shows.
    toolBar_ = new QToolBar(this);
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setContextMenuPolicy(Qt::NoContextMenu);
    toolBar_->move(0, 0);
    create();
    QAccessible::isActive(); // starts the bridge
}

bool COrvaneDlg::ReadModelCatalog() {
    // The one reading of the catalog that keeps the reader's pause between models; the
    // program may have made it already while the toolkit started.
    FileReadResult catalog;
    if (catalogPrefetch_ == nullptr || !catalogPrefetch_->Take(modelList_, catalog))
        catalog = LoadModelCatalog(modelList_);
    if (catalog.ok())
        return true;
    // A catalog that is there but cannot be read says why; a missing one is the classic
    // start-up failure.
    if (catalog.failed()) {
        ShowFileReadFailure(this, kModelCatalogFile, catalog);
    } else {
        OrvaneMessageBox(this, QString::fromLatin1(kInitializeFailedText), MB_ICONSTOP);
    }
    return false;
}

void COrvaneDlg::LoadPluginModels() {
    if (plugins_.LoadPlugins() > 0)
        plugins_.AddPluginModels(modelList_);
}

void COrvaneDlg::PrepareConfigurationDialog() {
    ClearFoundList(confDlg_.FoundAddr, confDlg_.FoundName, confDlg_.FoundInfo);
    confDlg_.FoundCount = 0;
    confDlg_.Model = &workingModel_;
    confDlg_.ModelList = &modelList_;
    confDlg_.SetInstanceGuard(&guard_);
}

bool COrvaneDlg::ChooseConfiguration() {
    bool loaded = false;
    if (!arguments_.empty())
        loaded = LoadConfiguration(arguments_.front());
    if (!loaded && skipConfig_ == 1) {
        // An unreadable Orvane.txt is reported by the configuration dialog, which reads it next.
        const std::string name =
            PrivateProfile::Load(kCurrentConfigFile).GetString("GENERAL", "MODEL", kMaxConfigName + 1);
        if (!name.empty())
            loaded = LoadConfiguration(name);
    }
    // Cancelling the dialog ends the program.
    return loaded || operator_->RunConfig(confDlg_) != IDCANCEL;
}

bool COrvaneDlg::LoadConfiguration(const std::string& name) {
    const std::string configName = name.substr(0, kMaxConfigName);
    const std::string path = ModelFilePath(configName);
    if (path.empty() || !FileExists(path))
        return false;
    OptionValues options;
    options.SkipLogin = confDlg_.SkipLogin;
    options.SkipConfig = confDlg_.SkipConfig;
    options.UpdateInterval = confDlg_.UpdateInterval;
    FileReadResult read;
    const ConfigSource source =
        ReadConfigFile(path, FindModelIndex(modelList_, configName), workingModel_, modelList_, options, &read);
    confDlg_.SkipLogin = options.SkipLogin;
    confDlg_.SkipConfig = options.SkipConfig;
    confDlg_.UpdateInterval = options.UpdateInterval;
    if (source != ConfigSource::File) {
        // Not copied over Orvane.txt: the configuration dialog takes over.
        if (source == ConfigSource::Unreadable)
            ShowFileReadFailure(this, path, read);
        return false;
    }
    currentCopyFrom_ = path;
    return true;
}

void COrvaneDlg::CopyNamedConfigToCurrent() {
    if (currentCopyFrom_.empty())
        return;
    // Failing silently, as it always has: the running window does not depend on the copy.
    static_cast<void>(CopyConfigToCurrent(currentCopyFrom_));
    currentCopyFrom_.clear();
}

void COrvaneDlg::StartPolling() {
    pollInterval_ = confDlg_.UpdateInterval;
    // The first refresh is the poller's to make: a projector that is slow to answer must
    // not keep the window from showing.
    if (pollInterval_ > 0) {
        poller_.RequestRefresh();
    } else {
        pollInterval_ = 0;
    }
    poller_.SetPollInterval(pollInterval_);
    poller_.ControlPoller(kPollerStart);
}

void COrvaneDlg::OnDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    // Ended before the start-up's last part ran: only the file copy is still owed.
    afterFirstPaint_.Drop();
    CopyNamedConfigToCurrent();
    runner_.Stop();
    guard_.Release();
    volume_.DeletePanel();
    modelList_.clear();
    poller_.ControlPoller(kPollerStop);
    tray_.Remove();
}

void COrvaneDlg::OnCancel() {
    if (runner_.Busy())
        return;
    CompleteStartup();
    const int answer =
        OrvaneMessageBox(this, FromUtf8(CatalogText(kCatalogSetUi, kCatalogExitQuestion)), MB_YESNO | MB_ICONQUESTION);
    if (answer == IDNO)
        return;
    tray_.Remove();
    OrvaneDialog::OnCancel();
}

void COrvaneDlg::OnCommand(int commandId) {
    if (runner_.Busy()) {
        runner_.Defer(commandId);
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
    if (volume_.IsStep(commandId)) {
        OnVolumeStep(volume_.IsStepUp(commandId));
        return;
    }
    const CommandEntry* entry = FindCommand(commandId);
    if (entry != nullptr && IsProjectorCommand(*entry))
        RunProjectorCommand(commandId);
}

bool COrvaneDlg::RunBeside(int commandId, CommandResult::Kind kind, CommandRunner::Work work) {
    if (!runner_.Start(commandId, kind, std::move(work)))
        return false;
    if (toolBar_ != nullptr)
        toolBar_->setCursor(Qt::BusyCursor);
    return true;
}

void COrvaneDlg::RunProjectorCommand(int commandId) {
    RunBeside(commandId, CommandResult::Kind::Command, [this, commandId](CommandResult& result) {
        handlers_.Run(commandId);
        // Read beside the window, where the command's own exchanges ran.
        if (bridge_.TakePanelOpened())
            result.volumeLevel = handlers_.ReadVolumeLevel();
    });
}

void COrvaneDlg::OnVolumeStep(bool up) {
    if (runner_.Busy() || volume_.Panel() == nullptr)
        return;
    const int id = up ? volume_.Panel()->UpId() : volume_.Panel()->DownId();
    volume_.BeginStep();
    RunBeside(id, CommandResult::Kind::VolumeStep, [this, up](CommandResult& result) {
        if (up) {
            handlers_.VolumeUp();
        } else {
            handlers_.VolumeDown();
        }
        result.volumeLevel = handlers_.ReadVolumeLevel();
    });
}

void COrvaneDlg::ShowResult(const CommandResult& result) {
    if (toolBar_ != nullptr)
        toolBar_->unsetCursor();
    switch (result.kind) {
    case CommandResult::Kind::Command:
        if (result.volumeLevel >= 0)
            volume_.ShowLevel(result.volumeLevel);
        break;
    case CommandResult::Kind::VolumeStep:
        volume_.EndStep(result.volumeLevel);
        break;
    case CommandResult::Kind::InputRefresh:
        poller_.ControlPoller(kPollerStart);
        flags_.ModalOpen = 0;
        break;
    case CommandResult::Kind::ImageSendSlots: {
        picpush::CImageSendDlg dialog(picpush::CImageSendDlg::kModeSend, nullptr);
        for (int slot : result.imageSendSlots)
            dialog.DataAdd(&workingModel_, slot);
        operator_->RunImageSend(dialog);
        // The program's relative paths (the model catalog, the marker files) are resolved
        // against the working directory, which a file dialog may have moved.
        if (chdir(ProgramDir().c_str()) != 0) {
        }
        break;
    }
    }
}

void COrvaneDlg::OnConfig() {
    if (runner_.Busy())
        return;
    CModelInfo2 scratch;
    flags_.ModalOpen = 1;
    volume_.Hide();
    poller_.ControlPoller(kPollerStop);
    scratch = workingModel_;
    if (operator_->RunConfig(confDlg_) != IDOK) {
        workingModel_ = scratch;
        poller_.ControlPoller(kPollerStart);
        flags_.ModalOpen = 0;
        return;
    }
    volume_.CreatePanel();
    tray_.Add(icon_);
    RebuildToolbar();
    pollInterval_ = confDlg_.UpdateInterval < 0 ? 0 : confDlg_.UpdateInterval;
    poller_.SetPollInterval(pollInterval_);
    // The refresh talks to a projector: it runs beside the window like a command, and the
    // poller starts again when it is done.
    RunBeside(kCmdConfig, CommandResult::Kind::InputRefresh, [this](CommandResult&) { poller_.RefreshInputState(); });
}

void COrvaneDlg::OnAbout() {
    flags_.ModalOpen = 1;
    volume_.Hide();
    poller_.ControlPoller(kPollerSuspend);
    CAboutDlg about(this);
    operator_->RunAbout(about);
    poller_.ControlPoller(kPollerResume);
    flags_.ModalOpen = 0;
}

void COrvaneDlg::OnImageSend() {
    if (runner_.Busy())
        return;
    volume_.Hide();
    RunBeside(kCmdImageSend, CommandResult::Kind::ImageSendSlots,
              [this](CommandResult& result) { result.imageSendSlots = ImageSendSlots(transport_); });
}

void COrvaneDlg::OnSysCommand(unsigned commandId) {
    CompleteStartup();
    switch (ClassifySysCommand(commandId)) {
    case SysCommandAction::About: {
        // The window menu's About leaves the poller and the tray menu alone.
        CAboutDlg about(this);
        operator_->RunAbout(about);
        break;
    }
    case SysCommandAction::HideInsteadOfMinimize:
        hide();
        flags_.Shown = 0;
        break;
    case SysCommandAction::Default:
        break;
    }
}

void COrvaneDlg::OnHideShow() {
    switch (orvane::OnHideShow(flags_, workingModel_.ToolbarButtonCount)) {
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

void COrvaneDlg::RebuildToolbar() {
    if (toolBar_ == nullptr)
        return;
    setWindowTitle(FromUtf8(WindowTitleText(workingModel_.Name)));
    volumeButtonIndex_ = 0;

    const bool onTop = workingModel_.AlwaysOnTop == 1;
    if (onTop != windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing a window flag hides the window; it comes back where it was.
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (visible)
            show();
    }

    const ToolbarLayout layout = BuildToolbarLayout(workingModel_);
    for (QAction* action : actions_) {
        toolBar_->removeAction(action);
        delete action;
    }
    actions_.clear();

    const int pixels = layout.imagePixels;
    toolBar_->setIconSize(QSize(pixels, pixels));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QFont labelFont = toolBar_->font();
    labelFont.setPixelSize(kLabelFontPixels);
    toolBar_->setFont(labelFont);
    for (const ToolbarItem& item : layout.items) {
        auto* action = new QAction(toolBar_);
        if (item.separator) {
            action->setSeparator(true);
        } else {
            const int id = item.commandId;
            action->setIcon(ButtonIcon(id, pixels));
            action->setText(FromUtf8(item.text));
            action->setData(id);
            action->setCheckable(item.check);
            char tip[kCatalogBufferSize] = {};
            GetToolbarTipText(id, workingModel_, tip, sizeof tip);
            action->setToolTip(QString::fromUtf8(tip));
            connect(action, &QAction::triggered, this, [this, id, action] {
                // The toolkit has toggled an input button before this runs; only the
                // projector's report may check it, so the click's own toggle is undone.
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                OnCommand(id);
            });
        }
        toolBar_->addAction(action);
        actions_.push_back(action);
    }

    workingModel_.ToolbarButtonCount = layout.buttonCount;
    volumeButtonIndex_ = layout.volumeButtonIndex;
    if (layout.NothingLeft()) {
        hide();
        flags_.Shown = 0;
        return;
    }

    toolBar_->adjustSize();
    QSize size = toolBar_->sizeHint();
    if (layout.LabelsExist()) {
        toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        size = QSize(toolBar_->sizeHint().width(), size.height() + layout.ExtraHeight());
    }
    toolBar_->setGeometry(QRect(QPoint(0, 0), size));
    setFixedSize(size);
}

QWidget* COrvaneDlg::VolumeButton() const {
    if (toolBar_ == nullptr)
        return nullptr;
    QWidget* button = nullptr;
    for (QAction* action : actions_) {
        if (!action->isSeparator() && action->data().toInt() == kCmdVolume)
            button = toolBar_->widgetForAction(action);
    }
    return button;
}

void COrvaneDlg::OnCheckButton(int commandId, int check) {
    if (commandId == 0)
        return;
    for (QAction* action : actions_) {
        if (action->isCheckable() && action->data().toInt() == commandId)
            action->setChecked(check != 0);
    }
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
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        operator_->TrayAvailable()) {
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

void COrvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The window menu's About entry: Linux window managers give the program no system
    // menu of its own to append it to.
    QMenu menu(this);
    menu.addAction(FromUtf8(CatalogText(kCatalogSetUi, kCatalogAboutEntry)))->setData(kCmdSysAbout);
    const int chosen = operator_->RunMenu(menu, event->globalPos());
    if (chosen != 0)
        OnSysCommand(static_cast<unsigned>(chosen));
}

void COrvaneDlg::moveEvent(QMoveEvent* event) {
    OrvaneDialog::moveEvent(event);
    volume_.FollowWindow();
}

} // namespace orvane
