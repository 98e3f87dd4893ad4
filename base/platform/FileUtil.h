#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace orvane {

bool FileExists(const std::string& path);

// Size limits of the files the programs read. A file over its limit is refused as soon as
// the reader has seen one byte too many, so a link to an endless device costs nothing.
inline constexpr std::size_t kMiB = std::size_t{1024} * 1024;
inline constexpr std::size_t kMaxSettingsFileSize = 1 * kMiB; // configuration, option and .conf files
inline constexpr std::size_t kMaxModelCatalogSize = 8 * kMiB; // 999 models with every key filled

// The outcome of reading a file.
struct [[nodiscard]] FileReadResult {
    enum Status { Ok, Missing, Failed };
    Status status = Ok;
    // Why it could not be read, for messages ("Permission denied", "not a regular file",
    // "larger than 1 MiB"); empty when it could.
    std::string reason;

    bool ok() const { return status == Ok; }
    bool missing() const { return status == Missing; }
    bool failed() const { return status == Failed; }
};

// "cannot read PATH: REASON", the one wording of a read failure on a terminal.
std::string ReadFailureText(const std::string& path, const FileReadResult& result);

// Reads a whole regular file of at most `limit` bytes into `out` (emptied on failure).
// The file is opened without blocking and its type checked before the first read, so a
// FIFO, a device or a directory is refused instead of waited on or read forever. A path
// that does not exist (or has a missing directory on the way) is Missing.
FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t limit);

// Missing, or Ok when `path` is a regular file of at most `limit` bytes that can be opened
// for reading, or Failed with the reason. Nothing is read.
FileReadResult ProbeReadable(const std::string& path, std::size_t limit = SIZE_MAX);

// Writing goes through a hidden temporary file ".<name>.tmp-XXXXXX" beside the target,
// renamed over it once complete, so that a crash or a full disk never leaves a truncated
// file behind. A file that exists but cannot be read is never replaced: its content could
// not have been read, so replacing it would lose it. Writers that must replace several
// files together prepare them all first and commit them only when every one is prepared.

// Writes `data` into a new temporary file for `path`, synced to disk, and returns its
// name in `tmpPath`. Temporary files of `path` left over by an interrupted write (our own
// naming, older than a minute) are removed first. 0 on success, -1 on failure (nothing is
// left behind then); -1 as well when `path` exists but cannot be read.
[[nodiscard]] int PrepareFileReplacement(const std::string& path, std::string_view data, mode_t mode,
                                         std::string& tmpPath);

// Renames a prepared temporary file over `path` and syncs the directory, so the new
// name survives a power cut. 0 on success; -1 on failure, the temporary file then removed.
[[nodiscard]] int CommitFileReplacement(const std::string& tmpPath, const std::string& path);

// Removes a prepared temporary file that will not be committed.
void DiscardFileReplacement(const std::string& tmpPath);

// Prepare and commit in one step. 0 on success, -1 on any failure (the old file is then
// untouched).
[[nodiscard]] int WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode = 0644);

// Stale temporaries are those older than this.
inline constexpr int kStaleTempFileSeconds = 60;

// The program folder: the directory of the running executable, unless SetProgramDir has
// set another (tests, and --program-dir of orvane and orvanectl). Per-model files lie there.
std::string ProgramDir();
void SetProgramDir(const std::string& dir);

// Where an installation keeps its read-only files: the directory of the running executable
// and the data directory the build was configured for (<datadir>/orvane). The message
// catalogs are looked for in both.
std::string ExecutableDir();
std::string InstalledDataDir();
// Points both elsewhere (tests, so that the build's own files stay out of sight).
void SetInstallDirs(const std::string& executableDir, const std::string& dataDir);

} // namespace orvane
