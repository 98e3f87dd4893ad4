#pragma once

#include "support/ChildProgram.h"
#include "support/TempDir.h"

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace orvane::test {

// One line of pjsim's request log, taken apart.
struct PjsimRequest {
    int projector = 0; // 1-based, in the order of the definitions
    int action = 0;
    int type = 0;
    int setting = 0;
    std::string reply; // "ack", "nak", "data:<value>" or "none"
    // A PJLink projector's command line as logged ("%1AVMT 11"); the fields above then hold
    // the request of ours it stands for, and reply "data:" the answer's text.
    std::string pjlink;
};

// Runs the projector simulator for the length of a test. The constructor starts pjsim with
// the given --projector definitions and waits (up to kStartTimeout) until every projector
// listens; the destructor stops it. The request log goes to a file in a private temporary
// directory, where RequestLines and WaitForRequests read it.
//
//   PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Serial()});
//   ASSERT_TRUE(sim.Ready()) << sim.Error();
//   link.CopyData(1, 0, sim.Port(1), ip, pw);
class PjsimProcess {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{10000};
    static constexpr std::chrono::milliseconds kDefaultWait{5000};

    // A projector definition on 127.0.0.1 with a port of pjsim's choice, or on a
    // pseudo-terminal; options as pjsim takes them, e.g. "password=abc,power=on".
    static std::string Tcp(std::string_view options = {});
    static std::string Serial(std::string_view options = {});
    // A projector on 127.0.0.1 that speaks PJLink, e.g. Pjlink("class=2,power=on"); it sends
    // no notifications unless the options give notify=.
    static std::string Pjlink(std::string_view options = {});

    // The pjsim executable beside the test programs.
    static std::string Path();

    // extraArgs follow the definitions on pjsim's command line, e.g. {"--image-dir", dir}.
    explicit PjsimProcess(const std::vector<std::string>& projectors, const std::vector<std::string>& extraArgs = {});
    ~PjsimProcess();
    PjsimProcess(const PjsimProcess&) = delete;
    PjsimProcess& operator=(const PjsimProcess&) = delete;

    // True once pjsim printed READY; otherwise Error() says why.
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    pid_t Pid() const { return child_.Pid(); }

    // Projectors are numbered from 1, as in pjsim's output and log.
    std::size_t ProjectorCount() const { return addresses_.size(); }
    // "127.0.0.1:PORT" or the pty's path; empty for a number out of range.
    std::string Address(int n) const;
    // The TCP port, or 0 for a serial projector.
    int Port(int n) const;
    // The UDP port of --discovery's responder; 0 without one.
    int DiscoveryPort() const { return discoveryPort_; }
    // The pty's path for a serial projector, else empty.
    std::string PtyPath(int n) const;

    const std::string& LogPath() const { return logPath_; }
    // Every REQ (and PJLINK) line logged so far, in order.
    std::vector<std::string> RequestLines() const;
    std::vector<PjsimRequest> Requests() const;
    // Every finished log line that starts with `prefix` (e.g. "IMAGE "), in order.
    std::vector<std::string> LogLines(std::string_view prefix) const;
    // Waits until at least `count` REQ lines are logged; false when the wait runs out first.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout = kDefaultWait) const;

    // Sends SIGTERM and waits for the exit (SIGKILL after a few seconds). Returns the exit
    // status, or -1 when pjsim was not running or died of a signal. Safe to call twice.
    int Stop();

    // Runs pjsim with any arguments to its end and returns its exit status (-1 if it had to
    // be killed after `timeout`); standard output and error go to *output when given.
    static int Run(const std::vector<std::string>& args, std::string* output = nullptr,
                   std::chrono::milliseconds timeout = kStartTimeout);

    // Parses one REQ or PJLINK line; false when it does not have the log's format.
    static bool ParseRequestLine(const std::string& line, PjsimRequest& out);

private:
    bool ReadUntilReady();

    TempDir dir_;
    std::string logPath_;
    ChildProgram child_;
    bool ready_ = false;
    std::string error_;
    std::vector<std::string> addresses_;
    int discoveryPort_ = 0;
};

} // namespace orvane::test
