#include "CtlContext.h"

#include "platform/FileUtil.h"

#include <climits>
#include <cstdio>
#include <exception>
#include <iostream>
#include <unistd.h>

namespace orvane::ctl {
void PrintError(const std::string& message) {
    std::cerr << "orvanectl: " << message << std::endl;
}

namespace {
// "--config MODEL" before the command word: the command takes it as if it stood after it.
void HandConfigToCommand(CLI::App& app, const std::string& config) {
    CLI::App* command = app.get_subcommands().front();
    while (!command->get_subcommands().empty()) // "image send": the command is the innermost word
        command = command->get_subcommands().front();
    CLI::Option* own = command->get_option_no_throw("--config");
    if (own == nullptr)
        throw CLI::ValidationError("--config", "the command " + command->get_name() + " takes no configuration");
    if (own->count() > 0)
        throw CLI::ValidationError("--config", "given both before and after the command word");
    own->add_result(config);
    own->run_callback();
}
} // namespace
} // namespace orvane::ctl

namespace {

int Run(int argc, char** argv) {
    using namespace orvane::ctl;
    // Named here, not after argv[0]: installed, a launcher starts it from the package's own
    // directory, and the help must name the command the operator types.
    CLI::App app{"Orvane command line: inspect configurations and drive projectors", "orvanectl"};
    app.require_subcommand(1);
    // Options may stand before or after the command word: a command passes the options it
    // does not know on to this level, and --config given here goes to the command.
    app.fallthrough();
    CtlContext ctx;
    std::string config;
    app.add_option("--dir", ctx.workDir, "Working directory (where Orvane.txt, OrvaneModel.txt and OrvaneOpt.txt lie)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--program-dir", ctx.programDir, "Directory of the per-model configuration files")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--config", config, "Per-model configuration for the commands that take one")->type_name("MODEL");
    AddConfigCommands(app, ctx);
    AddProjectorCommands(app, ctx);
    AddImageCommands(app, ctx);
    AddAdjustCommands(app, ctx);
    AddListCommands(app, ctx);
    AddInfoCommand(app, ctx);
    AddSearchCommand(app, ctx);
    AddWatchCommand(app, ctx);
    AddTokenCommands(app, ctx);
    try {
        app.parse(argc, argv);
        if (!config.empty())
            HandConfigToCommand(app, config);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::Error& e) {
        PrintError(e.what());
        return kExitUsage;
    }
    // Both directories are named relative to where the command was started: the program
    // directory is made absolute before --dir changes the working directory.
    if (!ctx.programDir.empty() && ctx.programDir.front() != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            PrintError("cannot resolve --program-dir " + ctx.programDir + ": the current directory is unknown");
            return kExitUsage;
        }
        ctx.programDir = std::string(cwd) + "/" + ctx.programDir;
    }
    if (!ctx.workDir.empty() && chdir(ctx.workDir.c_str()) != 0) {
        PrintError("cannot change to directory " + ctx.workDir);
        return kExitUsage;
    }
    if (!ctx.programDir.empty())
        orvane::SetProgramDir(ctx.programDir);
    return ctx.run ? ctx.run() : kExitUsage;
}

} // namespace

// Commands report their own failures; what still throws (the standard library, out of
// memory, say) ends the command with a message rather than an abort.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        orvane::ctl::PrintError(e.what());
        return orvane::ctl::kExitFailed;
    }
}
