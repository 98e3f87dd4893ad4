// GET /api/v1/rooms/{id} from orvaned's state cache over 32 keep-alive connections, beside a
// server of the same make (bench_fixed_http: Beast on one Asio loop) answering the same body,
// byte for byte, without looking anything up. The load comes from one epoll loop here, each
// connection asking again as soon as its answer is in. Runs turn about; medians.
// Goal: orvaned at most 1.5x the fixed body's time.
//
//   build/bin/bench_service_http [--requests 20000] [--runs 5]
//
// Talks to pjsim, orvaned and bench_fixed_http on 127.0.0.1 only.

#include "ServiceHarness.h"

#include "support/ChildProgram.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/epoll.h>
#include <vector>

namespace {

using namespace orvane::bench;

constexpr int kConnections = 32;
constexpr int kRooms = 5;
constexpr int kRoomSize = 5;

// Makes `total` requests over kConnections kept-alive connections; the seconds it took, or -1
// when a request went unanswered or an answer was not 200 with `bodySize` bytes.
double Load(int port, const std::string& request, int total, std::size_t bodySize) {
    struct Conn {
        int fd = -1;
        std::string in;
    };
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    std::vector<Conn> conns(kConnections);
    for (Conn& c : conns) {
        c.fd = ConnectLoopback(port);
        if (c.fd < 0)
            return -1;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &c;
        epoll_ctl(epoll, EPOLL_CTL_ADD, c.fd, &ev);
    }
    int sent = 0, answered = 0;
    bool bad = false;
    const auto start = Clock::now();
    for (Conn& c : conns) {
        if (sent < total && send(c.fd, request.data(), request.size(), MSG_NOSIGNAL) > 0)
            ++sent;
    }
    epoll_event events[kConnections];
    char buffer[65536];
    while (answered < total && !bad) {
        const int n = epoll_wait(epoll, events, kConnections, 5000);
        if (n <= 0) {
            bad = true;
            break;
        }
        for (int i = 0; i < n; ++i) {
            Conn& c = *static_cast<Conn*>(events[i].data.ptr);
            const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                bad = true;
                break;
            }
            c.in.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = c.in.find("\r\n\r\n");
            if (end == std::string::npos || c.in.size() < end + 4 + bodySize)
                continue;
            if (c.in.compare(0, 12, "HTTP/1.1 200") != 0 || c.in.size() != end + 4 + bodySize) {
                bad = true;
                break;
            }
            c.in.clear();
            ++answered;
            if (sent < total && send(c.fd, request.data(), request.size(), MSG_NOSIGNAL) > 0)
                ++sent;
        }
    }
    const double seconds = SecondsSince(start);
    for (Conn& c : conns)
        close(c.fd);
    close(epoll);
    return bad ? -1 : seconds;
}

} // namespace

int main(int argc, char** argv) {
    int requests = 20000, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--requests")
            requests = std::max(kConnections, std::atoi(argv[i + 1]));
        else if (key == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work(dir.path());
    // Polls far apart, so that the cached room does not change under the load.
    ServiceFleet fleet(kRooms * kRoomSize, kRoomSize, "power=on,input=3,volume=20", 3600);
    if (!fleet.Ready())
        return 1;
    Orvaned& service = fleet.Service();
    const std::string path = "/api/v1/rooms/" + ServiceFolder::RoomId(0);
    // The first poll fills the cache: wait until the room's projectors have been seen.
    HttpAnswer room;
    for (int i = 0; i < 100; ++i) {
        room = HttpCall(service.Port(), "GET", path);
        if (room.status == 200 && room.body.find("\"last_seen\":null") == std::string::npos &&
            room.body.find("\"last_seen\": null") == std::string::npos)
            break;
        usleep(100000);
    }
    if (room.status != 200) {
        std::fprintf(stderr, "GET %s answered %d\n", path.c_str(), room.status);
        return 1;
    }
    const std::string bodyFile = dir.File("room.json");
    std::ofstream(bodyFile, std::ios::binary) << room.body;
    orvane::test::ChildProgram fixed;
    int fixedPort = 0;
    const bool started = fixed.Start({orvane::test::BinPath("bench_fixed_http"), bodyFile},
                                     orvane::test::ChildProgram::Errors::ToFile, dir.File("fixed.err")) &&
                         fixed.ReadLines(Clock::now() + std::chrono::seconds(30), [&](const std::string& line) {
                             if (line.rfind("LISTENING http://", 0) == 0)
                                 fixedPort = std::stoi(line.substr(line.rfind(':') + 1));
                             return line == "READY";
                         }) == orvane::test::ChildProgram::Read::Done;
    if (!started || fixedPort == 0) {
        std::fprintf(stderr, "bench_fixed_http did not start\n");
        return 1;
    }

    const std::string request = HttpRequestText("GET", path);
    std::vector<double> serviceS, fixedS;
    double serviceCpu = 0, fixedCpu = 0;
    for (int run = 0; run < runs; ++run) {
        double cpu = ProcessCpuSeconds(fixed.Pid());
        const double f = Load(fixedPort, request, requests, room.body.size());
        fixedCpu += ProcessCpuSeconds(fixed.Pid()) - cpu;
        cpu = ProcessCpuSeconds(service.Pid());
        const double s = Load(service.Port(), request, requests, room.body.size());
        serviceCpu += ProcessCpuSeconds(service.Pid()) - cpu;
        if (f < 0 || s < 0) {
            std::fprintf(stderr, "a load run failed (fixed %.3f, orvaned %.3f)\n", f, s);
            return 1;
        }
        fixedS.push_back(f);
        serviceS.push_back(s);
    }
    std::printf("GET %s (%zu-byte body), %d requests over %d keep-alive connections, %d runs each\n", path.c_str(),
                room.body.size(), requests, kConnections, runs);
    std::printf("orvaned / fixed body = %.2fx (medians %.1f ms / %.1f ms; %.0f / %.0f requests/s; goal at most 1.5x)\n",
                Median(serviceS) / Median(fixedS), Median(serviceS) * 1e3, Median(fixedS) * 1e3,
                requests / Median(serviceS), requests / Median(fixedS));
    std::printf("server CPU: orvaned / fixed body = %.2fx (%.3f s / %.3f s over all runs)\n",
                fixedCpu > 0 ? serviceCpu / fixedCpu : 0.0, serviceCpu, fixedCpu);
    return 0;
}
