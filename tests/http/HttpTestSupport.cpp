#include "HttpTestSupport.h"

#include "support/RunProgram.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cctype>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

using nlohmann::json;

namespace {
json Projector() {
    return json{{"slot", 1},
                {"address", "127.0.0.1:4352"},
                {"protocol", "pjlink"},
                {"reachable", true},
                {"power", "on"},
                {"input", "HDMI 1"},
                {"volume", nullptr},
                {"name", "front"},
                {"lamps", json::array()},
                {"errors", json::object()},
                {"last_seen", nullptr},
                {"last_error", nullptr}};
}

json RoomR1() {
    return json{{"id", "r1"},
                {"model", "demo"},
                {"reported_slot", 1},
                {"inputs", {"HDMI 1"}},
                {"commands", {"power_on", "power_off"}},
                {"projectors", {Projector()}}};
}
} // namespace

json FakeModel::Rooms() const {
    return json{{"rooms", {RoomR1()}}};
}

std::optional<json> FakeModel::Room(std::string_view id) const {
    if (id != "r1")
        return std::nullopt;
    return RoomR1();
}

void FakeModel::RunCommand(std::string_view roomId, const json& body, CommandDone done) {
    commands.push_back(body);
    if (roomId != "r1") {
        done({404, json{{"error", "no such room"}}});
        return;
    }
    const std::string command = body.is_object() ? body.value("command", "") : "";
    if (command == "later") {
        later = std::move(done);
        return;
    }
    if (command != "power_on" && command != "fail") {
        done({400, json{{"error", "unknown command"}}});
        return;
    }
    const bool ok = command == "power_on";
    json answer{{"command", command},
                {"ok", ok},
                {"results", {{{"slot", 1}, {"ok", ok}, {"message", ok ? json(nullptr) : json("failed")}}}}};
    done({ok ? 200 : 502, answer});
}

std::vector<service::ServiceEvent> FakeModel::CurrentState() const {
    json data = Projector();
    data["room"] = "r1";
    return {service::ServiceEvent{"projector", data}};
}

FakeModel::Subscription FakeModel::Subscribe(Listener listener) {
    listeners_[next_] = std::move(listener);
    return next_++;
}

void FakeModel::Unsubscribe(Subscription subscription) {
    listeners_.erase(subscription);
}

std::string FakeModel::Metrics() const {
    return "# TYPE orvane_projector_up gauge\norvane_projector_up{room=\"r1\",slot=\"1\"} 1\n";
}

void FakeModel::Push(const service::ServiceEvent& event) {
    // A listener may unsubscribe while it runs.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners)
        listener(event);
}

http::HttpSettings LoopbackSettings() {
    http::HttpSettings settings;
    settings.host = "127.0.0.1";
    settings.port = 0;
    return settings;
}

LiveServer::LiveServer(http::HttpSettings settings) : server_(loop_, model_, std::move(settings)) {
    started_ = server_.Start(error_);
    if (!started_)
        return;
    url_ = server_.Url();
    port_ = static_cast<std::uint16_t>(std::stoi(url_.substr(url_.rfind(':') + 1)));
    thread_ = std::thread([this] {
        auto guard = boost::asio::make_work_guard(loop_);
        loop_.run();
    });
}

LiveServer::~LiveServer() {
    if (!thread_.joinable())
        return;
    OnLoop([this] { server_.Stop(); });
    loop_.stop();
    thread_.join();
}

std::string Reply::Header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

TestClient::TestClient(std::uint16_t port, const std::string& caFile, int maxTlsVersion) {
    // A TLS write to a connection the server closed must fail, not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{5, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (!connected_ || caFile.empty())
        return;
    tlsContext_ = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_verify(tlsContext_, SSL_VERIFY_PEER, nullptr);
    connected_ = SSL_CTX_load_verify_locations(tlsContext_, caFile.c_str(), nullptr) == 1;
    if (maxTlsVersion != 0) {
        // Let the client offer old versions, so that only the server can refuse them.
        SSL_CTX_set_security_level(tlsContext_, 0);
        SSL_CTX_set_min_proto_version(tlsContext_, 0);
        SSL_CTX_set_max_proto_version(tlsContext_, maxTlsVersion);
    }
    tls_ = SSL_new(tlsContext_);
    SSL_set_fd(tls_, fd_);
    X509_VERIFY_PARAM_set1_host(SSL_get0_param(tls_), "127.0.0.1", 0);
    connected_ = connected_ && SSL_connect(tls_) == 1;
}

TestClient::~TestClient() {
    if (tls_ != nullptr)
        SSL_free(tls_);
    if (tlsContext_ != nullptr)
        SSL_CTX_free(tlsContext_);
    close(fd_);
}

bool TestClient::Send(std::string_view bytes) {
    if (tls_ != nullptr)
        return SSL_write(tls_, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

long TestClient::ReadSome(char* data, std::size_t size) {
    if (tls_ != nullptr)
        return SSL_read(tls_, data, static_cast<int>(size));
    return recv(fd_, data, size, 0);
}

Reply TestClient::ReadReply() {
    namespace beasthttp = boost::beast::http;
    beasthttp::response_parser<beasthttp::string_body> parser;
    parser.eager(true);
    parser.body_limit(64 * 1024 * 1024);
    Reply reply;
    char buffer[4096];
    while (true) {
        while (!pending_.empty() && !parser.is_done()) {
            boost::beast::error_code ec;
            const std::size_t used = parser.put(boost::asio::buffer(pending_), ec);
            pending_.erase(0, used);
            if (ec == beasthttp::error::need_more)
                break;
            if (ec)
                return reply;
        }
        if (parser.is_done())
            break;
        const long n = ReadSome(buffer, sizeof buffer);
        if (n <= 0)
            return reply;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    const auto& message = parser.get();
    reply.status = message.result_int();
    for (const auto& field : message) {
        std::string name(field.name_string());
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        reply.headers[name] = std::string(field.value());
    }
    reply.body = message.body();
    return reply;
}

std::string TestClient::ReadUntil(std::string_view needle) {
    char buffer[4096];
    while (pending_.find(needle) == std::string::npos) {
        const long n = ReadSome(buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    return pending_;
}

bool TestClient::WaitForClose() {
    char buffer[4096];
    while (true) {
        const long n = ReadSome(buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0)
            return tls_ != nullptr && SSL_get_error(tls_, static_cast<int>(n)) == SSL_ERROR_SYSCALL &&
                   errno != EAGAIN && errno != EWOULDBLOCK;
    }
}

Reply TestClient::Exchange(const std::string& method, const std::string& target,
                           const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body) {
    if (!Send(RequestText(method, target, headers, body)))
        return {};
    return ReadReply();
}

std::string RequestText(const std::string& method, const std::string& target,
                        const std::vector<std::pair<std::string, std::string>>& headers, const std::string& body) {
    std::string text = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto& [name, value] : headers)
        text += name + ": " + value + "\r\n";
    if (!body.empty() || method == "POST")
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return text + "\r\n" + body;
}

bool MakeCertificate(const std::string& certificate, const std::string& key) {
    const ProgramResult made =
        RunProgram("/usr/bin/openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                        "-nodes", "-keyout", key, "-out", certificate, "-days", "2", "-subj",
                                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    return made.exitCode == 0;
}

} // namespace orvane::test
