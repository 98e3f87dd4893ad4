#include "app/ProgramOptions.h"

#include <string_view>

namespace orvane {

namespace {
constexpr std::string_view kProgramDir = "--program-dir";

void Fail(ProgramOptions& o, std::string message) {
    if (o.error.empty())
        o.error = std::move(message);
}
} // namespace

ProgramOptions ProgramOptions::Parse(int argc, const char* const* argv) {
    ProgramOptions o;
    bool optionsEnded = false;
    for (int i = 0; i < argc && argv != nullptr; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (i == 0 || optionsEnded || !arg.starts_with("-")) {
            o.rest.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == kProgramDir) {
            if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
                Fail(o, "--program-dir needs a directory");
                ++i;
                continue;
            }
            o.programDir = argv[++i];
        } else if (arg.starts_with(kProgramDir) && arg[kProgramDir.size()] == '=') {
            if (arg.size() == kProgramDir.size() + 1) {
                Fail(o, "--program-dir needs a directory");
            } else {
                o.programDir = arg.substr(kProgramDir.size() + 1);
            }
        } else if (arg.starts_with("--")) {
            o.unknown.emplace_back(arg);
        } else {
            o.rest.emplace_back(arg); // -SkipUserCheck and the toolkit's own options
        }
    }
    if (o.rest.empty())
        o.rest.emplace_back("orvane"); // the rest of the program counts on a program name
    return o;
}

std::string ProgramOptions::Usage() {
    return "Usage: orvane [OPTIONS] [MODEL] [-SkipUserCheck]\n"
           "The projector toolbar.\n"
           "\n"
           "  MODEL               start with the configuration MODEL.txt of the program folder\n"
           "  -SkipUserCheck      start without the user login\n"
           "\n"
           "Options:\n"
           "  -h, --help          print this help and exit\n"
           "  --program-dir DIR   the program folder: per-model configuration files and user\n"
           "                      accounts (default: the directory of the executable)\n";
}

} // namespace orvane
