#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

struct mosquitto;
struct mosquitto_message;

namespace orvane::mqtt {

// The waits between attempts to reach the broker: 1 s, then twice the last, up to 30 s; a
// connection that was made starts again from 1 s.
class ReconnectBackoff {
public:
    static constexpr std::chrono::seconds kFirst{1};
    static constexpr std::chrono::seconds kMost{30};

    std::chrono::seconds Next();
    void Reset() { next_ = kFirst; }

private:
    std::chrono::seconds next_ = kFirst;
};

// One MQTT connection through libmosquitto, driven by the service's event loop: the library's
// socket is watched by the loop (mosquitto_loop_read when it is readable, mosquitto_loop_write
// when the library has bytes to send, and once the socket has room again if it had none),
// and a one-second timer runs
// mosquitto_loop_misc for the keep-alive. No thread of the library's own. A lost connection, or
// a broker that is not there, is tried again after ReconnectBackoff's wait.
class MqttClient {
public:
    struct Options {
        std::string host;
        int port = 1883;
        bool tls = false;
        std::string caFile;
        std::string user;
        std::string password;
        std::string clientId;
        std::string willTopic; // retained, QoS 1
        std::string willPayload;
        int keepAliveSeconds = 30;
        // A connection attempt that has no answer from the broker in this time is given up.
        std::chrono::milliseconds connectTimeout{10'000};
    };
    struct Handlers {
        std::function<void()> connected;
        std::function<void()> disconnected;
        std::function<void(const std::string& topic, const std::string& payload)> message;
        std::function<void(const std::string& text)> log;
    };

    MqttClient(boost::asio::io_context& loop, Options options, Handlers handlers);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Sets the connection up and makes the first attempt (a broker that is not there yet is
    // tried again later: not an error). False only for settings the library refuses.
    [[nodiscard]] bool Start(std::string& error);
    bool Connected() const { return connected_; }
    // QoS 1. Dropped while not connected: the caller sends its state again on connecting.
    void Publish(const std::string& topic, const std::string& payload, bool retain);
    void Subscribe(const std::string& filter);
    // Sends what is queued and a DISCONNECT; no more attempts after it.
    void Stop();

private:
    static void OnConnect(mosquitto* mosq, void* self, int rc);
    static void OnMessage(mosquitto* mosq, void* self, const mosquitto_message* message);

    void Attempt();
    void Retry();
    // After every call into the library: follows its socket (a socket the library closed is a
    // lost connection) and waits for what the library needs.
    void Follow();
    void WaitReadable();
    void ReadReady();
    void WriteSoon();
    void WaitWritable();
    void Tick();
    void Lost();
    void Log(const std::string& text) const;

    // A handler for the loop that runs `f` only while this client lives and, with ofSocket,
    // only while the library's socket is still the one it was made for: a wait on a socket
    // that is gone must not be taken for one on its successor.
    template <typename F> auto Guarded(F f, bool ofSocket = true) {
        return [this, alive = std::weak_ptr<bool>(alive_), generation = generation_, ofSocket,
                f = std::move(f)](auto&&... args) {
            const auto live = alive.lock();
            if (!live || !*live || (ofSocket && generation != generation_))
                return;
            f(std::forward<decltype(args)>(args)...);
        };
    }

    boost::asio::io_context& loop_;
    Options options_;
    Handlers handlers_;
    mosquitto* mosq_ = nullptr;
    boost::asio::posix::stream_descriptor socket_; // the library's socket, never closed by it
    int fd_ = -1;
    // Counts the library's sockets, so that a wait on one that is gone is not taken for one on
    // its successor.
    unsigned generation_ = 0;
    bool reading_ = false;
    bool writing_ = false;
    bool connected_ = false;
    bool stopped_ = false;
    bool attempted_ = false;
    ReconnectBackoff backoff_;
    boost::asio::steady_timer retry_;
    boost::asio::steady_timer misc_;
    std::chrono::steady_clock::time_point attemptStarted_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace orvane::mqtt
