#include "support/MosquittoBroker.h"

#include "support/LoopbackPort.h"
#include "support/RunProgram.h"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace orvane::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kBroker = "/usr/sbin/mosquitto";

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

void InitLibrary() {
    static const int once = mosquitto_lib_init();
    (void)once;
}

} // namespace

MosquittoBroker::MosquittoBroker(Options options) : options_(std::move(options)), port_(UnusedLoopbackPort()) {
    std::string conf = "listener " + std::to_string(port_) + " 127.0.0.1\npersistence false\nlog_dest stderr\n";
    // Started as root, the broker would become the user "mosquitto", who cannot read this folder.
    if (geteuid() == 0)
        conf += "user root\n";
    if (options_.tls) {
        const ProgramResult made =
            RunProgram("/usr/bin/openssl",
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
                        "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", dir_.File("key.pem"), "-out", CaFile()});
        if (made.exitCode != 0) {
            error_ = "openssl could not make a certificate: " + made.err;
            return;
        }
        conf += "certfile " + CaFile() + "\nkeyfile " + dir_.File("key.pem") + "\n";
    }
    if (options_.users.empty()) {
        conf += "allow_anonymous true\n";
    } else {
        conf += "allow_anonymous false\npassword_file " + dir_.File("passwords") + "\n";
        bool first = true;
        for (const auto& [user, password] : options_.users) {
            std::vector<std::string> args = {"-b", dir_.File("passwords"), user, password};
            if (first)
                args.insert(args.begin(), "-c");
            first = false;
            if (RunProgram("/usr/bin/mosquitto_passwd", args).exitCode != 0) {
                error_ = "mosquitto_passwd failed";
                return;
            }
        }
    }
    dir_.Write("mosquitto.conf", conf);
    if (!Start() && error_.empty())
        error_ = "the broker did not start: " + dir_.Read("broker.log");
}

MosquittoBroker::~MosquittoBroker() {
    Stop();
}

std::string MosquittoBroker::Url() const {
    return std::string(options_.tls ? "mqtts" : "mqtt") + "://127.0.0.1:" + std::to_string(port_);
}

std::string MosquittoBroker::MqttSection(std::string_view site, std::string_view extra) const {
    std::string out = "[MQTT]\nBroker=" + Url() + "\nSite=" + std::string(site) + "\n";
    if (options_.tls)
        out += "CAFile=" + CaFile() + "\n";
    return out + std::string(extra);
}

bool MosquittoBroker::Start() {
    if (broker_.Pid() > 0 || port_ == 0)
        return broker_.Pid() > 0;
    if (!broker_.Start({kBroker, "-c", dir_.File("mosquitto.conf")}, ChildProgram::Errors::ToFile,
                       dir_.File("broker.log"))) {
        error_ = std::string("cannot start ") + kBroker;
        return false;
    }
    // It logs to standard error only, so its standard output ends only when it does.
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < end) {
        if (Accepts(port_))
            return true;
        if (broker_.ReadLines(Clock::now() + std::chrono::milliseconds(10), [](const std::string&) { return false; }) ==
            ChildProgram::Read::Ended)
            break;
    }
    Stop();
    return false;
}

void MosquittoBroker::Stop() {
    broker_.Stop(SIGTERM);
}

// --- the probe -----------------------------------------------------------------------------------

MqttProbe::MqttProbe(int port, const std::vector<std::string>& filters, const Options& options) : filters_(filters) {
    InitLibrary();
    mosq_ = mosquitto_new(nullptr, true, this);
    if (mosq_ == nullptr)
        return;
    mosquitto_connect_callback_set(mosq_, &MqttProbe::OnConnect);
    mosquitto_subscribe_callback_set(mosq_, &MqttProbe::OnSubscribe);
    mosquitto_message_callback_set(mosq_, &MqttProbe::OnMessage);
    if (!options.user.empty())
        mosquitto_username_pw_set(mosq_, options.user.c_str(), options.password.c_str());
    if (!options.caFile.empty())
        mosquitto_tls_set(mosq_, options.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    mosquitto_loop_start(mosq_);
    mosquitto_connect_async(mosq_, "127.0.0.1", port, 30);
}

MqttProbe::~MqttProbe() {
    if (mosq_ == nullptr)
        return;
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, true);
    mosquitto_destroy(mosq_);
}

void MqttProbe::OnConnect(mosquitto* mosq, void* self, int rc) {
    if (rc != 0)
        return;
    for (const std::string& filter : static_cast<MqttProbe*>(self)->filters_)
        mosquitto_subscribe(mosq, nullptr, filter.c_str(), 1);
}

void MqttProbe::OnSubscribe(mosquitto* /*mosq*/, void* self, int /*mid*/, int /*count*/, const int* /*granted*/) {
    auto* probe = static_cast<MqttProbe*>(self);
    const std::lock_guard<std::mutex> lock(probe->mutex_);
    ++probe->subscribed_;
}

void MqttProbe::OnMessage(mosquitto* /*mosq*/, void* self, const mosquitto_message* message) {
    auto* probe = static_cast<MqttProbe*>(self);
    const std::lock_guard<std::mutex> lock(probe->mutex_);
    probe->messages_.push_back(
        {message->topic,
         std::string(static_cast<const char*>(message->payload),
                     message->payload == nullptr ? 0 : static_cast<std::size_t>(message->payloadlen)),
         message->retain, Clock::now()});
    probe->lastMessage_ = probe->messages_.back().at;
}

bool MqttProbe::WaitSubscribed(std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (subscribed_ >= static_cast<int>(filters_.size()))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void MqttProbe::Publish(const std::string& topic, const std::string& payload, bool retain) {
    mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
}

std::optional<std::string> MqttProbe::WaitFor(const std::string& topic,
                                              const std::function<bool(const std::string&)>& accept,
                                              std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = messages_.rbegin(); it != messages_.rend(); ++it) {
                if (it->topic == topic) {
                    if (accept(it->payload))
                        return it->payload;
                    break;
                }
            }
        }
        if (Clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void MqttProbe::WaitQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (Clock::now() - lastMessage_ >= quiet)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<BusMessageSeen> MqttProbe::Messages() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::map<std::string, std::string> MqttProbe::Latest() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, std::string> latest;
    for (const BusMessageSeen& m : messages_)
        latest[m.topic] = m.payload;
    return latest;
}

void MqttProbe::Clear() {
    const std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

} // namespace orvane::test
