// The MQTT bridge's two promises, against a Mosquitto broker of the benchmark's own:
//   1. latency: another client sets a pjsim projector's volume behind orvaned's back, and the
//      time from the projector's acknowledgement to the volume message at an MQTT subscriber
//      is taken, 50 times over the projectors of five rooms. Goal: the largest at most one
//      poll interval plus 50 ms (the same goal as the event stream's).
//   2. quiet: a fleet of 1,000 projectors in rooms of five, polled with nothing changing,
//      after the first state is out. Goal: not one message in the measured rounds.
//
//   build/bin/bench_service_mqtt [--interval 1] [--changes 50] [--projectors 1000] [--rounds 3]
//
// Talks to pjsim, Mosquitto and orvaned on 127.0.0.1 only.

#include "ServiceHarness.h"

#include "support/MosquittoBroker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace orvane::bench;
using orvane::test::MosquittoBroker;
using orvane::test::MqttProbe;

constexpr int kRoomSize = 5;
constexpr const char* kFleetOptions = "power=on,input=3,volume=20";

// Returns the largest latency in ms, or -1 on a failure (told on standard error).
double Latency(const MosquittoBroker& broker, int interval, int changes) {
    constexpr int kProjectors = 25;
    ServiceFleet fleet(kProjectors, kRoomSize, kFleetOptions, interval, broker.MqttSection("bench"));
    if (!fleet.Ready())
        return -1;
    MqttProbe probe(broker.Port(), {"orvane/bench/+/+/volume"});
    if (!probe.WaitSubscribed()) {
        std::fprintf(stderr, "the subscriber did not get onto the broker\n");
        return -1;
    }
    usleep(static_cast<useconds_t>(interval) * 2000000U);

    std::vector<double> latenciesMs;
    std::mt19937 rng(std::random_device{}());
    for (int change = 0; change < changes; ++change) {
        const int n = change % kProjectors;
        const std::string topic = "orvane/bench/" + ServiceFolder::RoomId(static_cast<std::size_t>(n / kRoomSize)) +
                                  "/" + std::to_string(n % kRoomSize + 1) + "/volume";
        const int volume = 21 + change % 40;
        const std::optional<Clock::time_point> changed = SetVolumeAt(fleet.Sim(), n + 1, volume, interval, rng);
        if (!changed)
            return -1;
        const std::string expected = std::to_string(volume);
        if (!probe.WaitFor(
                topic, [&](const std::string& p) { return p == expected; }, std::chrono::seconds(interval + 2))) {
            std::fprintf(stderr, "no message for the change on %s\n", topic.c_str());
            return -1;
        }
        for (const auto& m : probe.Messages()) {
            if (m.topic == topic && m.payload == expected) {
                latenciesMs.push_back(std::chrono::duration<double, std::milli>(m.at - *changed).count());
                break;
            }
        }
        probe.Clear();
    }
    fleet.Service().Stop();
    return ReportLatencies("MQTT message", interval, latenciesMs);
}

// Returns the messages counted in the quiet rounds, or -1 on a failure.
long Quiet(const MosquittoBroker& broker, int projectors, int interval, int rounds) {
    // Subscribed before orvaned starts, so that the first state is counted whole.
    MqttProbe probe(broker.Port(), {"orvane/bench/#"});
    if (!probe.WaitSubscribed()) {
        std::fprintf(stderr, "the subscriber did not get onto the broker\n");
        return -1;
    }
    ServiceFleet fleet(projectors, kRoomSize, kFleetOptions, interval, broker.MqttSection("bench"));
    if (!fleet.Ready())
        return -1;
    // The first state of every projector, then quiet for a whole interval.
    const std::string last = "orvane/bench/" +
                             ServiceFolder::RoomId(static_cast<std::size_t>((projectors - 1) / kRoomSize)) + "/" +
                             std::to_string((projectors - 1) % kRoomSize + 1) + "/power";
    if (!probe.WaitFor(
            last, [](const std::string& p) { return p == "on"; }, std::chrono::seconds(4 * interval + 30))) {
        std::fprintf(stderr, "the fleet's first state did not arrive\n");
        return -1;
    }
    probe.WaitQuiet(std::chrono::seconds(interval) + std::chrono::milliseconds(500), std::chrono::seconds(120));
    const std::size_t first = probe.Messages().size();
    probe.Clear();
    usleep(static_cast<useconds_t>(interval * rounds) * 1000000U);
    const long quiet = static_cast<long>(probe.Messages().size());
    fleet.Service().Stop();
    std::printf("%d projectors polled every %d s with nothing changing: %zu messages for the first state, %ld in "
                "the %d rounds after it (goal: 0)\n",
                projectors, interval, first, quiet, rounds);
    return quiet;
}

} // namespace

int main(int argc, char** argv) {
    int interval = 1, changes = 50, projectors = 1000, rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const int value = std::max(1, std::atoi(argv[i + 1]));
        if (key == "--interval")
            interval = value;
        else if (key == "--changes")
            changes = value;
        else if (key == "--projectors")
            projectors = value;
        else if (key == "--rounds")
            rounds = value;
    }
    orvane::test::TempDir dir;
    orvane::test::ScopedWorkDir work(dir.path());
    MosquittoBroker broker;
    if (!broker.Ready()) {
        std::fprintf(stderr, "the broker did not start: %s\n", broker.Error().c_str());
        return 1;
    }
    const double largest = Latency(broker, interval, changes);
    const long quiet = Quiet(broker, projectors, std::max(interval, 5), rounds);
    if (largest < 0 || quiet < 0)
        return 1;
    return largest <= interval * 1000 + 50 && quiet == 0 ? 0 : 2;
}
