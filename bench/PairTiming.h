#pragma once

// Two ways of doing the same work, timed turn about in one benchmark, so that whatever
// else the machine does at the time weighs on both alike. The ratio is taken of the
// medians.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace orvane::bench {

class PairTiming {
public:
    template <typename Measured, typename Floor> void Run(benchmark::State& state, Measured measured, Floor floor) {
        for (auto _ : state) {
            if (!Time(floor, floorMs_) || !Time(measured, measuredMs_)) {
                state.SkipWithError("a run failed");
                return;
            }
        }
        state.counters["measured_ms"] = Median(measuredMs_);
        state.counters["floor_ms"] = Median(floorMs_);
    }

    void Print(const char* measured, const char* floor) const {
        if (measuredMs_.empty() || floorMs_.empty())
            return;
        std::printf("%s / %s = %.2fx (medians %.2f ms / %.2f ms over %zu runs each)\n", measured, floor,
                    Median(measuredMs_) / Median(floorMs_), Median(measuredMs_), Median(floorMs_), measuredMs_.size());
    }

private:
    template <typename F> static bool Time(F& f, std::vector<double>& into) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = f();
        into.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        return ok;
    }
    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }

    std::vector<double> measuredMs_;
    std::vector<double> floorMs_;
};

} // namespace orvane::bench
