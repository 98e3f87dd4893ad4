// A command through the service, from the HTTP request to its answer, beside the floor making
// the same exchanges with the same projectors from one epoll loop (LinkFloor), nothing else:
//   - blank_on to one room of five: the floor makes the room's exchanges one after the other,
//     each on a connection of its own, as the command's handler does (goal at most 1.3x);
//   - blank_on to every room at once (one request per room, all sent together): the floor
//     runs every room's exchanges side by side, one chain per room (goal at most 1.5x).
// The exchanges are read from pjsim's log of a command of the service (the second, when the
// projectors' kinds are known), so the floor's bytes are the service's bytes. Polls are kept
// out of the way by a long poll interval, after the first round has passed; pjsim's log must
// show the timed exchanges and nothing else, or the figures are not printed. Both phases time
// from the request to the answer on a connection the client made before (the request and
// its answer are the service's; the client's connect is not). A GET /healthz timed the same
// way beside the one-room command shows how much of the difference is the HTTP request
// itself, which the floor does not make.
//
//   build/bin/bench_service_command [--rooms 200] [--runs 100]
//
// Talks to pjsim and orvaned on 127.0.0.1 only.

#include "LinkFloor.h"
#include "ServiceHarness.h"

#include "support/PjsimProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace orvane::bench;
using orvane::test::PjsimProcess;

constexpr int kRoomSize = 5;
constexpr int kPollSeconds = 3600;
const std::string kBody = R"({"command": "blank_on"})";

// Waits until pjsim's log has been quiet for `quietSeconds`.
void WaitQuiet(LogTail& tail, double quietSeconds, double atMost) {
    const double end = tail.Now() + atMost;
    std::size_t seen = tail.Lines().size();
    double since = tail.Now();
    while (tail.Now() < end) {
        tail.Follow(0.05, 10);
        if (tail.Lines().size() != seen) {
            seen = tail.Lines().size();
            since = tail.Now();
        } else if (tail.Now() - since >= quietSeconds) {
            return;
        }
    }
}

// The POST of blank_on to one room; true on 200.
bool Command(int port, const std::string& room) {
    return HttpCall(port, "POST", "/api/v1/rooms/" + room + "/commands", kBody).status == 200;
}

// One request on a connection made before the clock starts, timed from the request to its
// answer, as the every-room phase times them: the client's connect is not the service's work.
// Milliseconds, or a negative number when the answer was not 200.
double TimedRequest(int port, const std::string& method, const std::string& path, const std::string& body = {}) {
    const int fd = ConnectLoopback(port);
    const std::string text = HttpRequestText(method, path, body);
    const auto start = Clock::now();
    send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string pending;
    const bool ok = ReadHttpAnswer(fd, pending).status == 200;
    const double ms = SecondsSince(start) * 1e3;
    close(fd);
    return ok ? ms : -1.0;
}

// Connections to the service, one per room, made before the clock starts.
std::vector<int> ConnectEach(int port, int rooms) {
    std::vector<int> fds;
    for (int r = 0; r < rooms; ++r)
        fds.push_back(ConnectLoopback(port));
    return fds;
}

// blank_on to every room at once on those connections: all requests written, then every
// answer read. The number of rooms that answered 200; the connections are closed.
int CommandEach(const std::vector<int>& fds) {
    for (std::size_t r = 0; r < fds.size(); ++r) {
        const std::string text =
            HttpRequestText("POST", "/api/v1/rooms/" + ServiceFolder::RoomId(r) + "/commands", kBody);
        send(fds[r], text.data(), text.size(), MSG_NOSIGNAL);
    }
    int ok = 0;
    for (int fd : fds) {
        std::string pending;
        ok += ReadHttpAnswer(fd, pending).status == 200 ? 1 : 0;
        close(fd);
    }
    return ok;
}

// The exchanges pjsim logged from line `from` on, once its log is quiet.
std::size_t ExchangesSince(LogTail& tail, std::size_t from) {
    WaitQuiet(tail, 0.3, 10);
    std::size_t count = 0;
    for (std::size_t i = from; i < tail.Lines().size(); ++i) {
        orvane::test::PjsimRequest request;
        count += PjsimProcess::ParseRequestLine(tail.Lines()[i].text, request) ? 1 : 0;
    }
    return count;
}

// True when pjsim saw exactly the exchanges the timed runs make: a poll (or anything else) in
// between would have weighed on one side only.
bool OnlyTimedExchanges(LogTail& tail, std::size_t from, std::size_t expected, const char* what) {
    const std::size_t seen = ExchangesSince(tail, from);
    if (seen == expected)
        return true;
    std::fprintf(stderr, "%s: pjsim saw %zu exchanges, the timed runs make %zu\n", what, seen, expected);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    int rooms = 200, runs = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--rooms")
            rooms = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work(dir.path());
    ServiceFleet fleet(rooms * kRoomSize, kRoomSize, "power=on", kPollSeconds);
    if (!fleet.Ready())
        return 1;
    Orvaned& service = fleet.Service();
    LogTail tail(fleet.Sim().LogPath());
    WaitQuiet(tail, 1.0, 60); // the first poll of every projector

    // The exchanges of blank_on to the first room, from the second command on.
    const std::string first = ServiceFolder::RoomId(0);
    if (!Command(service.Port(), first)) {
        std::fprintf(stderr, "blank_on failed\n%s\n", service.Log().c_str());
        return 1;
    }
    WaitQuiet(tail, 0.3, 10);
    const std::size_t before = tail.Lines().size();
    if (!Command(service.Port(), first))
        return 1;
    WaitQuiet(tail, 0.3, 10);
    // One chain per room: projector k of room r is fleet projector r*5+k.
    std::vector<FloorJob> roomChain;
    std::string described;
    for (std::size_t i = before; i < tail.Lines().size(); ++i) {
        orvane::test::PjsimRequest request;
        if (!PjsimProcess::ParseRequestLine(tail.Lines()[i].text, request) || request.projector > kRoomSize)
            continue;
        FloorJob job;
        job.port = request.projector; // the slot for now; the room's port below
        job.requests.push_back({static_cast<std::uint16_t>(request.action), static_cast<std::uint16_t>(request.type),
                                static_cast<std::uint16_t>(request.setting)});
        roomChain.push_back(job);
        char text[64];
        std::snprintf(text, sizeof text, "%s#%d %d:0x%04x:%d", described.empty() ? "" : ", ", request.projector,
                      request.action, request.type, request.setting);
        described += text;
    }
    if (roomChain.empty()) {
        std::fprintf(stderr, "blank_on made no exchange\n");
        return 1;
    }
    std::printf("blank_on to a room as orvaned makes it (pjsim's log; each on a connection of its own): %s\n",
                described.c_str());
    std::vector<std::vector<FloorJob>> chains(static_cast<std::size_t>(rooms), roomChain);
    for (int r = 0; r < rooms; ++r) {
        for (FloorJob& job : chains[static_cast<std::size_t>(r)])
            job.port = fleet.Sim().Port(r * kRoomSize + job.port);
    }

    // One room, turn about, after a few turns that are not kept (the first connections of the
    // run, the allocators' first blocks).
    constexpr int kWarmUp = 5;
    std::vector<double> serviceMs, floorMs, healthMs;
    const std::size_t oneRoomFrom = tail.Lines().size();
    for (int run = -kWarmUp; run < runs; ++run) {
        const double serviceRun = TimedRequest(service.Port(), "POST", "/api/v1/rooms/" + first + "/commands", kBody);
        if (serviceRun < 0)
            return 1;
        LinkFloor floor(1);
        floor.AddChain(chains[0]);
        auto start = Clock::now();
        floor.Run();
        const double floorRun = SecondsSince(start) * 1e3;
        if (floor.Failed() != 0) {
            std::fprintf(stderr, "the floor's exchanges failed\n");
            return 1;
        }
        const double healthRun = TimedRequest(service.Port(), "GET", "/healthz");
        if (healthRun < 0) {
            std::fprintf(stderr, "GET /healthz failed\n");
            return 1;
        }
        if (run >= 0) {
            serviceMs.push_back(serviceRun);
            floorMs.push_back(floorRun);
            healthMs.push_back(healthRun);
        }
    }
    if (!OnlyTimedExchanges(tail, oneRoomFrom, 2 * static_cast<std::size_t>(runs + kWarmUp) * roomChain.size(),
                            "one room"))
        return 1;

    // Every room at once. A first round, not timed, lets the service learn every projector's
    // kind, as the first command to the first room did: the timed rounds then make the floor's
    // exchanges and no others.
    if (const int ok = CommandEach(ConnectEach(service.Port(), rooms)); ok != rooms) {
        std::fprintf(stderr, "%d of %d rooms answered 200\n", ok, rooms);
        return 1;
    }
    WaitQuiet(tail, 0.3, 10);
    std::vector<double> allServiceMs, allFloorMs;
    // CPU seconds over all runs at once: orvaned's and pjsim's while orvaned works, this
    // process's (the floor) and pjsim's while the floor works.
    double serviceCpu = 0, serviceSimCpu = 0, floorCpu = 0, floorSimCpu = 0;
    const int allRuns = std::max(1, runs / 5);
    const std::size_t allRoomsFrom = tail.Lines().size();
    for (int run = 0; run < allRuns; ++run) {
        const std::vector<int> fds = ConnectEach(service.Port(), rooms);
        double cpu = ProcessCpuSeconds(service.Pid());
        double simCpu = ProcessCpuSeconds(fleet.Sim().Pid());
        auto start = Clock::now();
        const int ok = CommandEach(fds);
        allServiceMs.push_back(SecondsSince(start) * 1e3);
        serviceCpu += ProcessCpuSeconds(service.Pid()) - cpu;
        serviceSimCpu += ProcessCpuSeconds(fleet.Sim().Pid()) - simCpu;
        if (ok != rooms) {
            std::fprintf(stderr, "%d of %d rooms answered 200\n", ok, rooms);
            return 1;
        }
        LinkFloor floor(static_cast<std::size_t>(rooms) * kRoomSize);
        for (const auto& chain : chains)
            floor.AddChain(chain);
        cpu = ProcessCpuSeconds(getpid());
        simCpu = ProcessCpuSeconds(fleet.Sim().Pid());
        start = Clock::now();
        floor.Run();
        allFloorMs.push_back(SecondsSince(start) * 1e3);
        floorCpu += ProcessCpuSeconds(getpid()) - cpu;
        floorSimCpu += ProcessCpuSeconds(fleet.Sim().Pid()) - simCpu;
        if (floor.Failed() != 0) {
            std::fprintf(stderr, "the floor's exchanges failed\n");
            return 1;
        }
    }
    if (!OnlyTimedExchanges(tail, allRoomsFrom,
                            2 * static_cast<std::size_t>(allRuns) * static_cast<std::size_t>(rooms) * roomChain.size(),
                            "every room"))
        return 1;
    service.Stop();

    std::printf("\nblank_on to one room of %d: orvaned / floor = %.2fx (medians %.2f ms / %.2f ms over %d runs; goal "
                "at most 1.3x)\n",
                kRoomSize, Median(serviceMs) / Median(floorMs), Median(serviceMs), Median(floorMs), runs);
    std::printf("  of the difference, an HTTP request answered at once (GET /healthz): median %.2f ms\n",
                Median(healthMs));
    std::printf("blank_on to %d rooms at once: orvaned / floor = %.2fx (medians %.1f ms / %.1f ms over %d runs, %zu "
                "exchanges each; goal at most 1.5x)\n",
                rooms, Median(allServiceMs) / Median(allFloorMs), Median(allServiceMs), Median(allFloorMs), allRuns,
                roomChain.size() * static_cast<std::size_t>(rooms));
    std::printf("  CPU over those runs: orvaned %.3f s (pjsim %.3f s) / floor %.3f s (pjsim %.3f s) = %.2fx\n",
                serviceCpu, serviceSimCpu, floorCpu, floorSimCpu, floorCpu > 0 ? serviceCpu / floorCpu : 0.0);
    return 0;
}
