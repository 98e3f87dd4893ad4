#include "platform/FileUtil.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {
std::mutex g_programDirMutex;
std::string g_programDir;
std::string g_executableDir;
std::string g_dataDir = ORVANE_INSTALLED_DATADIR;

constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kTempSuffixLength = 6; // the XXXXXX of mkstemp

std::string RunningExecutableDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

FileReadResult Failure(FileReadResult::Status status, std::string reason) {
    FileReadResult r;
    r.status = status;
    r.reason = std::move(reason);
    return r;
}

FileReadResult FromErrno(int err) {
    // A missing directory on the way means the file is missing too.
    return Failure(err == ENOENT || err == ENOTDIR ? FileReadResult::Missing : FileReadResult::Failed,
                   std::strerror(err));
}

std::string SizeText(std::size_t bytes) {
    if (bytes >= kMiB && bytes % kMiB == 0)
        return std::to_string(bytes / kMiB) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes / 1024) + " KiB";
    return std::to_string(bytes) + " bytes";
}

void SplitPath(const std::string& path, std::string& dir, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        name = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

bool IsTempSuffix(std::string_view s) {
    if (s.size() != kTempSuffixLength)
        return false;
    for (char c : s) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Removes ".<name>.tmp-XXXXXX" regular files in `dir` older than a minute: what a write
// of the same file left when it was killed. Younger ones may belong to a write running now.
void RemoveStaleTempFiles(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return;
    const std::string prefix = "." + name + std::string(kTempMarker);
    const std::time_t now = std::time(nullptr);
    while (const dirent* e = readdir(d)) {
        std::string_view entry(e->d_name);
        if (!entry.starts_with(prefix) || !IsTempSuffix(entry.substr(prefix.size())))
            continue;
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime > kStaleTempFileSeconds)
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

int SyncDirectory(const std::string& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int rc = fsync(fd);
    close(fd);
    return rc;
}

bool WriteAll(int fd, std::string_view data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ReadFailureText(const std::string& path, const FileReadResult& result) {
    return "cannot read " + path + ": " + result.reason;
}

FileReadResult ReadWholeFile(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    if (path.empty())
        return Failure(FileReadResult::Missing, std::strerror(ENOENT));
    // Without O_NONBLOCK the open of a FIFO waits for a writer; O_NOCTTY keeps a terminal
    // from becoming ours.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        FileReadResult r = FromErrno(errno);
        close(fd);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return Failure(FileReadResult::Failed, S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file");
    }
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        close(fd);
        return Failure(FileReadResult::Failed, "larger than " + SizeText(limit));
    }
    // The size is only a hint: the file may grow while it is read, so the limit is
    // checked again with every read.
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const std::size_t room = limit - out.size() + 1; // one byte more shows a file over the limit
        ssize_t n = read(fd, buf, room < sizeof buf ? room : sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FileReadResult r = FromErrno(errno);
            r.status = FileReadResult::Failed;
            close(fd);
            out.clear();
            return r;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > limit) {
            close(fd);
            out.clear();
            return Failure(FileReadResult::Failed, "larger than " + SizeText(limit));
        }
    }
    close(fd);
    return {};
}

FileReadResult ProbeReadable(const std::string& path, std::size_t limit) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return FromErrno(path.empty() ? ENOENT : errno);
    // Checked before opening: opening a device for a look could already disturb it.
    if (!S_ISREG(st.st_mode))
        return Failure(FileReadResult::Failed, S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        return Failure(FileReadResult::Failed, "larger than " + SizeText(limit));
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        FileReadResult r = FromErrno(errno);
        r.status = FileReadResult::Failed; // it was there a moment ago
        return r;
    }
    close(fd);
    return {};
}

int PrepareFileReplacement(const std::string& path, std::string_view data, mode_t mode, std::string& tmpPath) {
    tmpPath.clear();
    if (path.empty() || ProbeReadable(path).failed())
        return -1;
    std::string dir, name;
    SplitPath(path, dir, name);
    if (name.empty())
        return -1;
    RemoveStaleTempFiles(dir, name);
    std::string tmpl = (dir == "/" ? dir : dir + "/") + "." + name + std::string(kTempMarker) + "XXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok) {
        unlink(tmpl.c_str());
        return -1;
    }
    tmpPath = std::move(tmpl);
    return 0;
}

int CommitFileReplacement(const std::string& tmpPath, const std::string& path) {
    if (tmpPath.empty() || path.empty())
        return -1;
    if (rename(tmpPath.c_str(), path.c_str()) != 0) {
        unlink(tmpPath.c_str());
        return -1;
    }
    std::string dir, name;
    SplitPath(path, dir, name);
    // The file is in place already; a directory that cannot be synced (some file systems
    // refuse) does not undo that.
    SyncDirectory(dir);
    return 0;
}

void DiscardFileReplacement(const std::string& tmpPath) {
    if (!tmpPath.empty())
        unlink(tmpPath.c_str());
}

int WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode) {
    std::string tmp;
    if (PrepareFileReplacement(path, data, mode, tmp) != 0)
        return -1;
    return CommitFileReplacement(tmp, path);
}

std::string ProgramDir() {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    if (g_programDir.empty())
        g_programDir = g_executableDir.empty() ? RunningExecutableDir() : g_executableDir;
    return g_programDir;
}

void SetProgramDir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    g_programDir = dir;
}

std::string ExecutableDir() {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    if (g_executableDir.empty())
        g_executableDir = RunningExecutableDir();
    return g_executableDir;
}

std::string InstalledDataDir() {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    return g_dataDir;
}

void SetInstallDirs(const std::string& executableDir, const std::string& dataDir) {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    g_executableDir = executableDir;
    g_dataDir = dataDir;
}

} // namespace orvane
