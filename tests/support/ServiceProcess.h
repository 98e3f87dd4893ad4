#pragma once

#include "support/ChildProgram.h"

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace orvane::test {

// One projector of a room file: "127.0.0.1:PORT" (a PJLink port when LinkCore.conf or 4352
// says so), or "comN" for a serial line.
struct RoomProjector {
    std::string address;
    std::string password;
};

// Runs orvaned for the length of a test: starts it with --config and waits until it printed
// "LISTENING <url>" and "READY"; the destructor ends it with SIGTERM. Its standard error goes
// to a file that Log() reads.
//
//   TempDir dir;
//   dir.Write("orvaned.conf", ServiceProcess::ConfigText());
//   dir.Write("rooms/a.txt", ServiceProcess::RoomText({{sim.Address(1)}}));
//   ServiceProcess service(dir.File("orvaned.conf"));
//   ASSERT_TRUE(service.Ready()) << service.Error();
//   Curl(service.Url() + "/api/v1/rooms")
class ServiceProcess {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{10000};

    explicit ServiceProcess(const std::string& configPath, std::chrono::milliseconds startTimeout = kStartTimeout);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    // "http://127.0.0.1:PORT" as printed.
    const std::string& Url() const { return url_; }
    pid_t Pid() const { return child_.Pid(); }
    // Everything written to standard error so far.
    std::string Log() const;

    // SIGTERM and the exit status (-1 for a signal or a kill after a few seconds).
    int Stop();
    // SIGKILL, as a crash would end it.
    void Kill();
    void Signal(int signal) const;

    // orvaned's path in the build.
    static std::string Path();
    // orvaned.conf listening on a free loopback port.
    static std::string ConfigText(int pollSeconds = 1, std::string_view extra = {});
    // A room file of model AX-210 with these projectors and the inputs "HDMI 1" and "Video".
    static std::string RoomText(const std::vector<RoomProjector>& projectors);

private:
    bool ReadUntilReady(std::chrono::milliseconds timeout);

    std::string logPath_;
    ChildProgram child_;
    bool ready_ = false;
    std::string error_;
    std::string url_;
};

// One HTTP request through curl: its status (0 when curl failed) and body.
struct CurlResult {
    int status = 0;
    std::string body;
};
CurlResult Curl(const std::vector<std::string>& args);

} // namespace orvane::test
