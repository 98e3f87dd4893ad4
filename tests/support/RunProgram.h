#pragma once

#include <string>
#include <vector>

namespace orvane::test {

struct ProgramResult {
    int exitCode = -1; // -1 when it could not be started or was killed
    std::string out;
    std::string err;
};

// Runs a program of the build (by name, from the bin folder) or by path, waits for it
// and returns what it printed. Extra environment entries ("NAME=value") are added to
// the test's own environment.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv = {});

// Path of a program of the build.
std::string BinPath(const std::string& name);

} // namespace orvane::test
