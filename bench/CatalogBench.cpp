// How long the model catalog takes to read, beside the least any reader of the same file
// must do: read its bytes and split them into lines. The catalog has the largest number
// of models the reader takes (999), each a copy of one of the sample catalog's models; the
// reader's 1 ms pause per model is left out, as it is no work.
//
//   build/bin/bench_catalog

#include "LargeCatalog.h"
#include "RatioReporter.h"

#include "model/ModelCatalog.h"
#include "platform/FileUtil.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const orvane::bench::LargeCatalog& Catalog() {
    static const orvane::bench::LargeCatalog catalog;
    return catalog;
}

void BM_LoadModelCatalog(benchmark::State& state) {
    const orvane::bench::LargeCatalog& catalog = Catalog();
    orvane::ModelList list;
    for (auto _ : state) {
        static_cast<void>(orvane::LoadModelCatalogFrom(catalog.Path(), list, 0)); // the list is checked below
        benchmark::DoNotOptimize(list.data());
    }
    if (list.size() != static_cast<std::size_t>(orvane::kMaxCatalogModels))
        state.SkipWithError("the catalog did not give every model");
    state.counters["models"] = static_cast<double>(list.size());
    state.counters["bytes"] = static_cast<double>(catalog.Bytes());
}
BENCHMARK(BM_LoadModelCatalog)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The floor: the same bytes read and cut into lines, nothing else.
void BM_ReadAndSplitLinesFloor(benchmark::State& state) {
    const orvane::bench::LargeCatalog& catalog = Catalog();
    std::string text;
    std::vector<std::string_view> lines;
    for (auto _ : state) {
        static_cast<void>(orvane::ReadWholeFile(catalog.Path(), text, orvane::kMaxModelCatalogSize)); // as the list
        lines.clear();
        std::string_view rest = text;
        while (!rest.empty()) {
            const std::size_t end = rest.find_first_of("\r\n");
            lines.push_back(rest.substr(0, end));
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_ReadAndSplitLinesFloor)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv) {
    return orvane::bench::RunAndReport(argc, argv, [](orvane::bench::RatioReporter& reporter) {
        reporter.PrintTime("BM_LoadModelCatalog");
        reporter.PrintTime("BM_ReadAndSplitLinesFloor");
        reporter.PrintRatio("BM_LoadModelCatalog", "BM_ReadAndSplitLinesFloor");
        reporter.PrintCpuRatio("BM_LoadModelCatalog", "BM_ReadAndSplitLinesFloor");
    });
}
