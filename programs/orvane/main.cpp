// orvane: the projector toolbar. Start-up, login and the main window's run are the
// application object's; this file only puts the Qt pieces in its hands.

#include "app/OrvaneApp.h"
#include "app/ProgramOptions.h"
#include "app/qt/QtLoginUi.h"
#include "config/qt/CtrlOptionDlg.h"
#include "mainwnd/InstanceLock.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "mainwnd/qt/ToolbarStyle.h"
#include "model/ModelCatalogPrefetch.h"
#include "platform/FileUtil.h"

#include <QApplication>
#include <QDBusConnection>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

// Qt warns on stderr when XDG_RUNTIME_DIR is not set; the instance lock has its own private
// directory for that case, and Qt is given the same one.
void ProvideRuntimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0')
        return;
    int error = 0;
    const std::string dir = orvane::InstanceLock::DefaultDirectory(error);
    if (!dir.empty())
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "orvane: %s\n%s", message.c_str(), orvane::ProgramOptions::Usage().c_str());
    return orvane::ProgramOptions::kExitUsage;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int main(int argc, char** argv) {
    // Read before the toolkit starts, so that --help works without a display.
    const orvane::ProgramOptions early = orvane::ProgramOptions::Parse(argc, argv);
    if (early.help) {
        std::fputs(orvane::ProgramOptions::Usage().c_str(), stdout);
        return 0;
    }
    if (!early.error.empty())
        return UsageError(early.error);
    ProvideRuntimeDirectory();
    // The model catalog's reader paces itself between models; it reads while the toolkit
    // starts, and the main window takes the list if the file is still the same by then.
    orvane::ModelCatalogPrefetch catalog;
    catalog.Start();

    QApplication qtApp(argc, argv); // takes Qt's own options out of argv
    // The style the toolkit chose (or -style named), with the toolbar's arrow drawn.
    QApplication::setStyle(new orvane::ToolbarStyle(QApplication::style()->name()));
    // The window hides into the tray and comes back: hiding it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    // The first widget text starts the accessibility bridge, which opens the session bus and
    // would hold the window until the bus answers; the bus is opened meanwhile instead. The
    // thread is joined before the toolkit goes.
    std::jthread sessionBus([] { QDBusConnection::sessionBus(); });

    const orvane::ProgramOptions options = orvane::ProgramOptions::Parse(argc, argv);
    if (!options.unknown.empty())
        return UsageError("unknown option " + options.unknown.front());
    if (!options.programDir.empty()) {
        if (!IsDirectory(options.programDir)) {
            std::fprintf(stderr, "orvane: %s is not a directory\n", options.programDir.c_str());
            return orvane::ProgramOptions::kExitUsage;
        }
        orvane::SetProgramDir(options.programDir);
    }

    std::vector<const char*> args;
    for (const std::string& a : options.rest)
        args.push_back(a.c_str());
    const std::vector<std::string> arguments(options.rest.begin() + 1, options.rest.end());
    orvane::QtLoginUi loginUi;
    orvane::COrvaneApp::Services services;
    services.loginUi = &loginUi;
    services.runMainWindow = [&arguments, &catalog](int skipConfig) {
        orvane::COrvaneDlg window;
        window.SetSkipConfig(skipConfig);
        window.SetArguments(arguments);
        window.SetCatalogPrefetch(&catalog);
        return window.DoModal();
    };
    // The options page's "user edit" button runs the same user administration as the gate.
    orvane::CCtrlOptionDlg::SetUserAdminAction([&loginUi] { loginUi.RunUserConfig(); });
    orvane::COrvaneApp app(std::move(services));
    return app.Run(static_cast<int>(args.size()), args.data());
}
