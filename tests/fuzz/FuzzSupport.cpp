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

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace orvane::fuzz
