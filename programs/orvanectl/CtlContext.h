#pragma once

#include "model/ModelInfo2.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace orvane {
class CommandTransport;
}

namespace orvane::ctl {

// Exit statuses of orvanectl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a projector or a file operation failed
inline constexpr int kExitUsage = 2;  // bad command line or bad input

// Options every command shares; filled by the parser before a command runs.
struct CtlContext {
    std::string workDir;
    std::string programDir;
    // The chosen command, set while parsing and run once the directories are in place.
    std::function<int()> run;
};

// Prints "orvanectl: <message>" on stderr.
void PrintError(const std::string& message);

// The configuration in use: ./Orvane.txt, or the per-model file of `configName` as the
// program's first argument names one. 0 when loaded, else the exit status.
int LoadConfiguration(const std::string& configName, CModelInfo2& working);

void AddConfigCommands(CLI::App& app, CtlContext& ctx);
void AddListCommands(CLI::App& app, CtlContext& ctx);
void AddProjectorCommands(CLI::App& app, CtlContext& ctx);
void AddImageCommands(CLI::App& app, CtlContext& ctx);

// Runs `command` with the configuration in use loaded (./Orvane.txt, or MODEL.txt of the
// program directory for a non-empty configName), the catalog open, and failing projectors
// reported on stderr. Returns the command's exit status, or kExitUsage without a configuration.
int WithTransport(const std::string& configName, const std::function<int(CommandTransport&)>& command);
void AddAdjustCommands(CLI::App& app, CtlContext& ctx);

// The configuration in use: ./Orvane.txt, or the per-model file of `configName`. 0 when
// loaded, else the exit status (the reason is printed).
int LoadWorkingConfiguration(const std::string& configName, CModelInfo2& working);
void AddInfoCommand(CLI::App& app, CtlContext& ctx);
void AddSearchCommand(CLI::App& app, CtlContext& ctx);
void AddWatchCommand(CLI::App& app, CtlContext& ctx);
// A PJLink projector's own inputs (1-based `projector`), and a PJLink input by its code for
// every PJLink projector in use.
int RunProjectorInputs(const std::string& configName, int projector);
int RunPjlinkInput(const std::string& configName, const std::string& code);
void AddTokenCommands(CLI::App& app, CtlContext& ctx);

} // namespace orvane::ctl
