// orvanectl's listings for shells and scripts: the configurations of the program directory and
// the input names the input command takes. Bash completion reads both.

#include "CtlContext.h"

#include "commands/InputTables.h"
#include "model/ConfigFile.h"
#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <system_error>

namespace orvane::ctl {

namespace {

// Per-model files are the .txt files of the program directory whose model is their own name;
// the model catalog, the option file and the user list are not.
int RunConfigs() {
    std::error_code ec;
    std::filesystem::directory_iterator it(ProgramDir(), ec);
    if (ec) {
        PrintError("cannot read the program directory " + ProgramDir() + ": " + ec.message());
        return kExitFailed;
    }
    std::set<std::string> names;
    for (const auto& entry : it) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() != ".txt" || !entry.is_regular_file(ec))
            continue;
        const std::string name = path.stem().string();
        if (ModelFilePath(name).empty())
            continue;
        if (PrivateProfile::Load(path.string()).GetString("GENERAL", "MODEL") == name)
            names.insert(name);
    }
    for (const std::string& name : names)
        std::cout << name << '\n';
    return kExitOk;
}

int RunInputs(const std::string& configName) {
    CModelInfo2 working;
    if (int rc = LoadConfiguration(configName, working); rc != 0)
        return rc;
    for (const InputRow& row : InputTableForModel(working.ModelID))
        std::cout << row.name << '\n';
    return kExitOk;
}

} // namespace

void AddListCommands(CLI::App& app, CtlContext& ctx) {
    auto config = std::make_shared<std::string>();
    auto* configs = app.add_subcommand("configs", "List the configurations (per-model files) of the program directory");
    configs->callback([&ctx] { ctx.run = [] { return RunConfigs(); }; });

    auto projector = std::make_shared<int>(0);
    auto* inputs = app.add_subcommand("inputs", "List the input names the input command takes");
    inputs
        ->add_option("--config", *config,
                     "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt")
        ->type_name("MODEL");
    inputs
        ->add_option("--projector", *projector,
                     "List the inputs PJLink projector N (1-5) says it has, for input pjlink:CODE")
        ->type_name("N");
    inputs->callback([&ctx, config, projector] {
        ctx.run = [config, projector] {
            return *projector != 0 ? RunProjectorInputs(*config, *projector) : RunInputs(*config);
        };
    });
}

} // namespace orvane::ctl
