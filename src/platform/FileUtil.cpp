#include "platform/FileUtil.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {
std::mutex g_programDirMutex;
std::string g_programDir;

std::string ExecutableDir() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}
} // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return -1;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            out.clear();
            return -1;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return 0;
}

int WriteFileAtomically(const std::string& path, std::string_view data, mode_t mode) {
    if (path.empty())
        return -1;
    std::string tmpl = path + ".XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return -1;
    bool ok = fchmod(fd, mode) == 0;
    const char* p = data.data();
    std::size_t left = data.size();
    while (ok && left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(tmpl.c_str(), path.c_str()) == 0)
        return 0;
    unlink(tmpl.c_str());
    return -1;
}

std::string ProgramDir() {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    if (g_programDir.empty())
        g_programDir = ExecutableDir();
    return g_programDir;
}

void SetProgramDir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_programDirMutex);
    g_programDir = dir;
}

} // namespace orvane
