#include "CtlContext.h"

#include "platform/FileUtil.h"

#include <climits>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace orvane::ctl {
void PrintError(const std::string& message) {
    std::cerr << "orvanectl: " << message << std::endl;
}
} // namespace orvane::ctl

int main(int argc, char** argv) {
    using namespace orvane::ctl;
    CLI::App app{"Orvane command line: inspect configurations and drive projectors"};
    app.require_subcommand(1);
    CtlContext ctx;
    app.add_option("--dir", ctx.workDir, "Working directory (where Orvane.txt, OrvaneModel.txt and OrvaneOpt.txt lie)");
    app.add_option("--program-dir", ctx.programDir, "Directory of the per-model configuration files");
    AddConfigCommands(app, ctx);
    AddProjectorCommands(app, ctx);
    AddImageCommands(app, ctx);
    AddAdjustCommands(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
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
