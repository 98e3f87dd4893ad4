#include "support/PjsimProcess.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

namespace orvane::test {

namespace {

using Clock = ChildProgram::Clock;

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
    if (!child_.Start(args)) {
        error_ = "cannot start " + Path();
        return;
    }
    ready_ = ReadUntilReady();
    if (!ready_)
        Stop();
}

PjsimProcess::~PjsimProcess() {
    Stop();
}

bool PjsimProcess::ReadUntilReady() {
    const ChildProgram::Read read = child_.ReadLines(Clock::now() + kStartTimeout, [this](const std::string& line) {
        if (line == "READY")
            return true;
        unsigned n = 0;
        char address[256] = {};
        if (std::sscanf(line.c_str(), "PROJECTOR %u %255s", &n, address) == 2 && n == addresses_.size() + 1)
            addresses_.push_back(address);
        if (line.rfind("DISCOVERY ", 0) == 0 && line.rfind(':') != std::string::npos)
            discoveryPort_ = std::atoi(line.c_str() + line.rfind(':') + 1);
        return false;
    });
    if (read == ChildProgram::Read::TimedOut)
        error_ = "pjsim printed no READY within " + std::to_string(kStartTimeout.count()) + " ms";
    if (read == ChildProgram::Read::Ended)
        error_ = "pjsim ended before READY (see its message above)";
    return read == ChildProgram::Read::Done;
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
    return child_.Stop(SIGTERM);
}

int PjsimProcess::Run(const std::vector<std::string>& args, std::string* output, std::chrono::milliseconds timeout) {
    std::vector<std::string> argv = {Path()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProgram child;
    if (!child.Start(argv, ChildProgram::Errors::WithOutput))
        return -1;
    const auto end = Clock::now() + timeout;
    const std::string text = child.ReadRest(end);
    if (output != nullptr)
        *output = text;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return child.Stop(0, std::max(left, std::chrono::milliseconds(0)));
}

} // namespace orvane::test
