#include "support/ServiceProcess.h"

#include "support/RunProgram.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvane::test {

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

ServiceProcess::ServiceProcess(const std::string& configPath, std::chrono::milliseconds startTimeout) {
    char name[] = "/tmp/orvaned-log-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0)
        close(fd);
    logPath_ = name;
    if (!child_.Start({Path(), "--config", configPath}, ChildProgram::Errors::ToFile, logPath_)) {
        error_ = "cannot start " + Path();
        return;
    }
    ready_ = ReadUntilReady(startTimeout);
    if (!ready_) {
        error_ += "; stderr: " + Log();
        Stop();
    }
}

ServiceProcess::~ServiceProcess() {
    Stop();
    if (!logPath_.empty())
        unlink(logPath_.c_str());
}

bool ServiceProcess::ReadUntilReady(std::chrono::milliseconds timeout) {
    const ChildProgram::Read read =
        child_.ReadLines(ChildProgram::Clock::now() + timeout, [this](const std::string& line) {
            if (line.rfind("LISTENING ", 0) == 0)
                url_ = line.substr(10);
            return line == "READY";
        });
    if (read == ChildProgram::Read::Done)
        return !url_.empty();
    error_ = read == ChildProgram::Read::TimedOut ? "orvaned printed no READY in time" : "orvaned ended before READY";
    return false;
}

std::string ServiceProcess::Log() const {
    std::ifstream in(logPath_);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void ServiceProcess::Signal(int signal) const {
    child_.Signal(signal);
}

int ServiceProcess::Stop() {
    return child_.Stop(SIGTERM);
}

void ServiceProcess::Kill() {
    child_.Stop(SIGKILL);
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
