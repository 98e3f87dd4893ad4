// orvane: the projector toolbar. Start-up, login and the main window's run are the
// application object's; this file only puts the Qt pieces in its hands.

#include "app/OrvaneApp.h"
#include "app/qt/QtLoginUi.h"
#include "config/qt/CtrlOptionDlg.h"
#include "mainwnd/qt/OrvaneDlg.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv); // takes Qt's own options out of argv
    // The window hides into the tray and comes back: hiding it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Orvane"));

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    orvane::QtLoginUi loginUi;
    orvane::COrvaneApp::Services services;
    services.loginUi = &loginUi;
    services.runMainWindow = [&arguments](int skipConfig) {
        orvane::COrvaneDlg window;
        window.SkipConfig = skipConfig;
        window.SetArguments(arguments);
        return window.DoModal();
    };
    // The options page's "user edit" button runs the same user administration as the gate.
    orvane::CCtrlOptionDlg::SetUserAdminAction([&loginUi] { loginUi.RunUserConfig(); });
    orvane::COrvaneApp app(std::move(services));
    return app.Run(argc, argv);
}
