#pragma once

#include <string>
#include <vector>

namespace orvane {

// The toolbar program's own command-line options, taken out before the rest of the command
// line ([MODEL] [-SkipUserCheck] and the toolkit's options) is read as it always was.
struct ProgramOptions {
    static constexpr int kExitUsage = 2;

    std::string programDir; // --program-dir DIR; empty: the executable's directory
    bool help = false;      // --help or -h
    std::string error;      // the first reason the command line cannot be used, if any
    // Arguments beginning with "--" that are none of the above. The toolkit takes some of
    // its own options in that form, so only what is left after it counts as an error.
    std::vector<std::string> unknown;
    // argv[0] and every argument that is not one of the options above, in their order.
    std::vector<std::string> rest;

    // Reads argv[0..argc). "--program-dir DIR" and "--program-dir=DIR" may come anywhere and
    // the last one counts; "--" ends the options. Reading goes on after an error, so that
    // --help is still seen.
    static ProgramOptions Parse(int argc, const char* const* argv);

    // The text --help prints.
    static std::string Usage();
};

} // namespace orvane
