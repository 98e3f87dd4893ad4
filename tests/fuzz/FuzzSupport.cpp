#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace orvane::fuzz {

namespace {

std::string g_workDir;

void RemoveWorkDir() {
    std::error_code ignored;
    std::filesystem::remove_all(g_workDir, ignored);
}

} // namespace

void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

const std::string& WorkDir() {
    if (g_workDir.empty()) {
        std::error_code ec;
        std::string tmpl = (std::filesystem::temp_directory_path(ec) / "orvane-fuzz-XXXXXX").string();
        if (ec || mkdtemp(tmpl.data()) == nullptr || chdir(tmpl.c_str()) != 0) {
            std::perror("orvane fuzz: cannot make a working directory");
            std::exit(2);
        }
        g_workDir = tmpl;
        std::atexit(RemoveWorkDir);
    }
    return g_workDir;
}

std::string WriteInputFile(std::string_view name, std::string_view data) {
    std::string path = WorkDir() + "/" + std::string(name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0;
    while (ok && !data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        ok = n > 0;
        if (ok)
            data.remove_prefix(static_cast<std::size_t>(n));
    }
    if (fd >= 0)
        close(fd);
    if (!ok) {
        std::perror(path.c_str());
        std::exit(2);
    }
    return path;
}

} // namespace orvane::fuzz
