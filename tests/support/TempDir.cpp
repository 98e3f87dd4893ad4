#include "support/TempDir.h"

#include "platform/FileUtil.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace orvane::test {

TempDir::TempDir() {
    std::string tmpl = "/tmp/orvane-test-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(std::string_view name, std::string_view content) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TempDir::Read(std::string_view name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ScopedWorkDir::ScopedWorkDir(const std::string& dir) {
    char buf[4096];
    if (getcwd(buf, sizeof buf) != nullptr)
        old_ = buf;
    if (chdir(dir.c_str()) != 0)
        throw std::runtime_error("chdir failed: " + dir);
}

ScopedWorkDir::~ScopedWorkDir() {
    if (!old_.empty() && chdir(old_.c_str()) != 0) {
        // Nothing sensible to do in a destructor; the next test makes its own directory.
    }
}

Sandbox::Sandbox()
    : work_(dir_.path()), oldProgramDir_(ProgramDir()), oldExecutableDir_(ExecutableDir()),
      oldDataDir_(InstalledDataDir()) {
    SetProgramDir(dir_.path());
    // The build's own catalogs lie beside the test programs: a sandbox sees only its own files.
    SetInstallDirs(dir_.path(), dir_.File("share"));
}

Sandbox::~Sandbox() {
    SetInstallDirs(oldExecutableDir_, oldDataDir_);
    SetProgramDir(oldProgramDir_);
}

} // namespace orvane::test
