#pragma once

// Starting a program of the build as its own process, as an operator's shell would, with
// its output thrown away: what the process benchmarks time.

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace orvane::bench {

// Starts `path` with `args`; returns its pid, or -1. `env` entries replace the caller's
// environment when given.
inline pid_t Spawn(const std::string& path, const std::vector<std::string>& args,
                   const std::vector<std::string>* env = nullptr) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    if (env != nullptr) {
        for (const std::string& e : *env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), env != nullptr ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Its exit status, or -1 when it died of a signal.
inline int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int Run(const std::string& path, const std::vector<std::string>& args) {
    const pid_t pid = Spawn(path, args);
    return pid < 0 ? -1 : Wait(pid);
}

} // namespace orvane::bench
