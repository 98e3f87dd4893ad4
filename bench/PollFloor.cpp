// The floor of bench_service_poll: the service's polls without the service. Every interval it
// makes the same exchanges with every projector of a fleet (consecutive ports) as one poll of
// the service makes, from one epoll loop (LinkFloor), at most --in-flight at once, for
// --seconds. Prints the rounds, those that did not finish within the interval, and the
// requests answered; its CPU time is read by the benchmark that starts it.
//
//   bench_poll_floor --first-port P --count N --interval S --seconds T --in-flight K --requests A:T:S,...

#include "LinkFloor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// "2:0x6000:0,2:0x3000:0" -> the requests.
bool ParseRequests(const std::string& text, std::vector<linkcore::Request>& out) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos)
            end = text.size();
        unsigned action = 0, type = 0, setting = 0;
        if (std::sscanf(text.substr(at, end - at).c_str(), "%u:%i:%u", &action, &type, &setting) != 3)
            return false;
        out.push_back({static_cast<std::uint16_t>(action), static_cast<std::uint16_t>(type),
                       static_cast<std::uint16_t>(setting)});
        at = end + 1;
    }
    return !out.empty();
}

} // namespace

int main(int argc, char** argv) {
    int firstPort = 0, count = 0, inFlight = 64;
    double interval = 5, seconds = 60;
    std::vector<linkcore::Request> requests;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--first-port")
            firstPort = std::atoi(value.c_str());
        else if (key == "--count")
            count = std::atoi(value.c_str());
        else if (key == "--interval")
            interval = std::atof(value.c_str());
        else if (key == "--seconds")
            seconds = std::atof(value.c_str());
        else if (key == "--in-flight")
            inFlight = std::atoi(value.c_str());
        else if (key == "--requests" && !ParseRequests(value, requests))
            return 2;
    }
    if (firstPort <= 0 || count <= 0 || requests.empty() || inFlight <= 0) {
        std::fprintf(stderr, "usage: bench_poll_floor --first-port P --count N --requests A:T:S,... "
                             "[--interval S] [--seconds T] [--in-flight K]\n");
        return 2;
    }
    std::vector<orvane::bench::FloorJob> jobs(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        jobs[static_cast<std::size_t>(i)].port = firstPort + i;
        jobs[static_cast<std::size_t>(i)].requests = requests;
    }
    orvane::bench::LinkFloor floor(static_cast<std::size_t>(inFlight));
    const auto start = linkcore::SessionClock::now();
    const auto step =
        std::chrono::duration_cast<linkcore::SessionClock::duration>(std::chrono::duration<double>(interval));
    const int rounds = static_cast<int>(seconds / interval + 0.5);
    int late = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto roundStart = start + step * round;
        std::this_thread::sleep_until(roundStart);
        for (const auto& job : jobs)
            floor.Add(job);
        floor.Run(roundStart + step);
        if (!floor.Idle()) {
            ++late;
            floor.Run();
        }
    }
    std::this_thread::sleep_until(start + step * rounds);
    std::printf("floor: rounds=%d late=%d answered=%zu failed=%zu\n", rounds, late, floor.Answered(), floor.Failed());
    return floor.Failed() == 0 ? 0 : 1;
}
