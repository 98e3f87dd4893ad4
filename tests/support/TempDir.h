#pragma once

#include <string>
#include <string_view>

namespace orvane::test {

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

    void Write(std::string_view name, std::string_view content) const;
    std::string Read(std::string_view name) const; // empty when missing

private:
    std::string path_;
};

// Makes a directory the working directory for the scope, and back.
class ScopedWorkDir {
public:
    explicit ScopedWorkDir(const std::string& dir);
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

private:
    std::string old_;
};

// A temporary directory that is the working directory, the program directory (per-model
// files) and the installation's directories (catalogs) for the scope.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    const TempDir& dir() const { return dir_; }
    std::string File(std::string_view name) const { return dir_.File(name); }
    void Write(std::string_view name, std::string_view content) const { dir_.Write(name, content); }
    std::string Read(std::string_view name) const { return dir_.Read(name); }

private:
    TempDir dir_;
    ScopedWorkDir work_;
    std::string oldProgramDir_;
    std::string oldExecutableDir_;
    std::string oldDataDir_;
};

} // namespace orvane::test
