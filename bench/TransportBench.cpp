// How much the command path adds to the bare exchanges it makes, and how long a projector
// that does not answer holds up a command. Every floor makes the same exchanges with the
// same bytes as the path it stands beside (connect, hello, request frame, reply, close),
// against the same pjsim projectors; only the program's own work is missing from it.
// Runs against pjsim and in-process listeners on 127.0.0.1 only.
//
//   build/bin/bench_transport
//
// The link runs with its default time-outs (no LinkCore.conf in the benchmark's directory).

#include "commands/CommandHandlers.h"
#include "commands/CommandIds.h"
#include "commands/StatusPoller.h"
#include "link/CommandTransport.h"
#include "linkcore/Frame.h"
#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using orvane::test::PjsimProcess;

constexpr int kProjectors = 5;

class DiscardErrors : public orvane::ISlotErrorSink {
public:
    int ShowSlotError(int, int, int, const std::string&) override {
        ++count;
        return 1;
    }
    int count = 0;
};

class NoWindow : public orvane::IMainWindowSide {
public:
    void HideVolumePopup() override {}
    void ToggleVolumePopup() override {}
    void HideMainWindow() override {}
    void ShowMainWindow() override {}
    bool IsMainWindowVisible() override { return true; }
    void Sleep(int) override {}
};

// The benchmark's own directory, so that no LinkCore.conf of the caller's changes the link.
struct Workplace {
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work{dir.path()};
};

Workplace& Place() {
    static Workplace place;
    return place;
}

// Five projectors that switch power at once, and the main window's half over them.
struct ProjectorSet {
    ProjectorSet() {
        Place();
        std::vector<std::string> defs;
        for (int i = 0; i < kProjectors; ++i)
            defs.push_back(PjsimProcess::Tcp("power=on,warm=0"));
        sim = std::make_unique<PjsimProcess>(defs);
        model.Name = "BENCH";
        model.ModelID = 101;
        model.PjtNum = kProjectors;
        model.SelectPrj = 1;
        for (int s = 0; s < kProjectors; ++s) {
            model.ConnectMethod[s] = 1;
            model.ComNo[s] = 0;
            model.PortNo[s] = sim->Port(s + 1);
            orvane::SetText(model.IPAddress[s], "127.0.0.1");
            orvane::SetText(model.Password[s], "");
        }
    }
    std::unique_ptr<PjsimProcess> sim;
    orvane::CModelInfo2 model;
    CPjtInterface link, pollLink;
    DiscardErrors errors;
    NoWindow window;
    orvane::CommandTransport transport{model, link, pollLink, errors};
    orvane::StatusPoller poller{transport, nullptr};
    orvane::CommandHandlers handlers{transport, poller, window};
};

ProjectorSet& Projectors() {
    static ProjectorSet set;
    return set;
}

// The power set to all five, kinds already known: five exchanges, as the floor has.
void BM_SendToAllPowerSet(benchmark::State& state) {
    ProjectorSet& p = Projectors();
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    p.transport.SendToAll(orvane::kActionSet, orvane::kTypePower, 1, 211); // learns the kinds
    for (auto _ : state)
        p.transport.SendToAll(orvane::kActionSet, orvane::kTypePower, 1, 211);
    if (p.errors.count != 0)
        state.SkipWithError("a projector refused");
}
BENCHMARK(BM_SendToAllPowerSet)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The whole Power On / Power Off handler, alternating so that every run finds projectors to
// switch: per projector the power query and the set (the kinds are cached after the first run).
void BM_PowerHandlerAlternating(benchmark::State& state) {
    ProjectorSet& p = Projectors();
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    bool on = false;
    for (auto _ : state) {
        p.handlers.Run(on ? orvane::kCmdPowerOn : orvane::kCmdPowerOff);
        on = !on;
    }
    p.handlers.Run(orvane::kCmdPowerOn);
    if (p.errors.count != 0)
        state.SkipWithError("a projector refused");
}
BENCHMARK(BM_PowerHandlerAlternating)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One exchange by hand against a pjsim projector, as the link makes it: connect, read the
// hello, write the request frame, read the reply, close. Returns the reply's first byte, or
// -1 when the exchange failed.
int PjsimExchange(int port, std::uint16_t action, std::uint16_t type, std::uint16_t setting) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const linkcore::Frame frame = linkcore::EncodeRequest({action, type, setting});
    unsigned char hello = 0xFF, reply[3] = {};
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 && read(fd, &hello, 1) == 1 &&
              hello == 0 && write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size()) &&
              read(fd, reply, 1) == 1;
    // A data reply's value follows; the link waits for it too.
    if (ok && reply[0] == orvane::kReplyData)
        ok = recv(fd, reply + 1, 2, MSG_WAITALL) == 2;
    close(fd);
    return ok ? reply[0] : -1;
}

// The floor of BM_SendToAllPowerSet: five power sets by hand.
void BM_BarePowerSetFloor(benchmark::State& state) {
    ProjectorSet& p = Projectors();
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    for (auto _ : state) {
        for (int i = 1; i <= kProjectors; ++i) {
            if (PjsimExchange(p.sim->Port(i), orvane::kActionSet, orvane::kTypePower, 1) != orvane::kReplyAck) {
                state.SkipWithError("exchange with pjsim failed");
                return;
            }
        }
    }
}
BENCHMARK(BM_BarePowerSetFloor)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor of BM_PowerHandlerAlternating: per projector the power query and the switch.
void BM_BarePowerSwitchFloor(benchmark::State& state) {
    ProjectorSet& p = Projectors();
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    std::uint16_t on = 0;
    for (auto _ : state) {
        for (int i = 1; i <= kProjectors; ++i) {
            if (PjsimExchange(p.sim->Port(i), orvane::kActionGet, orvane::kTypePower, 0) != orvane::kReplyData ||
                PjsimExchange(p.sim->Port(i), orvane::kActionSet, orvane::kTypePower, on) != orvane::kReplyAck) {
                state.SkipWithError("exchange with pjsim failed");
                return;
            }
        }
        on = on != 0 ? 0 : 1;
    }
    for (int i = 1; i <= kProjectors; ++i)
        PjsimExchange(p.sim->Port(i), orvane::kActionSet, orvane::kTypePower, 1);
}
BENCHMARK(BM_BarePowerSwitchFloor)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A listener whose accept queue is full: connection attempts get no answer at all.
class FullBacklogListener {
public:
    FullBacklogListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 0) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        for (int i = 0; i < 4; ++i) {
            int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            fillers_.push_back(c);
        }
    }
    ~FullBacklogListener() {
        for (int c : fillers_)
            close(c);
        close(fd_);
    }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

// The time from the start of a command to its first error box.
class FirstBoxClock : public orvane::ISlotErrorSink {
public:
    void Start() {
        start_ = std::chrono::steady_clock::now();
        seen_ = false;
    }
    int ShowSlotError(int, int, int, const std::string&) override {
        if (!seen_)
            seconds_.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
        seen_ = true;
        return 1;
    }
    double MeanSeconds() const {
        double sum = 0;
        for (double s : seconds_)
            sum += s;
        return seconds_.empty() ? 0 : sum / static_cast<double>(seconds_.size());
    }

private:
    std::chrono::steady_clock::time_point start_;
    bool seen_ = false;
    std::vector<double> seconds_;
};

// One projector, reached through `port`, as the window holds it.
struct OneProjector {
    explicit OneProjector(int port) {
        Place();
        model.Name = "BENCH";
        model.ModelID = 101;
        model.PjtNum = 1;
        model.SelectPrj = 1;
        model.ConnectMethod[0] = 1;
        model.PortNo[0] = port;
        orvane::SetText(model.IPAddress[0], "127.0.0.1");
    }
    orvane::CModelInfo2 model;
    CPjtInterface link, pollLink;
    FirstBoxClock boxes;
    NoWindow window;
    orvane::CommandTransport transport{model, link, pollLink, boxes};
    orvane::StatusPoller poller{transport, nullptr};
    orvane::CommandHandlers handlers{transport, poller, window};
};

// The floor: one exchange, which waits out one time-out.
void OneExchange(benchmark::State& state, int port) {
    OneProjector p(port);
    for (auto _ : state) {
        orvane::ReplyBuffer reply{};
        benchmark::DoNotOptimize(p.transport.SendToSlot(0, orvane::kActionSet, orvane::kTypeBlank, 1, reply.data()));
    }
}

// The Blank On button, kind unknown: the kind query finds the link dead, and the box
// follows at once.
void BlankOnClick(benchmark::State& state, int port) {
    OneProjector p(port);
    for (auto _ : state) {
        p.boxes.Start();
        p.handlers.Run(orvane::kCmdBlankOn);
    }
    state.counters["first_box_s"] = p.boxes.MeanSeconds();
}

// Nobody answers the connection: bounded by the connect time-out.
void BM_UnansweredConnectExchange(benchmark::State& state) {
    FullBacklogListener listener;
    OneExchange(state, listener.Port());
}
BENCHMARK(BM_UnansweredConnectExchange)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UnansweredConnectBlankOn(benchmark::State& state) {
    FullBacklogListener listener;
    BlankOnClick(state, listener.Port());
}
BENCHMARK(BM_UnansweredConnectBlankOn)->Unit(benchmark::kMillisecond)->Iterations(2);

// Connected, but the projector never speaks, not even its hello: bounded by the reply
// time-out.
void BM_SilentProjectorExchange(benchmark::State& state) {
    Place();
    PjsimProcess sim({PjsimProcess::Tcp("fault=silent")});
    if (!sim.Ready()) {
        state.SkipWithError(sim.Error().c_str());
        return;
    }
    OneExchange(state, sim.Port(1));
}
BENCHMARK(BM_SilentProjectorExchange)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SilentProjectorBlankOn(benchmark::State& state) {
    Place();
    PjsimProcess sim({PjsimProcess::Tcp("fault=silent")});
    if (!sim.Ready()) {
        state.SkipWithError(sim.Error().c_str());
        return;
    }
    BlankOnClick(state, sim.Port(1));
}
BENCHMARK(BM_SilentProjectorBlankOn)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return orvane::bench::RunAndReport(argc, argv, [](orvane::bench::RatioReporter& reporter) {
        reporter.PrintRatio("BM_SendToAllPowerSet", "BM_BarePowerSetFloor");
        reporter.PrintRatio("BM_PowerHandlerAlternating", "BM_BarePowerSwitchFloor");
        reporter.PrintRatio("BM_UnansweredConnectBlankOn", "BM_UnansweredConnectExchange");
        reporter.PrintRatio("BM_SilentProjectorBlankOn", "BM_SilentProjectorExchange");
    });
}
