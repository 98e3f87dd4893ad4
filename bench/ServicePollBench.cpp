// The service's polling at scale: a pjsim fleet in rooms of five, polled by orvaned every
// interval. Three runs against the same fleet:
//   1. orvaned, every projector answering: its CPU time over the measured window, its peak
//      memory, and whether every round reached every projector within the interval;
//   2. the floor (bench_poll_floor): the same exchanges (read from pjsim's log of run 1: one
//      connection per projector and poll carrying the poll's requests) for as many rounds,
//      from one epoll loop, with the same limit of exchanges in flight; its CPU time;
//   3. orvaned again with the last projectors silent (accepting, never answering): whether
//      every round still reached every answering projector within the interval.
// Runs 1 and 2 are made --runs times, turn about, as the machine's own noise moves either side
// of the ratio from one run to the next by more than a tenth.
// Prints the median of orvaned's CPU time over the floor's (goal at most 1.5x) with each pair's,
// the rounds (goal: all within the interval, in every run) and orvaned's peak RSS (goal at most
// 64 MiB).
//
//   build/bin/bench_service_poll [--projectors 1000] [--interval 5] [--seconds 60] [--silent 100] [--runs 3]
//
// Talks to pjsim and orvaned on 127.0.0.1 only.

#include "ServiceHarness.h"

#include "support/PjsimProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using namespace orvane::bench;
using orvane::test::PjsimProcess;

constexpr int kRoomSize = 5;
constexpr int kInFlight = 64;

struct Options {
    int projectors = 1000;
    int interval = 5;
    double seconds = 60;
    int silent = 100;
    int runs = 3;
};

// One projector's polls, as pjsim logged them during a run.
struct PollLog {
    std::vector<double> starts;        // the time of each poll's first request
    std::vector<double> ends;          // and of its last
    std::vector<std::string> lastPoll; // "action:type:setting" of the last poll's requests
};

struct RunFigures {
    double cpuSeconds = 0;
    double peakRssMiB = 0;
    std::size_t requests = 0;
    int windows = 0;              // whole rounds in the measured window
    int fullWindows = 0;          // of those, the ones that reached every answering projector
    double longestRound = 0;      // from a round's first poll to its last request
    double largestGap = 0;        // the longest time between two polls of one projector
    std::map<int, PollLog> polls; // by projector number
};

// Groups pjsim's REQ lines into polls: a poll's requests follow one another within a fraction
// of the interval, polls of one projector are an interval apart.
void ReadPolls(const LogTail& tail, double from, double to, double interval, std::size_t answering,
               RunFigures& figures) {
    for (const LogTail::Line& line : tail.Lines()) {
        if (line.at < from || line.at > to)
            continue;
        orvane::test::PjsimRequest request;
        if (!PjsimProcess::ParseRequestLine(line.text, request))
            continue;
        ++figures.requests;
        PollLog& log = figures.polls[request.projector];
        char op[48];
        std::snprintf(op, sizeof op, "%d:0x%04x:%d", request.action, request.type, request.setting);
        if (log.starts.empty() || line.at - log.starts.back() > interval / 2) {
            log.starts.push_back(line.at);
            log.ends.push_back(line.at);
            log.lastPoll.clear();
        }
        log.ends.back() = line.at;
        log.lastPoll.emplace_back(op);
    }
    // Rounds: the polls' starts of all projectors fall into bursts an interval apart (polls
    // held back behind silent projectors trail their burst by up to a time-out, so only a gap
    // of half an interval ends a round). A round is whole when it reached every answering
    // projector; its length runs from its first poll to its last request.
    struct Poll {
        double start, end;
        int projector;
        bool operator<(const Poll& o) const { return start < o.start; }
    };
    std::vector<Poll> polls;
    for (const auto& [n, log] : figures.polls) {
        for (std::size_t i = 0; i < log.starts.size(); ++i)
            polls.push_back({log.starts[i], log.ends[i], n});
    }
    std::sort(polls.begin(), polls.end());
    std::vector<std::vector<Poll>> rounds;
    for (const Poll& poll : polls) {
        if (rounds.empty() || poll.start - rounds.back().back().start > interval / 2)
            rounds.emplace_back();
        rounds.back().push_back(poll);
    }
    // The first and the last burst may be cut by the window's edges.
    for (std::size_t r = 1; r + 1 < rounds.size(); ++r) {
        std::set<int> reached;
        double end = 0;
        for (const Poll& poll : rounds[r]) {
            reached.insert(poll.projector);
            end = std::max(end, poll.end);
        }
        ++figures.windows;
        if (reached.size() >= answering)
            ++figures.fullWindows;
        figures.longestRound = std::max(figures.longestRound, end - rounds[r].front().start);
    }
    for (const auto& [n, log] : figures.polls) {
        for (std::size_t i = 1; i < log.starts.size(); ++i)
            figures.largestGap = std::max(figures.largestGap, log.starts[i] - log.starts[i - 1]);
    }
}

std::vector<std::vector<int>> Rooms(const std::vector<int>& ports) {
    std::vector<std::vector<int>> rooms;
    for (std::size_t i = 0; i < ports.size(); i += kRoomSize)
        rooms.emplace_back(ports.begin() + static_cast<std::ptrdiff_t>(i),
                           ports.begin() + static_cast<std::ptrdiff_t>(std::min(ports.size(), i + kRoomSize)));
    return rooms;
}

// orvaned on these rooms: one interval to settle, then the measured window.
bool RunService(const std::vector<int>& ports, std::size_t answering, const Options& options,
                const std::string& logPath, RunFigures& figures) {
    ServiceFolder folder(Rooms(ports), options.interval, kInFlight);
    LogTail tail(logPath);
    tail.Poll(); // what earlier runs logged is not this run's
    Orvaned service(folder);
    if (!service.Ready()) {
        std::fprintf(stderr, "orvaned did not start:\n%s\n", service.Error().c_str());
        return false;
    }
    tail.Follow(options.interval);
    const double from = tail.Now();
    const double cpuBefore = ProcessCpuSeconds(service.Pid());
    tail.Follow(options.seconds);
    const double to = tail.Now();
    figures.cpuSeconds = ProcessCpuSeconds(service.Pid()) - cpuBefore;
    figures.peakRssMiB = PeakRssMiB(service.Pid());
    if (service.Stop() != 0)
        std::fprintf(stderr, "orvaned did not end with status 0 on SIGTERM\n");
    ReadPolls(tail, from, to, options.interval, answering, figures);
    return true;
}

// The floor for as many rounds as the measured window holds; its CPU time from wait4.
bool RunFloor(int firstPort, int count, const std::string& requests, const Options& options, const std::string& logPath,
              double& cpuSeconds, std::size_t& logged) {
    LogTail tail(logPath);
    tail.Poll();
    const std::size_t before = tail.Lines().size();
    char interval[16], seconds[32];
    std::snprintf(interval, sizeof interval, "%d", options.interval);
    std::snprintf(seconds, sizeof seconds, "%g", options.seconds);
    const std::vector<std::string> args = {"--first-port", std::to_string(firstPort),
                                           "--count",      std::to_string(count),
                                           "--interval",   interval,
                                           "--seconds",    seconds,
                                           "--in-flight",  std::to_string(kInFlight),
                                           "--requests",   requests};
    std::vector<char*> argv;
    const std::string path = orvane::test::BinPath("bench_poll_floor");
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    cpuSeconds = secs(usage.ru_utime) + secs(usage.ru_stime);
    tail.Poll();
    logged = tail.Lines().size() - before;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PrintRounds(const char* what, const RunFigures& f, std::size_t answering) {
    std::printf("%s: %d of %d whole rounds reached all %zu answering projectors (polled: %zu); longest round %.2f s "
                "(goal: within the interval); longest time between two polls of one projector %.2f s; %zu requests\n",
                what, f.fullWindows, f.windows, answering, f.polls.size(), f.longestRound, f.largestGap, f.requests);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--projectors")
            options.projectors = std::atoi(argv[i + 1]);
        else if (key == "--interval")
            options.interval = std::atoi(argv[i + 1]);
        else if (key == "--seconds")
            options.seconds = std::atof(argv[i + 1]);
        else if (key == "--silent")
            options.silent = std::atoi(argv[i + 1]);
        else if (key == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
    }
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work(dir.path());
    PjsimProcess fleet({}, {"--fleet", std::to_string(options.projectors) + ",power=on,input=3,volume=20"});
    PjsimProcess silent({}, {"--fleet", std::to_string(std::max(1, options.silent)) + ",fault=silent"});
    if (!fleet.Ready() || !silent.Ready()) {
        std::fprintf(stderr, "pjsim did not start: %s %s\n", fleet.Error().c_str(), silent.Error().c_str());
        return 1;
    }
    std::vector<int> ports;
    for (int n = 1; n <= options.projectors; ++n)
        ports.push_back(fleet.Port(n));

    // The first run tells which requests a poll makes; the floor makes the same ones.
    std::vector<RunFigures> services(static_cast<std::size_t>(options.runs));
    std::vector<double> floorCpus;
    std::string requests;
    std::size_t floorLogged = 0;
    bool floorOk = true;
    for (int run = 0; run < options.runs; ++run) {
        RunFigures& service = services[static_cast<std::size_t>(run)];
        if (!RunService(ports, ports.size(), options, fleet.LogPath(), service))
            return 1;
        if (run == 0) {
            const auto first = service.polls.find(1);
            if (first == service.polls.end() || first->second.lastPoll.empty()) {
                std::fprintf(stderr, "orvaned polled no projector\n");
                return 1;
            }
            for (const std::string& op : first->second.lastPoll)
                requests += (requests.empty() ? "" : ",") + op;
            std::printf("one poll of a projector as orvaned makes it (pjsim's log): %s\n", requests.c_str());
        }
        double floorCpu = 0;
        floorOk =
            RunFloor(fleet.Port(1), options.projectors, requests, options, fleet.LogPath(), floorCpu, floorLogged) &&
            floorOk;
        floorCpus.push_back(floorCpu);
        std::printf("run %d: orvaned %.3f s, floor %.3f s of CPU\n", run + 1, service.cpuSeconds, floorCpu);
        std::fflush(stdout);
    }

    RunFigures withSilent;
    std::vector<int> mixed = ports;
    const int silentCount = std::min(options.silent, options.projectors);
    for (int i = 0; i < silentCount; ++i)
        mixed[mixed.size() - 1 - static_cast<std::size_t>(i)] = silent.Port(i + 1);
    if (options.silent > 0 && !RunService(mixed, static_cast<std::size_t>(options.projectors - silentCount), options,
                                          fleet.LogPath(), withSilent))
        return 1;

    std::printf("\n%d projectors in rooms of %d, polled every %d s, measured over %.0f s, %d runs turn about\n",
                options.projectors, kRoomSize, options.interval, options.seconds, options.runs);
    std::vector<double> ratios;
    double peakRss = 0;
    std::string each;
    for (std::size_t run = 0; run < services.size(); ++run) {
        PrintRounds("orvaned", services[run], static_cast<std::size_t>(options.projectors));
        const double ratio = floorCpus[run] > 0 ? services[run].cpuSeconds / floorCpus[run] : 0.0;
        ratios.push_back(ratio);
        peakRss = std::max(peakRss, services[run].peakRssMiB);
        char text[32];
        std::snprintf(text, sizeof text, "%s%.2fx", each.empty() ? "" : ", ", ratio);
        each += text;
    }
    std::printf("floor: %zu requests logged by pjsim in its last run%s\n", floorLogged,
                floorOk ? "" : " (some rounds were late or failed)");
    if (options.silent > 0)
        PrintRounds("orvaned with silent projectors", withSilent,
                    static_cast<std::size_t>(options.projectors - silentCount));
    std::printf("orvaned CPU / floor CPU = %.2fx, the median of %s (goal at most 1.5x)\n", Median(ratios),
                each.c_str());
    std::printf("orvaned peak RSS = %.1f MiB (goal at most 64 MiB)\n", peakRss);
    if (options.silent > 0)
        std::printf("orvaned peak RSS with silent projectors = %.1f MiB\n", withSilent.peakRssMiB);
    return 0;
}
