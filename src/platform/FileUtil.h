#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace orvane {

bool FileExists(const std::string& path);

// 0 on success, -1 when the file cannot be read.
int ReadWholeFile(const std::string& path, std::string& out);

// Writes the file through a temporary file in the same directory that is renamed over
// the old one, so that a crash or a full disk never leaves a truncated file behind.
// 0 on success, -1 on any failure (the old file is then untouched).
int WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode = 0644);

// The directory of the running executable, unless SetProgramDir has set another
// (tests, and orvanectl --program-dir). Per-model files and the catalogs lie there.
std::string ProgramDir();
void SetProgramDir(const std::string& dir);

} // namespace orvane
