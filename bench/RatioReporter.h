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
            const double cpuNanos = run.GetAdjustedCPUTime() * Multiplier(run.time_unit);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean") {
                means_[name] = nanos;
                cpuMeans_[name] = cpuNanos;
            } else if (run.run_type == Run::RT_Iteration) {
                nanos_[name] = nanos;
                cpu_[name] = cpuNanos;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Real and CPU time: on a busy machine the CPU time of work that only computes is the
    // steadier figure.
    void PrintTime(const char* name) const {
        if (const double t = Time(name); t > 0)
            std::printf("%s = %.2f ms real, %.2f ms CPU\n", name, t / 1e6, Lookup(cpuMeans_, cpu_, name) / 1e6);
    }
    void PrintCpuRatio(const char* name, const char* floor) const {
        const double a = Lookup(cpuMeans_, cpu_, name), b = Lookup(cpuMeans_, cpu_, floor);
        if (a > 0 && b > 0)
            std::printf("%s / %s = %.2fx (CPU time)\n", name, floor, a / b);
    }
    // The benchmark's real time in nanoseconds; 0 when it did not run.
    double Time(const std::string& name) const { return Lookup(means_, nanos_, name); }
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
    static double Lookup(const std::map<std::string, double>& means, const std::map<std::string, double>& single,
                         const std::string& name) {
        if (auto it = means.find(name); it != means.end())
            return it->second;
        auto it = single.find(name);
        return it != single.end() ? it->second : 0;
    }
    std::map<std::string, double> nanos_;
    std::map<std::string, double> means_;
    std::map<std::string, double> cpu_;
    std::map<std::string, double> cpuMeans_;
};

// The main of every benchmark program: runs the benchmarks named on the command line, then
// lets `report` print its comparisons from the reporter.
template <class Report> int RunAndReport(int argc, char** argv, Report report) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    report(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace orvane::bench
