#include "support/PjsimProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvane::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kStopTimeout{5000};

// Starts `argv` with its standard output (and error, if wanted) on a new pipe. Returns the
// pid, or -1 with the pipe's read end left closed.
pid_t Spawn(const std::vector<std::string>& args, bool captureStderr, int& readFd) {
    readFd = -1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    if (captureStderr)
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

    // The child starts with a clean signal state whatever the test runner has blocked.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
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

// Waits for the child up to `timeout`, then kills it. Returns its exit status or -1.
int Reap(pid_t pid, std::chrono::milliseconds timeout) {
    auto end = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        pid_t rc = waitpid(pid, &status, WNOHANG);
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

int RemainingMs(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

std::string PjsimProcess::Tcp(std::string_view options) {
    std::string def = "127.0.0.1:0";
    if (!options.empty())
        def += "," + std::string(options);
    return def;
}

std::string PjsimProcess::Pjlink(std::string_view options) {
    // Notifications only where a test listens for them: without notify= a class 2 projector
    // would tell port 4352 of this machine, where another test's program may be listening.
    const std::string notify = options.find("notify=") == std::string_view::npos ? ",notify=off" : "";
    return Tcp("protocol=pjlink" + (options.empty() ? std::string() : "," + std::string(options)) + notify);
}

std::string PjsimProcess::Serial(std::string_view options) {
    std::string def = "serial";
    if (!options.empty())
        def += "," + std::string(options);
    return def;
}

std::string PjsimProcess::Path() {
    return std::string(ORVANE_BIN_DIR) + "/pjsim";
}

PjsimProcess::PjsimProcess(const std::vector<std::string>& projectors, const std::vector<std::string>& extraArgs)
    : logPath_(dir_.File("requests.log")) {
    std::vector<std::string> args = {Path(), "--log", logPath_};
    for (const std::string& def : projectors) {
        args.push_back("--projector");
        args.push_back(def);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = Spawn(args, false, stdoutFd_);
    if (pid_ < 0) {
        error_ = "cannot start " + Path();
        return;
    }
    ready_ = ReadUntilReady();
    if (!ready_)
        Stop();
}

PjsimProcess::~PjsimProcess() {
    Stop();
    if (stdoutFd_ >= 0)
        close(stdoutFd_);
}

bool PjsimProcess::ReadUntilReady() {
    auto end = Clock::now() + kStartTimeout;
    std::string pending;
    for (;;) {
        std::size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line == "READY")
                return true;
            unsigned n = 0;
            char address[256] = {};
            if (std::sscanf(line.c_str(), "PROJECTOR %u %255s", &n, address) == 2 && n == addresses_.size() + 1)
                addresses_.push_back(address);
            if (line.rfind("DISCOVERY ", 0) == 0 && line.rfind(':') != std::string::npos)
                discoveryPort_ = std::atoi(line.c_str() + line.rfind(':') + 1);
        }
        pollfd p{stdoutFd_, POLLIN, 0};
        int rc = poll(&p, 1, RemainingMs(end));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0) {
            error_ = "pjsim printed no READY within " + std::to_string(kStartTimeout.count()) + " ms";
            return false;
        }
        char buffer[512];
        ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = "pjsim ended before READY (see its message above)";
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string PjsimProcess::Address(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) > addresses_.size())
        return std::string();
    return addresses_[static_cast<std::size_t>(n - 1)];
}

int PjsimProcess::Port(int n) const {
    std::string address = Address(n);
    std::size_t colon = address.rfind(':');
    if (address.empty() || address.front() == '/' || colon == std::string::npos)
        return 0;
    return std::atoi(address.c_str() + colon + 1);
}

std::string PjsimProcess::PtyPath(int n) const {
    std::string address = Address(n);
    return !address.empty() && address.front() == '/' ? address : std::string();
}

std::vector<std::string> PjsimProcess::RequestLines() const {
    std::vector<std::string> lines;
    for (std::string& line : LogLines("")) {
        if (line.rfind("REQ ", 0) == 0 || line.rfind("PJLINK ", 0) == 0)
            lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> PjsimProcess::LogLines(std::string_view prefix) const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    std::string line;
    // A line without its newline is still being written.
    while (std::getline(in, line) && !in.eof()) {
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::vector<PjsimRequest> PjsimProcess::Requests() const {
    std::vector<PjsimRequest> requests;
    for (const std::string& line : RequestLines()) {
        PjsimRequest request;
        if (ParseRequestLine(line, request))
            requests.push_back(request);
    }
    return requests;
}

bool PjsimProcess::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    auto end = Clock::now() + timeout;
    for (;;) {
        if (RequestLines().size() >= count)
            return true;
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

namespace {

// The request of ours that a PJLink command line stands for, so that the same checks read
// either log: "%1AVMT 11" is (1, 0x3020, 1). Lines the link never sends keep type 0.
void DecodePjlinkCommand(const std::string& command, PjsimRequest& r) {
    if (command.size() < 8 || command[0] != '%')
        return;
    const std::string name = command.substr(2, 4);
    const std::string param = command.substr(7);
    const bool query = param == "?";
    const int first = query ? 0 : param[0] - '0';
    r.action = query ? 2 : 1;
    if (name == "CLSS" && query) {
        r.type = 0x1007;
    } else if (name == "POWR" || name == "FREZ") {
        r.type = name == "POWR" ? 0x6000 : 0x3002;
        r.setting = first;
    } else if (name == "INPT") {
        r.type = 0x2000;
        r.setting = query ? 0 : std::atoi(param.c_str());
    } else if (name == "AVMT") {
        r.type = query || first == 1 ? 0x3020 : first == 2 ? 0x2002 : 0;
        r.setting = query || param.size() < 2 ? 0 : param[1] - '0';
    } else if (name == "SVOL") {
        r.type = 0x2001;
        r.action = param == "1" ? 4 : 5;
    } else {
        r.action = 0;
    }
}

} // namespace

bool PjsimProcess::ParseRequestLine(const std::string& line, PjsimRequest& out) {
    if (line.rfind("PJLINK ", 0) == 0) {
        PjsimRequest request;
        int used = 0;
        const std::size_t arrow = line.find(" -> ");
        if (std::sscanf(line.c_str(), "PJLINK %d %n", &request.projector, &used) != 1 || arrow == std::string::npos ||
            static_cast<std::size_t>(used) > arrow)
            return false;
        request.pjlink = line.substr(static_cast<std::size_t>(used), arrow - static_cast<std::size_t>(used));
        const std::string answer = line.substr(arrow + 4);
        const std::size_t eq = answer.find('=');
        const std::string value = eq == std::string::npos ? answer : answer.substr(eq + 1);
        request.reply = value == "OK"                                           ? "ack"
                        : answer == "none"                                      ? "none"
                        : value.rfind("ERR", 0) == 0 || answer == "PJLINK ERRA" ? "nak"
                                                                                : "data:" + value;
        DecodePjlinkCommand(request.pjlink, request);
        out = request;
        return true;
    }
    PjsimRequest request;
    char reply[64] = {};
    int used = 0;
    if (std::sscanf(line.c_str(), "REQ %d action=%d type=0x%4x setting=%d reply=%63s%n", &request.projector,
                    &request.action, &request.type, &request.setting, reply, &used) != 5 ||
        static_cast<std::size_t>(used) != line.size())
        return false;
    request.reply = reply;
    out = request;
    return true;
}

int PjsimProcess::Stop() {
    if (pid_ < 0)
        return -1;
    kill(pid_, SIGTERM);
    int status = Reap(pid_, kStopTimeout);
    pid_ = -1;
    return status;
}

int PjsimProcess::Run(const std::vector<std::string>& args, std::string* output, std::chrono::milliseconds timeout) {
    std::vector<std::string> argv = {Path()};
    argv.insert(argv.end(), args.begin(), args.end());
    int fd = -1;
    pid_t pid = Spawn(argv, true, fd);
    if (pid < 0)
        return -1;
    auto end = Clock::now() + timeout;
    std::string text;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int rc = poll(&p, 1, RemainingMs(end));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            break;
        char buffer[512];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (output != nullptr)
        *output = text;
    return Reap(pid, std::chrono::milliseconds(RemainingMs(end)));
}

} // namespace orvane::test
