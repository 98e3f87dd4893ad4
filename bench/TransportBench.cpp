// How much the command path adds to a bare loopback exchange, and how long a projector that
// does not answer holds up a command. Runs against pjsim and an in-process listener on
// 127.0.0.1 only.
//
//   build-cmd/bin/bench_transport
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
BENCHMARK(BM_SendToAllPowerSet)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_PowerHandlerAlternating)->Unit(benchmark::kMicrosecond);

// A listener that does the least a projector could: read ten bytes, answer one, hang up.
class TrivialListener {
public:
    TrivialListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        addr_.sin_family = AF_INET;
        addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr_;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr_), sizeof addr_) != 0 || listen(fd_, 64) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr_), &len) != 0)
            return;
        thread_ = std::thread([this] { Serve(); });
    }
    ~TrivialListener() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        close(fd_);
    }
    const sockaddr_in& Address() const { return addr_; }

private:
    void Serve() {
        while (!stop_) {
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            unsigned char frame[10];
            std::size_t got = 0;
            while (got < sizeof frame) {
                ssize_t n = read(c, frame + got, sizeof frame - got);
                if (n <= 0)
                    break;
                got += static_cast<std::size_t>(n);
            }
            unsigned char ack = 6;
            if (got == sizeof frame && write(c, &ack, 1) != 1) {
            }
            close(c);
        }
    }
    int fd_ = -1;
    sockaddr_in addr_{};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool BareExchange(const sockaddr_in& addr) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    unsigned char frame[10] = {0xA5, 0x5A, 1, 0, 0, 0x60, 1, 0, 0, 0};
    unsigned char reply = 0;
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
              write(fd, frame, sizeof frame) == static_cast<ssize_t>(sizeof frame) && read(fd, &reply, 1) == 1;
    close(fd);
    return ok && reply == 6;
}

// The floor: five bare exchanges, one after another, as the send to all makes them.
void BM_LoopbackFloor(benchmark::State& state) {
    static TrivialListener listener;
    for (auto _ : state) {
        for (int i = 0; i < kProjectors; ++i) {
            if (!BareExchange(listener.Address())) {
                state.SkipWithError("bare exchange failed");
                return;
            }
        }
    }
}
BENCHMARK(BM_LoopbackFloor)->Unit(benchmark::kMicrosecond);

// The same wire traffic as the link's, made by hand against the same pjsim projectors:
// connect, read the hello, write the request frame, read the acknowledgement, close. Beside
// BM_LoopbackFloor it shows what the simulator's side costs; beside BM_SendToAllPowerSet what
// the transport and the link add on the client's side.
bool PjsimExchange(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const linkcore::Frame frame = linkcore::EncodeRequest({orvane::kActionSet, orvane::kTypePower, 1});
    unsigned char hello = 0xFF, reply = 0;
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 && read(fd, &hello, 1) == 1 &&
              write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size()) && read(fd, &reply, 1) == 1;
    close(fd);
    return ok && hello == 0 && reply == orvane::kReplyAck;
}

void BM_PjsimBareExchange(benchmark::State& state) {
    ProjectorSet& p = Projectors();
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    for (auto _ : state) {
        for (int i = 1; i <= kProjectors; ++i) {
            if (!PjsimExchange(p.sim->Port(i))) {
                state.SkipWithError("exchange with pjsim failed");
                return;
            }
        }
    }
}
BENCHMARK(BM_PjsimBareExchange)->Unit(benchmark::kMicrosecond);

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

// One projector, reached through `port`; `command` runs once per iteration.
template <typename Command> void TimeOneProjector(benchmark::State& state, int port, Command command) {
    Place();
    orvane::CModelInfo2 model;
    model.Name = "BENCH";
    model.ModelID = 101;
    model.PjtNum = 1;
    model.SelectPrj = 1;
    model.ConnectMethod[0] = 1;
    model.PortNo[0] = port;
    orvane::SetText(model.IPAddress[0], "127.0.0.1");
    CPjtInterface link, pollLink;
    DiscardErrors errors;
    orvane::CommandTransport transport(model, link, pollLink, errors);
    for (auto _ : state)
        command(transport);
}

void OneExchange(orvane::CommandTransport& t) {
    orvane::ReplyBuffer reply{};
    benchmark::DoNotOptimize(t.SendToSlot(0, orvane::kActionSet, orvane::kTypeBlank, 1, reply.data()));
}

void BlankOnToAll(orvane::CommandTransport& t) {
    t.SendToAll(orvane::kActionSet, orvane::kTypeBlank, 1, 89);
}

// Nobody answers the connection: bounded by the connect time-out.
void BM_UnansweredConnectExchange(benchmark::State& state) {
    FullBacklogListener listener;
    TimeOneProjector(state, listener.Port(), OneExchange);
}
BENCHMARK(BM_UnansweredConnectExchange)->Unit(benchmark::kMillisecond)->Iterations(2);

// A whole Blank On: the kind query and the set each wait out the connect time-out.
void BM_UnansweredConnectCommand(benchmark::State& state) {
    FullBacklogListener listener;
    TimeOneProjector(state, listener.Port(), BlankOnToAll);
}
BENCHMARK(BM_UnansweredConnectCommand)->Unit(benchmark::kMillisecond)->Iterations(1);

// Connected, but the projector never speaks: bounded by the reply time-out.
void BM_SilentProjectorExchange(benchmark::State& state) {
    Place();
    PjsimProcess sim({PjsimProcess::Tcp("fault=silent")});
    if (!sim.Ready()) {
        state.SkipWithError(sim.Error().c_str());
        return;
    }
    TimeOneProjector(state, sim.Port(1), OneExchange);
}
BENCHMARK(BM_SilentProjectorExchange)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    orvane::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_SendToAllPowerSet", "BM_LoopbackFloor");
    reporter.PrintRatio("BM_PowerHandlerAlternating", "BM_LoopbackFloor");
    reporter.PrintRatio("BM_SendToAllPowerSet", "BM_PjsimBareExchange");
    reporter.PrintRatio("BM_PjsimBareExchange", "BM_LoopbackFloor");
    benchmark::Shutdown();
    return 0;
}
