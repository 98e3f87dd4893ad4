#pragma once

#include "app/LoginUi.h"
#include "catalog/AppName.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace orvane {

// The program's application object: start-up from the message catalog and the option
// file through the login gate to the modal run of the main window, and the release of
// the catalog at the end. Free of any user-interface toolkit: the dialogs and the main
// window come in through Services.
class COrvaneApp {
public:
    // The size of the block holding the application name; the name is at most one byte
    // shorter, so the block always ends in a zero.
    static constexpr std::size_t kAppNameSize = orvane::kAppNameSize;
    static constexpr int kMaxLoginTries = 3;
    // The user administration tool; its presence in the working directory decides
    // whether the login's user administration button can do anything.
    static constexpr const char* kUserEditTool = "./OrvaneUsrEdit";

    struct Services {
        // Needed when the login gate runs; without one the gate fails closed.
        ILoginUi* loginUi = nullptr;
        // Constructs the main window without parent, hands it skipConfig, runs it modally
        // and destroys it; returns its DoModal result.
        std::function<int(int skipConfig)> runMainWindow;
        // Left empty, these are FileExists, OpenCatalog and CloseCatalog.
        std::function<bool(const std::string& path)> fileExists;
        std::function<int()> openCatalog;
        std::function<void()> closeCatalog;
    };

    // How the last InitInstance ended.
    enum class Outcome {
        NotStarted,
        LoginCancelled,  // no message
        LoginFailed,     // third failed try: (2201, 1000)
        UserToolMissing, // user administration asked without the tool: (2201, 1001)
        MainWindowEnded, // the main window ran and was closed
    };

    COrvaneApp();
    explicit COrvaneApp(Services services);
    ~COrvaneApp();
    COrvaneApp(const COrvaneApp&) = delete;
    COrvaneApp& operator=(const COrvaneApp&) = delete;

    void SetServices(Services services);

    // The whole start-up, then the main window's run; always false, as there is never a
    // message loop of the application's own to enter afterwards. `argv[0]` is the
    // program's path, as main receives it.
    bool InitInstance(int argc, const char* const* argv);

    // Releases the message catalog, once per application object however often it is
    // called; returns the exit status (0).
    int ExitInstance();

    // InitInstance and ExitInstance: what main does with the object.
    int Run(int argc, const char* const* argv);

    // The application name: the title cut to at most kAppNameSize - 1 bytes at a
    // character boundary; empty before InitInstance. InitInstance hands it to SetAppName,
    // so that every message box is captioned with it.
    const char* AppName() const;

    Outcome LastOutcome() const { return outcome_; }
    // The main window's DoModal result; -1 when it did not run.
    int MainWindowResult() const { return mainWindowResult_; }

    // The application object of the running program (the one constructed last), or null.
    static COrvaneApp* Current();

    // Start-up state, named after what the option file and command line set.
    std::string AppTitle;  // catalog message (11, 47)
    int SkipConfig = 0;    // option line 2: start with the configuration in Orvane.txt
    int SkipLogin = 0;     // option line 1: no login gate
    int LoginRequired = 1; // the login gate runs

private:
    // true when the gate is passed; otherwise outcome_ says how it ended.
    bool RunLoginGate();
    void MakeAppName();
    bool FileThere(const std::string& path) const;

    Services services_;
    std::unique_ptr<char[]> appName_;
    Outcome outcome_ = Outcome::NotStarted;
    int mainWindowResult_ = -1;
    bool catalogReleased_ = false;
};

// True when `arg` begins with '-' and is "-SkipUserCheck" in any mix of cases.
bool IsSkipUserCheckArgument(const char* arg);

// The longest head of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// character.
std::size_t Utf8CutLength(const std::string& text, std::size_t maxBytes);

} // namespace orvane
