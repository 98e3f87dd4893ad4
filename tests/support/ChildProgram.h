#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvane::test {

// A program a test starts and reads: standard input from /dev/null, standard output on a pipe
// read here line by line, standard error where the test wants it. The child starts with the
// default handling of the signals the tests send, whatever the test runner has blocked. The
// destructor ends a child still running (SIGTERM, SIGKILL after a few seconds).
class ChildProgram {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kStopTimeout{5000};

    enum class Errors {
        Inherit,    // the test's own standard error
        WithOutput, // on the same pipe as standard output
        ToFile,     // appended to errPath
    };
    enum class Read {
        Done,     // the line callback said so
        TimedOut, // the deadline passed first
        Ended,    // the output ended first
    };

    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // args[0] is the program's path. False when it could not be started.
    bool Start(const std::vector<std::string>& args, Errors errors = Errors::Inherit, const std::string& errPath = {});
    pid_t Pid() const { return pid_; }

    // Reads lines from standard output until `line` returns true, `end` passes or the output ends.
    Read ReadLines(Clock::time_point end, const std::function<bool(const std::string&)>& line);
    // Everything the child still prints until its output ends or `end` passes.
    std::string ReadRest(Clock::time_point end);

    void Signal(int signal) const;
    // Sends `signal` (none for 0) and waits for the exit up to `timeout`, then kills. The exit
    // status, or -1 when it died of a signal or was not running. Safe to call twice.
    int Stop(int signal, std::chrono::milliseconds timeout = kStopTimeout);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

} // namespace orvane::test
