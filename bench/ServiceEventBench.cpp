// How soon a change at a projector reaches an event-stream client: another client sets a pjsim
// projector's volume behind orvaned's back, and the time from the projector's acknowledgement
// to the "projector" event carrying the new volume is taken, 50 times over the projectors of
// five rooms. Goal: the largest at most one poll interval plus 50 ms.
//
//   build/bin/bench_service_events [--interval 1] [--changes 50]
//
// Talks to pjsim and orvaned on 127.0.0.1 only.

#include "ServiceHarness.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace orvane::bench;

constexpr int kRooms = 5;
constexpr int kRoomSize = 5;

// The event stream as a client reads it: the answer's head, then "event:"/"data:" blocks,
// with a chunked body undone.
class EventStream {
public:
    explicit EventStream(int port) : fd_(ConnectLoopback(port)) {
        const std::string text = HttpRequestText("GET", "/api/v1/events");
        if (fd_ >= 0)
            send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
    }
    ~EventStream() {
        if (fd_ >= 0)
            close(fd_);
    }
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // The data of the next event named `name`, waiting up to timeoutMs; null when none came.
    nlohmann::json Next(const std::string& name, int timeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::size_t blockEnd;
            while ((blockEnd = text_.find("\n\n")) != std::string::npos) {
                const std::string block = text_.substr(0, blockEnd);
                text_.erase(0, blockEnd + 2);
                if (block.find("event: " + name) == std::string::npos)
                    continue;
                const std::size_t data = block.find("data: ");
                if (data == std::string::npos)
                    continue;
                const std::size_t eol = block.find('\n', data);
                nlohmann::json parsed = nlohmann::json::parse(
                    block.substr(data + 6, eol == std::string::npos ? eol : eol - data - 6), nullptr, false);
                if (!parsed.is_discarded())
                    return parsed;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || !Read(static_cast<int>(left)))
                return nullptr;
        }
    }

private:
    bool Read(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return true; // a time-out: Next decides
        char buffer[65536];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        raw_.append(buffer, static_cast<std::size_t>(n));
        if (!headDone_) {
            const std::size_t end = raw_.find("\r\n\r\n");
            if (end == std::string::npos)
                return true;
            std::string head = raw_.substr(0, end);
            std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
            chunked_ = head.find("transfer-encoding: chunked") != std::string::npos;
            raw_.erase(0, end + 4);
            headDone_ = true;
        }
        if (!chunked_) {
            text_ += raw_;
            raw_.clear();
            return true;
        }
        for (;;) {
            const std::size_t eol = raw_.find("\r\n");
            if (eol == std::string::npos)
                return true;
            const std::size_t size = std::stoul(raw_.substr(0, eol), nullptr, 16);
            if (raw_.size() < eol + 2 + size + 2)
                return true;
            text_ += raw_.substr(eol + 2, size);
            raw_.erase(0, eol + 2 + size + 2);
        }
    }

    int fd_;
    bool headDone_ = false;
    bool chunked_ = false;
    std::string raw_;
    std::string text_;
};

} // namespace

int main(int argc, char** argv) {
    int interval = 1, changes = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--interval")
            interval = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--changes")
            changes = std::max(1, std::atoi(argv[i + 1]));
    }
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work(dir.path());
    ServiceFleet fleet(kRooms * kRoomSize, kRoomSize, "power=on,input=3,volume=20", interval);
    if (!fleet.Ready())
        return 1;
    Orvaned& service = fleet.Service();
    // Two intervals: every projector polled at least once before the stream starts.
    usleep(static_cast<useconds_t>(interval) * 2000000U);
    EventStream events(service.Port());
    for (int i = 0; i < kRooms * kRoomSize; ++i) {
        if (events.Next("projector", 2000).is_null()) {
            std::fprintf(stderr, "the stream did not start with every projector's state\n");
            return 1;
        }
    }

    std::vector<double> latenciesMs;
    std::mt19937 rng(std::random_device{}());
    for (int change = 0; change < changes; ++change) {
        const int n = change % (kRooms * kRoomSize); // fleet projector, 0-based
        const std::string room = ServiceFolder::RoomId(static_cast<std::size_t>(n / kRoomSize));
        const int slot = n % kRoomSize + 1;
        const int volume = 21 + change % 40;
        const std::optional<Clock::time_point> changed = SetVolumeAt(fleet.Sim(), n + 1, volume, interval, rng);
        if (!changed)
            return 1;
        for (;;) {
            const nlohmann::json data = events.Next("projector", (interval + 2) * 1000);
            if (data.is_null()) {
                std::fprintf(stderr, "no event for the change of %s slot %d\n", room.c_str(), slot);
                return 1;
            }
            if (data.value("room", "") == room && data.value("slot", 0) == slot && data["volume"] == volume)
                break;
        }
        latenciesMs.push_back(SecondsSince(*changed) * 1e3);
    }
    service.Stop();
    ReportLatencies("event", interval, latenciesMs);
    return 0;
}
