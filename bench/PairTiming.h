#pragma once

// Two ways of doing the same work, timed turn about in one benchmark, so that whatever
// else the machine does at the time weighs on both alike. The ratio is taken of the
// medians. When the work runs in child processes, their CPU time is kept as well: on a
// busy machine it is the steadier figure.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace orvane::bench {

class PairTiming {
public:
    template <typename Measured, typename Floor> void Run(benchmark::State& state, Measured measured, Floor floor) {
        for (auto _ : state) {
            if (!Time(floor, floor_) || !Time(measured, measured_)) {
                state.SkipWithError("a run failed");
                return;
            }
        }
        state.counters["measured_ms"] = Median(measured_.real);
        state.counters["floor_ms"] = Median(floor_.real);
    }

    void Print(const char* measured, const char* floor) const {
        if (measured_.real.empty() || floor_.real.empty())
            return;
        std::printf("%s / %s = %.2fx (medians %.2f ms / %.2f ms over %zu runs each)\n", measured, floor,
                    Median(measured_.real) / Median(floor_.real), Median(measured_.real), Median(floor_.real),
                    measured_.real.size());
    }

    // What the measured work takes beyond the floor: the difference of the medians, in
    // real time and in the child processes' CPU time.
    void PrintDifference(const char* measured, const char* floor) const {
        if (measured_.real.empty() || floor_.real.empty())
            return;
        std::printf("%s - %s = %.2f ms real (medians %.2f ms - %.2f ms), %.2f ms CPU (%.2f ms - %.2f ms) over %zu "
                    "runs each\n",
                    measured, floor, Median(measured_.real) - Median(floor_.real), Median(measured_.real),
                    Median(floor_.real), Median(measured_.cpu) - Median(floor_.cpu), Median(measured_.cpu),
                    Median(floor_.cpu), measured_.real.size());
    }

private:
    struct Samples {
        std::vector<double> real;
        std::vector<double> cpu; // of the children that ended meanwhile
    };

    static double ChildCpuMs() {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
        return ms(usage.ru_utime) + ms(usage.ru_stime);
    }
    template <typename F> static bool Time(F& f, Samples& into) {
        const double cpuBefore = ChildCpuMs();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = f();
        into.real.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        into.cpu.push_back(ChildCpuMs() - cpuBefore);
        return ok;
    }
    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }

    Samples measured_;
    Samples floor_;
};

} // namespace orvane::bench
