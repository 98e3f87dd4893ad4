#include "app/OrvaneApp.h"

#include "catalog/AppName.h"
#include "catalog/MessageCatalog.h"
#include "model/OptionFile.h"
#include "platform/AsciiCase.h"
#include "platform/FileUtil.h"
#include "platform/Utf8.h"

#include <atomic>
#include <cstring>

namespace orvane {

namespace {
std::atomic<COrvaneApp*> g_current{nullptr};

constexpr int kMessageTooManyTries = 1000;
constexpr int kMessageNoUserTool = 1001;
} // namespace

bool IsSkipUserCheckArgument(const char* arg) {
    static const char kOption[] = "-skipusercheck";
    if (arg == nullptr || arg[0] != '-')
        return false;
    std::size_t i = 0;
    for (; kOption[i] != '\0'; ++i) {
        if (LowerAscii(arg[i]) != kOption[i])
            return false; // also stops at the argument's terminator
    }
    return arg[i] == '\0';
}

std::size_t Utf8CutLength(const std::string& text, std::size_t maxBytes) {
    return CutUtf8(text, maxBytes).size();
}

COrvaneApp::COrvaneApp() : COrvaneApp(Services{}) {}

COrvaneApp::COrvaneApp(Services services) : services_(std::move(services)) {
    g_current.store(this);
}

COrvaneApp::~COrvaneApp() {
    // The catalog is not released here: a global application object is destroyed after
    // the catalog's own globals may be gone. Run and ExitInstance release it.
    COrvaneApp* self = this;
    if (g_current.compare_exchange_strong(self, nullptr) && appName_)
        SetAppName({});
}

COrvaneApp* COrvaneApp::Current() {
    return g_current.load();
}

void COrvaneApp::SetServices(Services services) {
    services_ = std::move(services);
}

const char* COrvaneApp::AppName() const {
    return appName_ ? appName_.get() : "";
}

bool COrvaneApp::FileThere(const std::string& path) const {
    return services_.fileExists ? services_.fileExists(path) : FileExists(path);
}

void COrvaneApp::MakeAppName() {
    appName_ = std::make_unique<char[]>(kAppNameSize); // zero-filled
    const std::string name = CutAppName(AppTitle);
    std::memcpy(appName_.get(), name.data(), name.size());
    // Every message box from now on is captioned with it.
    SetAppName(name);
}

bool COrvaneApp::InitInstance(int argc, const char* const* argv) {
    outcome_ = Outcome::NotStarted;
    mainWindowResult_ = -1;
    LoginRequired = 1;

    // The toolkit is up before the application object runs: main has made it.

    catalogReleased_ = false;
    if (services_.openCatalog) {
        services_.openCatalog();
    } else {
        OpenCatalog(); // without a catalog every text reads "No Message Catalog"; start-up goes on
    }

    char title[kCatalogBufferSize];
    GetCatalogText(kCatalogSetUi, kAppTitleNumber, sizeof title, title);
    AppTitle = title;
    MakeAppName();

    SkipLogin = 0;
    SkipConfig = 0;
    OptionValues options;
    // A missing or unreadable option file leaves both flags clear: the login is asked for.
    static_cast<void>(ReadOptions(options));
    SkipLogin = options.SkipLogin != 0 ? 1 : 0;
    SkipConfig = options.SkipConfig != 0 ? 1 : 0;

    for (int i = 0; i < argc && argv != nullptr; ++i) {
        if (IsSkipUserCheckArgument(argv[i])) {
            LoginRequired = 0;
            break;
        }
    }

    if (LoginRequired == 1 && SkipLogin == 1)
        LoginRequired = 0;

    if (LoginRequired == 1 && !RunLoginGate())
        return false;

    // Sockets need no library start-up on this system.

    if (services_.runMainWindow)
        mainWindowResult_ = services_.runMainWindow(SkipConfig);
    outcome_ = Outcome::MainWindowEnded;
    return false;
}

bool COrvaneApp::RunLoginGate() {
    ILoginUi* ui = services_.loginUi;
    if (ui == nullptr) {
        outcome_ = Outcome::LoginFailed;
        return false;
    }
    int failedTries = 0;
    for (;;) {
        int result = ui->RunLogin(kLoginDialogMode);
        if (result == kLoginAccepted)
            return true;
        if (result == kLoginCancelled) {
            outcome_ = Outcome::LoginCancelled;
            return false;
        }
        if (result == kLoginUserAdmin) {
            if (!FileThere(kUserEditTool)) {
                ui->ShowMessage(kCatalogSetErrors, kMessageNoUserTool, kMessageStyleError);
                outcome_ = Outcome::UserToolMissing;
                return false;
            }
            // Administration counts as a try, so it is no way round the limit; on the last
            // try it would lead nowhere, as the program ends right after.
            if (failedTries + 1 < kMaxLoginTries)
                ui->RunUserConfig();
        }
        if (++failedTries == kMaxLoginTries) {
            ui->ShowMessage(kCatalogSetErrors, kMessageTooManyTries, kMessageStyleError);
            outcome_ = Outcome::LoginFailed;
            return false;
        }
    }
}

int COrvaneApp::ExitInstance() {
    if (!catalogReleased_) {
        catalogReleased_ = true;
        if (services_.closeCatalog) {
            services_.closeCatalog();
        } else {
            CloseCatalog();
        }
    }
    return 0;
}

int COrvaneApp::Run(int argc, const char* const* argv) {
    InitInstance(argc, argv);
    return ExitInstance();
}

} // namespace orvane
