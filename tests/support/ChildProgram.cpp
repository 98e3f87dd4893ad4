#include "support/ChildProgram.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvane::test {

namespace {

int RemainingMs(ChildProgram::Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - ChildProgram::Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

ChildProgram::~ChildProgram() {
    Stop(SIGTERM);
    if (out_ >= 0)
        close(out_);
}

bool ChildProgram::Start(const std::vector<std::string>& args, Errors errors, const std::string& errPath) {
    int fds[2];
    if (args.empty() || pid_ > 0 || pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (errors == Errors::WithOutput)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    if (errors == Errors::ToFile)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (rc != 0) {
        pid_ = -1;
        close(fds[0]);
        return false;
    }
    if (out_ >= 0) // of a child started before
        close(out_);
    out_ = fds[0];
    pending_.clear();
    return true;
}

ChildProgram::Read ChildProgram::ReadLines(Clock::time_point end, const std::function<bool(const std::string&)>& line) {
    for (;;) {
        std::size_t eol = 0;
        while ((eol = pending_.find('\n')) != std::string::npos) {
            const std::string text = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            if (line(text))
                return Read::Done;
        }
        pollfd p{out_, POLLIN, 0};
        const int rc = poll(&p, 1, RemainingMs(end));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            return Read::TimedOut;
        char buffer[512];
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Read::Ended;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string ChildProgram::ReadRest(Clock::time_point end) {
    std::string text;
    ReadLines(end, [&text](const std::string& line) {
        text += line + "\n";
        return false;
    });
    text += pending_;
    pending_.clear();
    return text;
}

void ChildProgram::Signal(int signal) const {
    if (pid_ > 0)
        kill(pid_, signal);
}

int ChildProgram::Stop(int signal, std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return -1;
    if (signal != 0)
        kill(pid_, signal);
    const auto end = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t rc = waitpid(pid_, &status, WNOHANG);
        if (rc == pid_)
            break;
        if (rc < 0 && errno != EINTR) {
            pid_ = -1;
            return -1;
        }
        if (Clock::now() >= end) {
            kill(pid_, SIGKILL);
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace orvane::test
