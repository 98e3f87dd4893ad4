// How long the toolbar takes to come up, beside a bare Qt dialog: both started as
// processes on the X display in $DISPLAY (an Xvfb of one's own will do), turn about, each
// timed from its start to the moment its first top-level window is mapped.
//
//   Xvfb :22 & DISPLAY=:22 build/bin/bench_startup
//
// The toolbar starts in a program folder like the demo's: the sample catalog and a
// configuration of three projectors played by pjsim on 127.0.0.1, named on the command
// line, login skipped, polling every 5 seconds. A second run has a reported projector that
// never answers: start-up must not wait for it.

#include "PairTiming.h"
#include "SpawnProcess.h"

#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <poll.h>

namespace {

using orvane::test::PjsimProcess;

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Watches the display for top-level windows being mapped.
class MapWatcher {
public:
    MapWatcher() {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_) != 0)
            return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        root_ = screen->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t cookie = xcb_change_window_attributes_checked(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        ok_ = error == nullptr;
        free(error);
    }
    ~MapWatcher() { xcb_disconnect(connection_); }
    bool Ok() const { return ok_; }

    // Drops what came before.
    void Drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(connection_))
            free(e);
    }
    // Waits up to `timeoutMs` for a top-level window to be mapped.
    bool WaitForMap(int timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(connection_)) {
                const bool mapped = (e->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                                    reinterpret_cast<xcb_map_notify_event_t*>(e)->event == root_;
                free(e);
                if (mapped)
                    return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&p, 1, static_cast<int>(left.count()));
        }
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    bool ok_ = false;
};

// Starts `path` and times it until its first window is mapped; then it is killed.
bool TimeToFirstWindow(MapWatcher& watcher, const std::string& path, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
    watcher.Drain();
    const pid_t pid = orvane::bench::Spawn(path, args, &env);
    if (pid < 0)
        return false;
    const bool mapped = watcher.WaitForMap(20000);
    kill(pid, SIGKILL);
    orvane::bench::Wait(pid);
    return mapped;
}

// A desktop has a session bus, which the toolkit asks, for one, for its accessibility
// bridge as soon as a window has text; without one it would try to launch one, and time
// that no desktop spends. Both programs get the same private bus.
class SessionBus {
public:
    SessionBus() {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address", nullptr};
        if (posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char buf[512];
        ssize_t n = pid_ > 0 ? read(out[0], buf, sizeof buf - 1) : -1;
        close(out[0]);
        if (n > 0) {
            address_.assign(buf, static_cast<std::size_t>(n));
            while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r'))
                address_.pop_back();
        }
    }
    ~SessionBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            orvane::bench::Wait(pid_);
        }
    }
    const std::string& Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

// A program folder like the demo's, with the toolbar's projectors at `ports`.
struct ProgramFolder {
    explicit ProgramFolder(const std::vector<int>& ports) {
        namespace fs = std::filesystem;
        const std::string bin = ORVANE_BIN_DIR;
        for (const char* file : {"orvane", "txtdef.cat", "txtzhs.cat"})
            fs::copy_file(bin + "/" + file, dir.File(file));
        dir.Write("OrvaneModel.txt", ReadSource("res/OrvaneModel.txt"));
        dir.Write("OrvaneOpt.txt", "1\r\n1\r\n5\r\n");
        orvane::ModelList list;
        if (!orvane::LoadModelCatalogFrom(dir.File("OrvaneModel.txt"), list).ok()) {
            std::fprintf(stderr, "the sample model catalog does not read\n");
            std::exit(1);
        }
        const int index = orvane::FindModelIndex(list, "AX-210");
        orvane::CModelInfo2 model;
        if (index >= 0)
            model = *list[static_cast<std::size_t>(index)];
        model.PjtNum = static_cast<int>(ports.size());
        model.SelectPrj = 1;
        orvane::ConfigControls controls;
        controls.modelName = "AX-210";
        controls.rowChecked[0] = true;
        controls.config = controls.powerOn = controls.powerOff = controls.blankOn = controls.blankOff = true;
        controls.volume = controls.mute = controls.freezeOn = controls.freezeOff = controls.about = true;
        for (int i = 0; i < 5; ++i)
            controls.inputChecked[i] = true;
        for (std::size_t s = 0; s < ports.size(); ++s) {
            model.ConnectMethod[s] = 1;
            model.PortNo[s] = ports[s];
            orvane::SetText(model.IPAddress[s], "127.0.0.1");
        }
        dir.Write("AX-210.txt", orvane::FormatConfigFile(model, controls, true));
        static SessionBus bus;
        env = {"DISPLAY=" + std::string(std::getenv("DISPLAY")),
               "QT_QPA_PLATFORM=xcb",
               "HOME=" + dir.path(),
               "XDG_RUNTIME_DIR=" + runtime.path(),
               "LANG=C.UTF-8",
               "PATH=/usr/bin:/bin"};
        if (!bus.Address().empty())
            env.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.Address());
    }
    orvane::test::TempDir dir;
    orvane::test::TempDir runtime;
    std::vector<std::string> env;
};

orvane::bench::PairTiming g_live;
orvane::bench::PairTiming g_liveText;
orvane::bench::PairTiming g_silent;

void Compare(benchmark::State& state, const std::vector<std::string>& projectors, orvane::bench::PairTiming& timing,
             const std::vector<std::string>& floorArgs) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs an X display in DISPLAY, e.g. Xvfb :22");
        return;
    }
    static MapWatcher watcher;
    if (!watcher.Ok()) {
        state.SkipWithError("cannot watch the display");
        return;
    }
    PjsimProcess sim(projectors);
    if (!sim.Ready()) {
        state.SkipWithError(sim.Error().c_str());
        return;
    }
    std::vector<int> ports;
    for (std::size_t n = 1; n <= sim.ProjectorCount(); ++n)
        ports.push_back(sim.Port(static_cast<int>(n)));
    ProgramFolder folder(ports);
    // The toolbar finds its catalog and files in its working directory.
    orvane::test::ScopedWorkDir work(folder.dir.path());
    const std::string orvane = folder.dir.File("orvane");
    const std::string bare = std::string(ORVANE_BIN_DIR) + "/bench_bare_dialog";
    timing.Run(
        state, [&] { return TimeToFirstWindow(watcher, orvane, {"AX-210"}, folder.env); },
        [&] { return TimeToFirstWindow(watcher, bare, floorArgs, folder.env); });
}

std::vector<std::string> LiveProjectors() {
    return {PjsimProcess::Tcp("power=on,input=3"), PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")};
}

void BM_StartupBesideEmptyDialog(benchmark::State& state) {
    Compare(state, LiveProjectors(), g_live, {});
}
BENCHMARK(BM_StartupBesideEmptyDialog)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_StartupBesideDialogWithText(benchmark::State& state) {
    Compare(state, LiveProjectors(), g_liveText, {"--text"});
}
BENCHMARK(BM_StartupBesideDialogWithText)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_StartupWithSilentProjectorBesideDialogWithText(benchmark::State& state) {
    Compare(state, {PjsimProcess::Tcp("fault=silent"), PjsimProcess::Tcp("power=on")}, g_silent, {"--text"});
}
BENCHMARK(BM_StartupWithSilentProjectorBesideDialogWithText)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    g_live.Print("orvane start-up", "empty Qt dialog");
    g_liveText.Print("orvane start-up", "Qt dialog with a line of text");
    g_silent.Print("orvane start-up, reported projector silent", "Qt dialog with a line of text");
    benchmark::Shutdown();
    return 0;
}
