#include "mqtt/MqttClient.h"

#include <boost/asio/post.hpp>

#include <mosquitto.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace orvane::mqtt {

namespace asio = boost::asio;

namespace {

// Reads of one readiness: the loop's epoll reports a socket once per arrival, so what the
// library leaves in the socket's buffer is read before waiting again, up to this many packets
// before the other work on the loop gets its turn.
constexpr int kReadsPerTurn = 256;

std::string ErrorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return std::strerror(errno);
    return mosquitto_strerror(rc);
}

} // namespace

std::chrono::seconds ReconnectBackoff::Next() {
    const std::chrono::seconds wait = next_;
    next_ = std::min(next_ * 2, kMost);
    return wait;
}

MqttClient::MqttClient(asio::io_context& loop, Options options, Handlers handlers)
    : loop_(loop), options_(std::move(options)), handlers_(std::move(handlers)), socket_(loop), retry_(loop),
      misc_(loop) {}

MqttClient::~MqttClient() {
    *alive_ = false;
    if (fd_ >= 0) {
        (void)socket_.release();
    }
    if (mosq_ != nullptr)
        mosquitto_destroy(mosq_);
}

bool MqttClient::Start(std::string& error) {
    static std::once_flag init;
    std::call_once(init, [] { mosquitto_lib_init(); });
    mosq_ = mosquitto_new(options_.clientId.c_str(), true, this);
    if (mosq_ == nullptr) {
        error = "cannot set up an MQTT client: " + std::string(std::strerror(errno));
        return false;
    }
    mosquitto_connect_callback_set(mosq_, &MqttClient::OnConnect);
    mosquitto_message_callback_set(mosq_, &MqttClient::OnMessage);
    int rc = MOSQ_ERR_SUCCESS;
    if (!options_.user.empty()) {
        rc = mosquitto_username_pw_set(mosq_, options_.user.c_str(),
                                       options_.password.empty() ? nullptr : options_.password.c_str());
    }
    if (rc == MOSQ_ERR_SUCCESS && !options_.willTopic.empty()) {
        rc = mosquitto_will_set(mosq_, options_.willTopic.c_str(), static_cast<int>(options_.willPayload.size()),
                                options_.willPayload.data(), 1, true);
    }
    if (rc == MOSQ_ERR_SUCCESS && options_.tls)
        rc = mosquitto_tls_set(mosq_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = "MQTT settings refused: " + ErrorText(rc);
        return false;
    }
    Tick();
    Attempt();
    return true;
}

void MqttClient::Log(const std::string& text) const {
    if (handlers_.log)
        handlers_.log(text);
}

void MqttClient::Attempt() {
    if (stopped_)
        return;
    attemptStarted_ = std::chrono::steady_clock::now();
    // The asynchronous connect leaves the TCP (and TLS) handshake to the loop's readiness
    // calls, so a broker that is slow to answer holds up nothing else on the loop.
    const int rc = mosquitto_connect_async(mosq_, options_.host.c_str(), options_.port, options_.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        Log("cannot reach the broker " + options_.host + ":" + std::to_string(options_.port) + ": " + ErrorText(rc));
        Follow();
        if (fd_ < 0)
            Retry();
        return;
    }
    Follow();
}

void MqttClient::Retry() {
    if (stopped_)
        return;
    const std::chrono::seconds wait = backoff_.Next();
    retry_.expires_after(wait);
    retry_.async_wait(Guarded(
        [this](const boost::system::error_code& ec) {
            if (!ec)
                Attempt();
        },
        false));
}

void MqttClient::Follow() {
    const int fd = mosquitto_socket(mosq_);
    if (fd != fd_) {
        if (fd_ >= 0) {
            // The library closes its own socket; the loop only lets go of it.
            (void)socket_.release();
        }
        ++generation_;
        reading_ = writing_ = false;
        fd_ = fd;
        if (fd_ >= 0) {
            boost::system::error_code ec;
            socket_.assign(fd_, ec);
        } else if (attempted_) {
            Lost();
            return;
        }
    }
    if (fd_ < 0)
        return;
    attempted_ = true;
    if (!reading_)
        WaitReadable();
    if (!writing_ && mosquitto_want_write(mosq_))
        WriteSoon();
}

void MqttClient::WriteSoon() {
    // Packets queued from within the library's callbacks wait for a write that nobody may
    // wake: the loop's epoll reports writability once per change, and the socket may have been
    // writable all along. So the write is tried first; only a full socket waits for room.
    writing_ = true;
    asio::post(loop_, Guarded([this] {
                   writing_ = false;
                   (void)mosquitto_loop_write(mosq_, 1);
                   if (fd_ >= 0 && mosquitto_socket(mosq_) == fd_ && mosquitto_want_write(mosq_)) {
                       WaitWritable();
                       return;
                   }
                   Follow();
               }));
}

void MqttClient::WaitReadable() {
    reading_ = true;
    socket_.async_wait(asio::posix::stream_descriptor::wait_read, Guarded([this](const boost::system::error_code& ec) {
                           reading_ = false;
                           if (!ec)
                               ReadReady();
                       }));
}

void MqttClient::ReadReady() {
    for (int i = 0; i < kReadsPerTurn; ++i) {
        (void)mosquitto_loop_read(mosq_, 1);
        const int fd = mosquitto_socket(mosq_);
        if (fd != fd_ || fd < 0)
            break;
        int waiting = 0;
        const auto* ssl = static_cast<SSL*>(mosquitto_ssl_get(mosq_));
        if ((ioctl(fd, FIONREAD, &waiting) != 0 || waiting <= 0) && (ssl == nullptr || SSL_pending(ssl) <= 0)) {
            Follow();
            return;
        }
    }
    // More to read than one turn takes: the rest after the loop's other work.
    Follow();
    if (fd_ >= 0 && !reading_) {
        reading_ = true;
        asio::post(loop_, Guarded([this] {
                       reading_ = false;
                       ReadReady();
                   }));
    }
}

void MqttClient::WaitWritable() {
    writing_ = true;
    socket_.async_wait(asio::posix::stream_descriptor::wait_write, Guarded([this](const boost::system::error_code& ec) {
                           writing_ = false;
                           if (ec)
                               return;
                           (void)mosquitto_loop_write(mosq_, 1);
                           Follow();
                       }));
}

void MqttClient::Tick() {
    if (stopped_)
        return;
    if (mosq_ != nullptr && fd_ >= 0) {
        (void)mosquitto_loop_misc(mosq_);
        if (!connected_ && std::chrono::steady_clock::now() - attemptStarted_ > options_.connectTimeout) {
            Log("the broker " + options_.host + ":" + std::to_string(options_.port) + " did not answer in time");
            // Ends a TCP handshake still under way too: the next read fails, the library
            // closes its socket and Follow tries again.
            (void)::shutdown(fd_, SHUT_RDWR);
        }
        Follow();
    }
    misc_.expires_after(std::chrono::seconds(1));
    misc_.async_wait(Guarded(
        [this](const boost::system::error_code& ec) {
            if (!ec)
                Tick();
        },
        false));
}

void MqttClient::Lost() {
    attempted_ = false;
    if (connected_) {
        connected_ = false;
        Log("lost the broker " + options_.host + ":" + std::to_string(options_.port));
        if (handlers_.disconnected)
            handlers_.disconnected();
    }
    Retry();
}

void MqttClient::Publish(const std::string& topic, const std::string& payload, bool retain) {
    if (!connected_)
        return;
    (void)mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
    Follow();
}

void MqttClient::Subscribe(const std::string& filter) {
    if (!connected_)
        return;
    (void)mosquitto_subscribe(mosq_, nullptr, filter.c_str(), 1);
    Follow();
}

void MqttClient::Stop() {
    if (stopped_)
        return;
    stopped_ = true;
    retry_.cancel();
    misc_.cancel();
    if (mosq_ != nullptr && fd_ >= 0) {
        (void)mosquitto_disconnect(mosq_);
        (void)mosquitto_loop_write(mosq_, 1);
    }
    connected_ = false;
    // Lets go of a socket the library closed, before its number can be another's.
    Follow();
}

void MqttClient::OnConnect(mosquitto* /*mosq*/, void* self, int rc) {
    auto* client = static_cast<MqttClient*>(self);
    if (rc != 0) {
        client->Log("the broker " + client->options_.host + ":" + std::to_string(client->options_.port) +
                    " refused the connection: " + mosquitto_connack_string(rc));
        return;
    }
    client->connected_ = true;
    client->backoff_.Reset();
    client->Log("connected to the broker " + client->options_.host + ":" + std::to_string(client->options_.port));
    if (client->handlers_.connected)
        client->handlers_.connected();
}

void MqttClient::OnMessage(mosquitto* /*mosq*/, void* self, const mosquitto_message* message) {
    auto* client = static_cast<MqttClient*>(self);
    if (!client->handlers_.message || message == nullptr || message->topic == nullptr)
        return;
    const std::string payload(static_cast<const char*>(message->payload),
                              message->payload == nullptr ? 0 : static_cast<std::size_t>(message->payloadlen));
    client->handlers_.message(message->topic, payload);
}

} // namespace orvane::mqtt
