#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace orvane::bench {

// Keeps the mean real time of every benchmark to put the command path beside its floor.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the mean stands for the benchmark, else its one run.
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations <= 0)
                continue;
            const std::string& name = run.run_name.function_name;
            const double nanos = run.GetAdjustedRealTime() * Multiplier(run.time_unit);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean")
                means_[name] = nanos;
            else if (run.run_type == Run::RT_Iteration)
                nanos_[name] = nanos;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintTime(const char* name) const {
        if (const double t = Time(name); t > 0)
            std::printf("%s = %.2f ms\n", name, t / 1e6);
    }
    void PrintRatio(const char* name, const char* floor) const {
        const double a = Time(name), b = Time(floor);
        if (a > 0 && b > 0)
            std::printf("%s / %s = %.2fx\n", name, floor, a / b);
    }

private:
    static double Multiplier(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        case benchmark::kNanosecond:
            break;
        }
        return 1;
    }
    double Time(const std::string& name) const {
        if (auto it = means_.find(name); it != means_.end())
            return it->second;
        auto it = nanos_.find(name);
        return it != nanos_.end() ? it->second : 0;
    }
    std::map<std::string, double> nanos_;
    std::map<std::string, double> means_;
};

} // namespace orvane::bench
