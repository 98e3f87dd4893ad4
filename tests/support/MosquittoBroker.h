#pragma once

#include "support/ChildProgram.h"
#include "support/TempDir.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace orvane::test {

// A Mosquitto broker of the test's own: a configuration file in a private folder, a listener
// on a free port of 127.0.0.1 (TLS with a certificate made here when asked), no persistence.
// Stop and Start again keep the port, as a broker restarted by its operator does.
//
//   MosquittoBroker broker;
//   ASSERT_TRUE(broker.Ready()) << broker.Error();
//   dir.Write("orvaned.conf", ServiceProcess::ConfigText(1, broker.MqttSection("site")));
class MosquittoBroker {
public:
    struct Options {
        bool tls = false;
        // "user:password" pairs; anonymous clients are then refused.
        std::vector<std::pair<std::string, std::string>> users;
    };

    MosquittoBroker() : MosquittoBroker(Options{}) {}
    explicit MosquittoBroker(Options options);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    bool Ready() const { return broker_.Pid() > 0; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }
    // "mqtt://127.0.0.1:PORT" (mqtts:// with TLS).
    std::string Url() const;
    // The CA certificate a client trusts the broker with (TLS only).
    std::string CaFile() const { return dir_.File("cert.pem"); }
    // An orvaned.conf [MQTT] section for this broker: Site=site, and `extra` lines.
    std::string MqttSection(std::string_view site, std::string_view extra = {}) const;

    // Ends the broker (SIGTERM) and starts it again on the same port; retained messages go.
    void Stop();
    [[nodiscard]] bool Start();

private:
    Options options_;
    TempDir dir_;
    int port_ = 0;
    ChildProgram broker_;
    std::string error_;
};

// One message as a subscriber got it.
struct BusMessageSeen {
    std::string topic;
    std::string payload;
    bool retained = false;
    std::chrono::steady_clock::time_point at; // when it arrived
};

// A subscriber and publisher of the tests on libmosquitto's own thread: it keeps every message
// its filters bring, and the last payload of each topic.
class MqttProbe {
public:
    struct Options {
        std::string caFile; // TLS when set
        std::string user;
        std::string password;
    };
    MqttProbe(int port, const std::vector<std::string>& filters) : MqttProbe(port, filters, Options{}) {}
    MqttProbe(int port, const std::vector<std::string>& filters, const Options& options);
    ~MqttProbe();
    MqttProbe(const MqttProbe&) = delete;
    MqttProbe& operator=(const MqttProbe&) = delete;

    // Connected and subscribed within the time.
    bool WaitSubscribed(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Publish(const std::string& topic, const std::string& payload, bool retain = false);
    // The last payload on `topic` once `accept` takes it; none when the time runs out first.
    std::optional<std::string> WaitFor(const std::string& topic, const std::function<bool(const std::string&)>& accept,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::optional<std::string> WaitFor(const std::string& topic,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        return WaitFor(
            topic, [](const std::string&) { return true; }, timeout);
    }
    // Waits until no message came for `quiet` (at most `timeout` in all).
    void WaitQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<BusMessageSeen> Messages() const;
    // Last payload per topic (an empty payload is kept as it came).
    std::map<std::string, std::string> Latest() const;
    void Clear();

private:
    static void OnConnect(mosquitto* mosq, void* self, int rc);
    static void OnSubscribe(mosquitto* mosq, void* self, int mid, int count, const int* granted);
    static void OnMessage(mosquitto* mosq, void* self, const mosquitto_message* message);

    mosquitto* mosq_ = nullptr;
    std::vector<std::string> filters_;
    mutable std::mutex mutex_;
    int subscribed_ = 0;
    std::vector<BusMessageSeen> messages_;
    std::chrono::steady_clock::time_point lastMessage_ = std::chrono::steady_clock::now();
};

} // namespace orvane::test
