// How long the model catalog takes to read, beside the least any reader of the same file
// must do: read its bytes and split them into lines. The catalog has the largest number
// of models the reader takes (999), each a copy of one of the sample catalog's models; the
// reader's 1 ms pause per model is left out, as it is no work.
//
//   build/bin/bench_catalog

#include "RatioReporter.h"

#include "model/ModelCatalog.h"
#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The sample catalog's model sections, without their headers.
std::vector<std::string> SampleModelBodies() {
    std::string text;
    orvane::ReadWholeFile(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", text, orvane::kMaxModelCatalogSize);
    std::vector<std::string> bodies;
    std::string* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(pos, end - pos);
        pos = end;
        if (line.starts_with("[")) {
            current = line.starts_with("[MODEL]") ? nullptr : &bodies.emplace_back();
            continue;
        }
        if (current != nullptr)
            *current += line;
    }
    return bodies;
}

struct LargeCatalog {
    LargeCatalog() {
        const std::vector<std::string> bodies = SampleModelBodies();
        std::string text = "[MODEL]\r\nNum=" + std::to_string(orvane::kMaxCatalogModels) + "\r\n";
        char line[64];
        for (int i = 1; i <= orvane::kMaxCatalogModels; ++i) {
            std::snprintf(line, sizeof line, "Model_%03d=Model %03d\r\n", i, i);
            text += line;
        }
        for (int i = 1; i <= orvane::kMaxCatalogModels; ++i) {
            std::snprintf(line, sizeof line, "[Model %03d]\r\n", i);
            text += line;
            text += bodies.empty() ? std::string() : bodies[static_cast<std::size_t>(i - 1) % bodies.size()];
        }
        dir.Write("OrvaneModel.txt", text);
        path = dir.File("OrvaneModel.txt");
        bytes = text.size();
    }
    orvane::test::TempDir dir;
    std::string path;
    std::size_t bytes = 0;
};

const LargeCatalog& Catalog() {
    static const LargeCatalog catalog;
    return catalog;
}

void BM_LoadModelCatalog(benchmark::State& state) {
    const LargeCatalog& catalog = Catalog();
    orvane::ModelList list;
    for (auto _ : state) {
        orvane::LoadModelCatalogFrom(catalog.path, list, 0);
        benchmark::DoNotOptimize(list.data());
    }
    if (list.size() != static_cast<std::size_t>(orvane::kMaxCatalogModels))
        state.SkipWithError("the catalog did not give every model");
    state.counters["models"] = static_cast<double>(list.size());
    state.counters["bytes"] = static_cast<double>(catalog.bytes);
}
BENCHMARK(BM_LoadModelCatalog)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The floor: the same bytes read and cut into lines, nothing else.
void BM_ReadAndSplitLinesFloor(benchmark::State& state) {
    const LargeCatalog& catalog = Catalog();
    std::string text;
    std::vector<std::string_view> lines;
    for (auto _ : state) {
        orvane::ReadWholeFile(catalog.path, text, orvane::kMaxModelCatalogSize);
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
