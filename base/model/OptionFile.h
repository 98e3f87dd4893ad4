#pragma once

#include "platform/FileUtil.h"

#include <string>

namespace orvane {

inline constexpr const char* kOptionFile = "./OrvaneOpt.txt";
inline constexpr int kDefaultUpdateInterval = 30;

// The three start-up options of OrvaneOpt.txt.
struct OptionValues {
    int SkipLogin = 0;
    int SkipConfig = 0;
    int UpdateInterval = kDefaultUpdateInterval; // seconds; 0 = no polling
};

// Clears both flags, then sets what the file has: line 1 skip login, line 2 skip
// configuration dialog (any number but 0 counts as 1), line 3 the interval as written.
// A missing file or missing lines leave the interval as it was; so does a file that cannot
// be read, which the result reports.
FileReadResult ReadOptions(OptionValues& options);

// Writes the three lines; 0 on success, -1 when the file cannot be written (the old
// file then stays as it was).
[[nodiscard]] int WriteOptions(const OptionValues& options);

// The file's bytes as WriteOptions writes them, and its permissions.
std::string FormatOptions(const OptionValues& options);
inline constexpr unsigned kOptionFileMode = 0644;

} // namespace orvane
