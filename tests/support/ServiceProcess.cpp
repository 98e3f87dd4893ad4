#include "support/ServiceProcess.h"

#include "support/RunProgram.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvane::test {

namespace {

using Clock = std::chrono::steady_clock;

// Starts args with standard output on a pipe (read end in readFd) and standard error into
// errPath (when not empty). The child starts with default signal handling.
pid_t Spawn(const std::vector<std::string>& args, const std::string& errPath, int& readFd) {
    readFd = -1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    if (!errPath.empty())
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
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
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return -1;
    }
    readFd = fds[0];
    return pid;
}

int Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t rc = waitpid(pid, &status, WNOHANG);
        if (rc == pid)
            break;
        if (rc < 0 && errno != EINTR)
            return -1;
        if (Clock::now() >= end) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::string ServiceProcess::Path() {
    return std::string(ORVANE_BIN_DIR) + "/orvaned";
}

std::string ServiceProcess::ConfigText(int pollSeconds, std::string_view extra) {
    return "[Service]\nListen=127.0.0.1:0\nPollSeconds=" + std::to_string(pollSeconds) + "\n" + std::string(extra) +
           "[Rooms]\nFolder=rooms\n";
}

std::string ServiceProcess::RoomText(const std::vector<RoomProjector>& projectors) {
    std::ostringstream out;
    out << "[GENERAL]\nMODEL=AX-210\nModelID=101\nType=1\n[PROJECTOR]\nPJTNUM=" << projectors.size()
        << "\nSELECTPRJ=1\n";
    for (std::size_t i = 0; i < projectors.size(); ++i) {
        const RoomProjector& p = projectors[i];
        out << "[CONNECT-" << i + 1 << "]\n";
        if (p.address.rfind("com", 0) == 0) {
            out << "CONMETHOD=0\nCOMPORTNO=" << std::stoi(p.address.substr(3)) - 1 << "\n";
        } else {
            const std::size_t colon = p.address.rfind(':');
            out << "CONMETHOD=1\nTCPPORTNO=" << p.address.substr(colon + 1)
                << "\nIPADDRESS=" << p.address.substr(0, colon) << "\n";
        }
        out << "PASSWORD=" << p.password << "\n";
    }
    out << "[TOOLBAR]\nCONFIG=1\nPOWERON=1\nPOWEROFF=1\nBLANKON=1\nBLANKOFF=1\nVOLUME=1\nMUTE=1\n"
           "[INPUTSOURCE]\nInputNum=2\nInput_001=1;3;HDMI 1\nInput_002=1;1;Video\n[Volume]\nMin-Max=0,63\n";
    return out.str();
}

ServiceProcess::ServiceProcess(const std::string& configPath) {
    char name[] = "/tmp/orvaned-log-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0)
        close(fd);
    logPath_ = name;
    pid_ = Spawn({Path(), "--config", configPath}, logPath_, stdoutFd_);
    if (pid_ < 0) {
        error_ = "cannot start " + Path();
        return;
    }
    ready_ = ReadUntilReady();
    if (!ready_) {
        error_ += "; stderr: " + Log();
        Stop();
    }
}

ServiceProcess::~ServiceProcess() {
    Stop();
    if (stdoutFd_ >= 0)
        close(stdoutFd_);
    if (!logPath_.empty())
        unlink(logPath_.c_str());
}

bool ServiceProcess::ReadUntilReady() {
    const auto end = Clock::now() + kStartTimeout;
    std::string pending;
    for (;;) {
        std::size_t eol = 0;
        while ((eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line.rfind("LISTENING ", 0) == 0)
                url_ = line.substr(10);
            if (line == "READY")
                return !url_.empty();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{stdoutFd_, POLLIN, 0};
        const int rc = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0) {
            error_ = "orvaned printed no READY in time";
            return false;
        }
        char buffer[512];
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) {
            error_ = "orvaned ended before READY";
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string ServiceProcess::Log() const {
    std::ifstream in(logPath_);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void ServiceProcess::Signal(int signal) const {
    if (pid_ > 0)
        kill(pid_, signal);
}

int ServiceProcess::Stop() {
    if (pid_ < 0)
        return -1;
    kill(pid_, SIGTERM);
    const int status = Reap(pid_, std::chrono::milliseconds(5000));
    pid_ = -1;
    return status;
}

void ServiceProcess::Kill() {
    if (pid_ < 0)
        return;
    kill(pid_, SIGKILL);
    Reap(pid_, std::chrono::milliseconds(5000));
    pid_ = -1;
}

CurlResult Curl(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"-s", "-o", "-", "-w", "\n%{http_code}", "--max-time", "10"};
    argv.insert(argv.end(), args.begin(), args.end());
    const ProgramResult run = RunProgram("/usr/bin/curl", argv);
    const std::size_t eol = run.out.rfind('\n');
    if (eol == std::string::npos)
        return {};
    return {std::atoi(run.out.c_str() + eol + 1), run.out.substr(0, eol)};
}

} // namespace orvane::test
