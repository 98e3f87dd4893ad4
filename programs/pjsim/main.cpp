// pjsim: plays one or more projectors on loopback TCP ports or pseudo-terminals, for tests
// and demonstrations of the projector link.

#include "DiscoveryResponder.h"
#include "Endpoint.h"
#include "FleetPorts.h"
#include "PjlinkNotifier.h"
#include "PjlinkSearchResponder.h"
#include "ProjectorDef.h"
#include "ProjectorService.h"
#include "RequestLog.h"
#include "SerialProjectorPort.h"
#include "StopEvent.h"
#include "TcpProjectorServer.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

const char* kProjectorHelp =
    "HOST:PORT or serial, then comma-separated options: password=P, kind=N, "
    "power=off|on|transit, warm=MS, input=N, volume=N, volmax=N, "
    "fault=nak|silent|drop|garbage|slow:MS, name=TEXT, images=0|1, idle=MS (a TCP client "
    "silent this long is let go; default 10000, 0 never), refuse=TYPE+TYPE (refuse these "
    "request types), values=TYPE:V+TYPE:V (starting adjustment values), protocol=orvane|pjlink; "
    "for PJLink also class=1|2, lamp=HOURS, error=DIGITS, notify=HOST:PORT|off (where a class 2 "
    "projector sends its notifications; default port 4352 of the last controller) (PJLink clients are let go after "
    "30 s). Port 0 picks a free port.";

const char* kFleetHelp = "N,OPTIONS: N projectors with the options of a TCP --projector definition, on consecutive "
                         "free loopback ports, numbered after the --projector ones; may be given more than once";

// Every projector of a fleet holds a listening socket and one per client.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "pjsim: %s\nRun pjsim --help for the options.\n", message.c_str());
    return kExitUsage;
}

int Run(int argc, char** argv) {
    CLI::App app{"Plays projectors for the projector link: each answers requests on a TCP port or a "
                 "pseudo-terminal and logs them."};
    std::vector<std::string> projectorArgs;
    std::vector<std::string> fleetArgs;
    std::string logPath;
    std::string discoveryArg;
    pjsim::ImageOptions imageOptions;
    bool noImageHash = false;
    app.add_option("--projector", projectorArgs, kProjectorHelp)->allow_extra_args(false)->type_name("DEF");
    app.add_option("--fleet", fleetArgs, kFleetHelp)->allow_extra_args(false)->type_name("N,OPTIONS");
    app.add_option("--log", logPath, "Write the request log to FILE instead of standard output")->type_name("FILE");
    app.add_option("--discovery", discoveryArg,
                   "Answer discovery probes on this UDP HOST:PORT for every network projector (port 0 picks one)")
        ->type_name("HOST:PORT");
    app.add_option("--image-dir", imageOptions.dir,
                   "Also write every image a projector takes to DIR as <n>-<k>.<jpg|png>")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    app.add_flag("--no-image-hash", noImageHash, "Log images with sha256=- instead of their hash (for benchmarks)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e); // --help
        return Usage(e.what());
    }

    std::string discoveryHost;
    int discoveryPort = 0;
    if (!discoveryArg.empty()) {
        std::string error;
        if (!pjsim::DiscoveryResponder::ParseHostPort(discoveryArg, discoveryHost, discoveryPort, error))
            return Usage("--discovery: " + error);
    }

    imageOptions.hash = !noImageHash;
    std::vector<pjsim::ProjectorDef> defs;
    for (const std::string& text : projectorArgs) {
        pjsim::ProjectorDef def;
        std::string error;
        if (!pjsim::ParseProjectorDef(text, def, error))
            return Usage(error);
        defs.push_back(def);
    }
    // Each fleet's members follow one another in defs; the run of ports is bound for all at once.
    struct FleetRun {
        std::size_t first = 0;
        int count = 0;
    };
    std::vector<FleetRun> fleets;
    for (const std::string& text : fleetArgs) {
        pjsim::FleetDef fleet;
        std::string error;
        if (!pjsim::ParseFleetDef(text, fleet, error))
            return Usage("--fleet: " + error);
        fleets.push_back({defs.size(), fleet.count});
        defs.insert(defs.end(), static_cast<std::size_t>(fleet.count), fleet.def);
    }
    if (defs.empty())
        return Usage("give at least one --projector or --fleet");
    RaiseDescriptorLimit();

    // Every thread inherits this mask; the main thread alone takes the signals, with sigwait.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    pjsim::RequestLog log;
    std::string error;
    if (!log.Open(logPath, error)) {
        std::fprintf(stderr, "pjsim: %s\n", error.c_str());
        return kExitFailure;
    }
    pjsim::StopEvent stop;
    if (!stop.Valid()) {
        std::fprintf(stderr, "pjsim: cannot create the stop pipe\n");
        return kExitFailure;
    }

    std::vector<int> listeners(defs.size(), -1);
    for (const FleetRun& fleet : fleets) {
        std::vector<int> fds;
        if (!pjsim::FleetPorts::Bind(defs[fleet.first].host, fleet.count, fds, error)) {
            std::fprintf(stderr, "pjsim: fleet of %d: %s\n", fleet.count, error.c_str());
            for (int fd : listeners) {
                if (fd >= 0)
                    close(fd);
            }
            return kExitFailure;
        }
        std::copy(fds.begin(), fds.end(), listeners.begin() + static_cast<std::ptrdiff_t>(fleet.first));
    }

    std::vector<std::unique_ptr<pjsim::Endpoint>> endpoints;
    pjsim::PjlinkNotifier notifier(stop);
    for (std::size_t i = 0; i < defs.size(); ++i) {
        auto service = std::make_unique<pjsim::ProjectorService>(static_cast<int>(i + 1), defs[i], log, imageOptions);
        if (defs[i].serial) {
            endpoints.push_back(std::make_unique<pjsim::SerialProjectorPort>(std::move(service), stop));
        } else {
            auto server = std::make_unique<pjsim::TcpProjectorServer>(std::move(service), stop);
            // Class 2 projectors tell their controllers of their changes.
            if (defs[i].protocol == pjsim::Protocol::Pjlink && defs[i].pjlinkClass == 2 &&
                defs[i].notify != pjsim::NotifyMode::Off)
                notifier.Add(server->Service());
            if (listeners[i] >= 0)
                server->UseListener(std::exchange(listeners[i], -1));
            endpoints.push_back(std::move(server));
        }
        if (!endpoints.back()->Start(error)) {
            std::fprintf(stderr, "pjsim: projector %zu: %s\n", i + 1, error.c_str());
            stop.Set();
            return kExitFailure; // the endpoints' destructors join their threads
        }
    }

    // The responder speaks for the network projectors, so it starts once their ports are known.
    std::unique_ptr<pjsim::DiscoveryResponder> responder;
    if (!discoveryArg.empty()) {
        std::vector<pjsim::DiscoveryEntry> entries;
        for (std::size_t i = 0; i < defs.size(); ++i) {
            if (defs[i].serial || defs[i].protocol == pjsim::Protocol::Pjlink)
                continue;
            const std::string name = defs[i].name.empty() ? "pjsim " + std::to_string(i + 1) : defs[i].name;
            entries.push_back({name, endpoints[i]->Address(), defs[i].host});
        }
        responder = std::make_unique<pjsim::DiscoveryResponder>(discoveryHost, discoveryPort, std::move(entries), stop);
        if (!responder->Start(error)) {
            std::fprintf(stderr, "pjsim: discovery: %s\n", error.c_str());
            stop.Set();
            return kExitFailure;
        }
    }

    // A class 2 PJLink projector answers the PJLink search on UDP at its own port number.
    std::vector<std::unique_ptr<pjsim::PjlinkSearchResponder>> searchResponders;
    for (std::size_t i = 0; i < defs.size() && !discoveryArg.empty(); ++i) {
        if (defs[i].protocol != pjsim::Protocol::Pjlink || defs[i].pjlinkClass != 2)
            continue;
        const std::string address = endpoints[i]->Address();
        const int port = std::stoi(address.substr(address.rfind(':') + 1));
        auto service = std::make_unique<pjsim::ProjectorService>(static_cast<int>(i + 1), defs[i], log);
        searchResponders.push_back(std::make_unique<pjsim::PjlinkSearchResponder>(std::move(service), port, stop));
        if (!searchResponders.back()->Start(error)) {
            std::fprintf(stderr, "pjsim: projector %zu: %s\n", i + 1, error.c_str());
            stop.Set();
            return kExitFailure;
        }
    }

    if (!notifier.Empty() && !notifier.Start(error)) {
        std::fprintf(stderr, "pjsim: %s\n", error.c_str());
        stop.Set();
        return kExitFailure;
    }

    for (std::size_t i = 0; i < defs.size(); ++i)
        std::printf("PROJECTOR %zu %s\n", i + 1, endpoints[i]->Address().c_str());
    if (responder)
        std::printf("DISCOVERY %s\n", responder->Address().c_str());
    std::printf("READY\n");
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0) {
    }
    stop.Set();
    for (auto& endpoint : endpoints)
        endpoint->Join();
    if (responder)
        responder->Join();
    for (auto& search : searchResponders)
        search->Join();
    notifier.Join();
    return 0;
}

} // namespace

// Definitions and start-up report their own failures; what still throws (the standard
// library, out of memory or threads, say) ends pjsim with a message rather than an abort.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pjsim: %s\n", e.what());
        return kExitFailure;
    }
}
