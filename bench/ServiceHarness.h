#pragma once

// What the service benchmarks share: a folder with orvaned.conf and rooms of five pjsim
// projectors each, orvaned started on it as an operator would start it, a plain HTTP client,
// the CPU time and peak memory of a process, and pjsim's request log read as it grows with
// the time each line arrived. Everything talks to 127.0.0.1 only.

#include "LinkFloor.h"

#include "support/PjsimProcess.h"
#include "support/RunProgram.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A room of the sample catalog's model AX-210 (volume 0..63) as the toolbar writes it, its
// projectors on 127.0.0.1 at `ports`.
inline std::string RoomFile(const std::vector<int>& ports) {
    std::ostringstream out;
    out << "[GENERAL]\nMODEL=AX-210\nModelID=101\nType=1\nDiscovery=0\nImageSendEnable=0\nImageDispEnable=0\n";
    out << "[PROJECTOR]\nPJTNUM=" << ports.size() << "\nSELECTPRJ=1\n";
    for (std::size_t i = 0; i < ports.size(); ++i)
        out << "[CONNECT-" << i + 1 << "]\nCONMETHOD=1\nCOMPORTNO=0\nTCPPORTNO=" << ports[i]
            << "\nIPADDRESS=127.0.0.1\nPASSWORD=\n";
    out << "[TOOLBAR]\n";
    for (const char* key :
         {"CONFIG", "POWERON", "POWEROFF", "BLANKON", "BLANKOFF", "VOLUME", "MUTE", "FREEZEON", "FREEZEOFF", "ABOUT"})
        out << key << "=1\n";
    out << "ADVANCE=0\nIMGSEND=0\n[INPUTSOURCE]\nInputNum=3\n";
    out << "Input_001=1;0;Computer in 1\nInput_002=1;3;HDMI 1\nInput_003=1;1;Video\n";
    out << "[SCREEN]\nICON=1\nALWAYSONTOP=0\n[Volume]\nMin-Max=0,63\n";
    return out.str();
}

// The service's folder: orvaned.conf, the rooms r001.txt ... and the files the programs find
// beside them (catalogs, the sample model catalog).
class ServiceFolder {
public:
    // rooms[i] holds the ports of room i's projectors.
    ServiceFolder(const std::vector<std::vector<int>>& rooms, int pollSeconds, int maxInFlight = 64,
                  std::string_view extraConf = {}) {
        std::ostringstream conf;
        conf << "[Service]\nListen=127.0.0.1:0\nPollSeconds=" << pollSeconds << "\nMaxInFlight=" << maxInFlight
             << "\nMaxConnections=1024\n[Rooms]\nFolder=rooms\n"
             << extraConf;
        dir_.Write("orvaned.conf", conf.str());
        mkdir(dir_.File("rooms").c_str(), 0700);
        for (std::size_t i = 0; i < rooms.size(); ++i)
            dir_.Write("rooms/" + RoomId(i) + ".txt", RoomFile(rooms[i]));
        for (const char* name : {"txtdef.cat", "txtzhs.cat"})
            Copy(test::BinPath(name), dir_.File(name));
        Copy(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", dir_.File("OrvaneModel.txt"));
    }
    static std::string RoomId(std::size_t i) {
        char id[32];
        std::snprintf(id, sizeof id, "r%03zu", i + 1);
        return id;
    }
    std::string Config() const { return dir_.File("orvaned.conf"); }
    const std::string& Path() const { return dir_.path(); }

private:
    static void Copy(const std::string& from, const std::string& to) {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(to, std::ios::binary);
        out << in.rdbuf();
    }
    test::TempDir dir_;
};

// CPU seconds (user + system) a running process has used so far; -1 when it is gone.
inline double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t paren = text.rfind(')');
    if (paren == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) { // field 3 is the state
        if (i == 14)
            utime = std::stod(field);
        if (i == 15) {
            stime = std::stod(field);
            break;
        }
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The process's peak resident memory in MiB (VmHWM); -1 when it is gone.
inline double PeakRssMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

// orvaned on a folder, started as the tests start it, with the port of its LISTENING line.
class Orvaned : public test::ServiceProcess {
public:
    explicit Orvaned(const ServiceFolder& folder) : ServiceProcess(folder.Config(), std::chrono::seconds(30)) {}
    int Port() const {
        const std::size_t colon = Url().rfind(':');
        return colon == std::string::npos ? 0 : std::atoi(Url().c_str() + colon + 1);
    }
};

// What every service benchmark stands on: a pjsim fleet of `projectors` with the same options,
// in rooms of roomSize in the fleet's order (the last one may be short), and orvaned serving
// them from a folder of its own, with `extraConf` added to its orvaned.conf. Ready() or the
// reason told on standard error.
class ServiceFleet {
public:
    ServiceFleet(int projectors, int roomSize, const std::string& options, int pollSeconds,
                 std::string_view extraConf = {})
        : sim_({}, {"--fleet", std::to_string(projectors) + "," + options}), ports_(Group(sim_, projectors, roomSize)),
          folder_(ports_, pollSeconds, 64, extraConf), service_(folder_) {
        if (!sim_.Ready())
            std::fprintf(stderr, "pjsim did not start: %s\n", sim_.Error().c_str());
        else if (!service_.Ready())
            std::fprintf(stderr, "orvaned did not start:\n%s\n", service_.Error().c_str());
    }
    bool Ready() const { return sim_.Ready() && service_.Ready(); }
    const test::PjsimProcess& Sim() const { return sim_; }
    Orvaned& Service() { return service_; }
    // The fleet's ports, room by room.
    const std::vector<std::vector<int>>& Rooms() const { return ports_; }

private:
    static std::vector<std::vector<int>> Group(const test::PjsimProcess& sim, int projectors, int roomSize) {
        std::vector<std::vector<int>> ports(static_cast<std::size_t>((projectors + roomSize - 1) / roomSize));
        for (int n = 1; sim.Ready() && n <= projectors; ++n)
            ports[static_cast<std::size_t>((n - 1) / roomSize)].push_back(sim.Port(n));
        return ports;
    }

    test::PjsimProcess sim_;
    std::vector<std::vector<int>> ports_;
    ServiceFolder folder_;
    Orvaned service_;
};

// Sets fleet projector n's (1-based) volume behind orvaned's back, over a connection of its
// own, at a random point of a poll cycle of `interval` seconds: changes land anywhere in the
// cycle, not always just after a poll. When the projector acknowledged it, or nothing (told
// on standard error) when the set failed.
inline std::optional<Clock::time_point> SetVolumeAt(const test::PjsimProcess& sim, int n, int volume, int interval,
                                                    std::mt19937& rng) {
    constexpr std::uint16_t kVolume = 0x2001;
    usleep(static_cast<useconds_t>(rng() % (static_cast<unsigned>(interval) * 1000000U)));
    std::vector<FloorJob> set(1);
    set[0].port = sim.Port(n);
    set[0].requests.push_back({1, kVolume, static_cast<std::uint16_t>(volume)});
    LinkFloor client(1);
    client.AddChain(set);
    client.Run();
    const Clock::time_point changed = Clock::now();
    if (client.Failed() != 0) {
        std::fprintf(stderr, "the volume set to projector %d failed\n", n);
        return std::nullopt;
    }
    return changed;
}

// Prints the figures of a change benchmark's latencies and returns the largest.
inline double ReportLatencies(const char* reaching, int interval, std::vector<double> latenciesMs) {
    std::sort(latenciesMs.begin(), latenciesMs.end());
    std::printf("change at a projector to %s, %zu changes, poll interval %d s: largest %.0f ms, median %.0f ms "
                "(goal: largest at most %d ms)\n",
                reaching, latenciesMs.size(), interval, latenciesMs.back(), latenciesMs[latenciesMs.size() / 2],
                interval * 1000 + 50);
    return latenciesMs.back();
}

// A blocking TCP connection to 127.0.0.1:port with TCP_NODELAY; -1 on failure.
inline int ConnectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

struct HttpAnswer {
    int status = 0; // 0: no answer
    std::string body;
};

// Reads one HTTP/1.1 answer with a Content-Length body from fd; `pending` keeps what was read
// beyond it for the next answer on a kept-alive connection.
inline HttpAnswer ReadHttpAnswer(int fd, std::string& pending) {
    HttpAnswer answer;
    std::size_t headerEnd;
    char buffer[65536];
    while ((headerEnd = pending.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return answer;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    std::size_t length = 0;
    std::istringstream headers(pending.substr(0, headerEnd));
    std::string line;
    std::getline(headers, line);
    if (line.size() > 12)
        answer.status = std::stoi(line.substr(9, 3));
    while (std::getline(headers, line)) {
        std::string lower;
        for (char c : line)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.rfind("content-length:", 0) == 0)
            length = std::stoul(line.substr(15));
    }
    const std::size_t total = headerEnd + 4 + length;
    while (pending.size() < total) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            answer.status = 0;
            return answer;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    answer.body = pending.substr(headerEnd + 4, length);
    pending.erase(0, total);
    return answer;
}

inline std::string HttpRequestText(const std::string& method, const std::string& path, const std::string& body = {}) {
    std::string text = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!body.empty())
        text += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

// One request on a connection of its own.
inline HttpAnswer HttpCall(int port, const std::string& method, const std::string& path, const std::string& body = {}) {
    const int fd = ConnectLoopback(port);
    if (fd < 0)
        return {};
    const std::string text = HttpRequestText(method, path, body);
    HttpAnswer answer;
    if (send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        std::string pending;
        answer = ReadHttpAnswer(fd, pending);
    }
    close(fd);
    return answer;
}

// pjsim's request log as it grows, each line with the time it was read (every few ms).
class LogTail {
public:
    struct Line {
        double at; // seconds since the tail was made
        std::string text;
    };
    explicit LogTail(std::string path) : path_(std::move(path)), start_(Clock::now()) {}
    // Reads what was added since the last call.
    void Poll() {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset_));
        std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const double at = SecondsSince(start_);
        partial_ += chunk;
        offset_ += chunk.size();
        std::size_t eol;
        while ((eol = partial_.find('\n')) != std::string::npos) {
            lines_.push_back({at, partial_.substr(0, eol)});
            partial_.erase(0, eol + 1);
        }
    }
    // Polls every `stepMs` for `seconds`.
    void Follow(double seconds, int stepMs = 20) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            Poll();
            usleep(static_cast<useconds_t>(stepMs) * 1000);
        }
        Poll();
    }
    const std::vector<Line>& Lines() const { return lines_; }
    double Now() const { return SecondsSince(start_); }

private:
    std::string path_;
    Clock::time_point start_;
    std::size_t offset_ = 0;
    std::string partial_;
    std::vector<Line> lines_;
};

} // namespace orvane::bench
