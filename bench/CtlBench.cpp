// orvanectl beside the least a program could do for the same command: "blank on" to five
// projectors played by pjsim on 127.0.0.1, both started as processes, turn about.
// Both make the same ten exchanges: per projector the kind query (the kind is not kept
// between runs of orvanectl) and the blank set, each connection with its hello.
//
// And "status" on five PJLink projectors beside a client that makes the same exchanges
// over one connection per projector (greeting, then the class, power and input queries),
// once with the kept connection and once with KeepConnection=0, which opens one per query.
//
// And "models" on a catalog of 999 models beside "options" in the same folder: the same
// start and the same command-line parsing, without the catalog. The difference is what
// the listing costs; once more with the demo plug-in in the folder's plugin/.
//
//   build/bin/bench_orvanectl

#include "LargeCatalog.h"
#include "PairTiming.h"
#include "SpawnProcess.h"

#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using orvane::test::PjsimProcess;

constexpr int kProjectors = 5;

// The demo's catalog and a configuration of its first model with the five projectors,
// in a working directory of the benchmark's own (no LinkCore.conf: default time-outs).
struct Setup {
    explicit Setup(bool pjlink = false, const std::string& pjlinkConf = {}) {
        std::vector<std::string> defs;
        for (int i = 0; i < kProjectors; ++i)
            defs.push_back(pjlink ? PjsimProcess::Pjlink("power=on,input=31") : PjsimProcess::Tcp("power=on"));
        sim = std::make_unique<PjsimProcess>(defs);
        if (!sim->Ready())
            return;
        std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", std::ios::binary);
        dir.Write("OrvaneModel.txt", std::string(std::istreambuf_iterator<char>(in), {}));
        orvane::ModelList list;
        if (!orvane::LoadModelCatalogFrom(dir.File("OrvaneModel.txt"), list).ok()) {
            std::fprintf(stderr, "the sample model catalog does not read\n");
            std::exit(1);
        }
        orvane::CModelInfo2 model;
        if (!list.empty())
            model = *list.front();
        model.PjtNum = kProjectors;
        model.SelectPrj = 1;
        for (int s = 0; s < kProjectors; ++s) {
            model.ConnectMethod[s] = 1;
            model.PortNo[s] = sim->Port(s + 1);
            orvane::SetText(model.IPAddress[s], "127.0.0.1");
            ports.push_back(std::to_string(sim->Port(s + 1)));
        }
        orvane::ConfigControls controls;
        controls.modelName = model.Name;
        controls.rowChecked[0] = true;
        dir.Write("Orvane.txt", orvane::FormatConfigFile(model, controls, false));
        if (pjlink) {
            std::string list;
            for (const std::string& port : ports)
                list += (list.empty() ? "" : ",") + port;
            dir.Write("LinkCore.conf", "[PJLink]\nPorts=" + list + "\n" + pjlinkConf);
        }
    }
    orvane::test::TempDir dir;
    std::unique_ptr<PjsimProcess> sim;
    std::vector<std::string> ports;
};

orvane::bench::PairTiming g_blank;

void BM_OrvanectlBlankOnBesideMinimalClient(benchmark::State& state) {
    static Setup setup;
    if (!setup.sim->Ready()) {
        state.SkipWithError(setup.sim->Error().c_str());
        return;
    }
    const std::string ctl = std::string(ORVANE_BIN_DIR) + "/orvanectl";
    const std::string client = std::string(ORVANE_BIN_DIR) + "/bench_minimal_client";
    g_blank.Run(
        state,
        [&] {
            return orvane::bench::Run(ctl, {"--dir", setup.dir.path(), "blank", "on"}) == 0;
        },
        [&] { return orvane::bench::Run(client, setup.ports) == 0; });
}
BENCHMARK(BM_OrvanectlBlankOnBesideMinimalClient)->Unit(benchmark::kMillisecond)->Iterations(200);

orvane::bench::PairTiming g_status;
orvane::bench::PairTiming g_statusPerQuery;

void StatusBesideMinimalClient(benchmark::State& state, const Setup& setup, orvane::bench::PairTiming& timing) {
    if (!setup.sim->Ready()) {
        state.SkipWithError(setup.sim->Error().c_str());
        return;
    }
    const std::string ctl = std::string(ORVANE_BIN_DIR) + "/orvanectl";
    const std::string client = std::string(ORVANE_BIN_DIR) + "/bench_minimal_pjlink_client";
    timing.Run(
        state,
        [&] {
            return orvane::bench::Run(ctl, {"--dir", setup.dir.path(), "status"}) == 0;
        },
        [&] { return orvane::bench::Run(client, setup.ports) == 0; });
}

void BM_OrvanectlStatusOnPjlinkBesideMinimalClient(benchmark::State& state) {
    static const Setup setup(true);
    StatusBesideMinimalClient(state, setup, g_status);
}
BENCHMARK(BM_OrvanectlStatusOnPjlinkBesideMinimalClient)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_OrvanectlStatusOnPjlinkPerQueryBesideMinimalClient(benchmark::State& state) {
    static const Setup setup(true, "KeepConnection=0\n");
    StatusBesideMinimalClient(state, setup, g_statusPerQuery);
}
BENCHMARK(BM_OrvanectlStatusOnPjlinkPerQueryBesideMinimalClient)->Unit(benchmark::kMillisecond)->Iterations(200);

// The large catalog with an option file; `withPlugins` adds a plugin/ folder holding the
// build's plug-ins.
struct ListingFolder {
    explicit ListingFolder(bool withPlugins) {
        catalog.Dir().Write("OrvaneOpt.txt", "1\n1\n5\n");
        if (withPlugins)
            std::filesystem::create_directory_symlink(std::string(ORVANE_BIN_DIR) + "/plugin",
                                                      catalog.Dir().File("plugin"));
    }
    orvane::bench::LargeCatalog catalog;
};

orvane::bench::PairTiming g_models;
orvane::bench::PairTiming g_modelsWithPlugin;

void ModelsBesideOptions(benchmark::State& state, const ListingFolder& folder, orvane::bench::PairTiming& timing) {
    const std::string ctl = std::string(ORVANE_BIN_DIR) + "/orvanectl";
    const std::string dir = folder.catalog.Dir().path();
    timing.Run(
        state,
        [&] {
            return orvane::bench::Run(ctl, {"--dir", dir, "models"}) == 0;
        },
        [&] {
            return orvane::bench::Run(ctl, {"--dir", dir, "options"}) == 0;
        });
}

void BM_OrvanectlModelsBesideOptions(benchmark::State& state) {
    static const ListingFolder folder(false);
    ModelsBesideOptions(state, folder, g_models);
}
BENCHMARK(BM_OrvanectlModelsBesideOptions)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_OrvanectlModelsWithPluginBesideOptions(benchmark::State& state) {
    static const ListingFolder folder(true);
    ModelsBesideOptions(state, folder, g_modelsWithPlugin);
}
BENCHMARK(BM_OrvanectlModelsWithPluginBesideOptions)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    g_blank.Print("orvanectl blank on", "minimal client");
    g_status.Print("orvanectl status, 5 PJLink projectors", "minimal PJLink client");
    g_statusPerQuery.Print("orvanectl status, 5 PJLink projectors, KeepConnection=0", "minimal PJLink client");
    g_models.PrintDifference("orvanectl models (999 models)", "orvanectl options");
    g_modelsWithPlugin.PrintDifference("orvanectl models (999 models, demo plug-in)", "orvanectl options");
    benchmark::Shutdown();
    return 0;
}
