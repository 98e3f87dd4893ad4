// A command through the service, from the HTTP request to its answer, beside the floor making
// the same exchanges with the same projectors from one epoll loop (LinkFloor), nothing else:
//   - blank_on to one room of five: the floor makes the room's exchanges one after the other,
//     each on a connection of its own, as the command's handler does (goal at most 1.3x);
//   - blank_on to every room at once (one request per room, all sent together): the floor
//     runs every room's exchanges side by side, one chain per room (goal at most 1.5x).
// The exchanges are read from pjsim's log of a command of the service (the second, when the
// projectors' kinds are known), so the floor's bytes are the service's bytes. Polls are kept
// out of the way by a long poll interval, after the first round has passed.
//
//   build/bin/bench_service_command [--rooms 200] [--runs 30]
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

} // namespace

int main(int argc, char** argv) {
    int rooms = 200, runs = 30;
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

    // One room, turn about.
    std::vector<double> serviceMs, floorMs;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        if (!Command(service.Port(), first))
            return 1;
        serviceMs.push_back(SecondsSince(start) * 1e3);
        LinkFloor floor(1);
        floor.AddChain(chains[0]);
        start = Clock::now();
        floor.Run();
        floorMs.push_back(SecondsSince(start) * 1e3);
        if (floor.Failed() != 0) {
            std::fprintf(stderr, "the floor's exchanges failed\n");
            return 1;
        }
    }

    // Every room at once: all requests written, then every answer read.
    std::vector<double> allServiceMs, allFloorMs;
    // CPU seconds over all runs at once: orvaned's and pjsim's while orvaned works, this
    // process's (the floor) and pjsim's while the floor works.
    double serviceCpu = 0, serviceSimCpu = 0, floorCpu = 0, floorSimCpu = 0;
    const int allRuns = std::max(1, runs / 5);
    for (int run = 0; run < allRuns; ++run) {
        std::vector<int> fds;
        for (int r = 0; r < rooms; ++r)
            fds.push_back(ConnectLoopback(service.Port()));
        double cpu = ProcessCpuSeconds(service.Pid());
        double simCpu = ProcessCpuSeconds(fleet.Sim().Pid());
        auto start = Clock::now();
        for (int r = 0; r < rooms; ++r) {
            const std::string text = HttpRequestText(
                "POST", "/api/v1/rooms/" + ServiceFolder::RoomId(static_cast<std::size_t>(r)) + "/commands", kBody);
            send(fds[static_cast<std::size_t>(r)], text.data(), text.size(), MSG_NOSIGNAL);
        }
        int ok = 0;
        for (int fd : fds) {
            std::string pending;
            ok += ReadHttpAnswer(fd, pending).status == 200 ? 1 : 0;
            close(fd);
        }
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
    service.Stop();

    std::printf("\nblank_on to one room of %d: orvaned / floor = %.2fx (medians %.2f ms / %.2f ms over %d runs; goal "
                "at most 1.3x)\n",
                kRoomSize, Median(serviceMs) / Median(floorMs), Median(serviceMs), Median(floorMs), runs);
    std::printf("blank_on to %d rooms at once: orvaned / floor = %.2fx (medians %.1f ms / %.1f ms over %d runs, %zu "
                "exchanges each; goal at most 1.5x)\n",
                rooms, Median(allServiceMs) / Median(allFloorMs), Median(allServiceMs), Median(allFloorMs), allRuns,
                roomChain.size() * static_cast<std::size_t>(rooms));
    std::printf("  CPU over those runs: orvaned %.3f s (pjsim %.3f s) / floor %.3f s (pjsim %.3f s) = %.2fx\n",
                serviceCpu, serviceSimCpu, floorCpu, floorSimCpu, floorCpu > 0 ? serviceCpu / floorCpu : 0.0);
    return 0;
}
