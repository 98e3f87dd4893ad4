#pragma once

#include "http/HttpServer.h"
#include "service/ServiceModel.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using ssl_ctx_st = struct ssl_ctx_st;
using ssl_st = struct ssl_st;

namespace orvane::test {

// A core with one room "r1": commands "power_on" succeed, "fail" fails on a projector,
// "later" is answered when the test calls `later`, anything else is refused; unknown rooms
// are 404. Called on the server's loop only.
class FakeModel : public service::IServiceModel {
public:
    nlohmann::json Rooms() const override;
    std::optional<nlohmann::json> Room(std::string_view id) const override;
    void RunCommand(std::string_view roomId, const nlohmann::json& body, CommandDone done) override;
    std::vector<service::ServiceEvent> CurrentState() const override;
    Subscription Subscribe(Listener listener) override;
    void Unsubscribe(Subscription subscription) override;
    std::string Metrics() const override;

    // Sends an event to every subscriber.
    void Push(const service::ServiceEvent& event);
    std::size_t Subscribers() const { return listeners_.size(); }
    std::vector<nlohmann::json> commands; // the bodies RunCommand was given
    CommandDone later;                    // the answer to the command "later", held back

private:
    std::map<Subscription, Listener> listeners_;
    Subscription next_ = 1;
};

// The real server over a FakeModel on 127.0.0.1, port 0, its loop on a thread of its own.
class LiveServer {
public:
    explicit LiveServer(http::HttpSettings settings = {});
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    bool started() const { return started_; }
    const std::string& error() const { return error_; }
    std::uint16_t port() const { return port_; }
    std::string url() const { return url_; }

    // Runs `work` on the server's loop and waits for it.
    template <class Work> auto OnLoop(Work work) {
        std::packaged_task<decltype(work())()> task(std::move(work));
        auto result = task.get_future();
        boost::asio::post(loop_, [&task] { task(); });
        return result.get();
    }
    FakeModel& model() { return model_; }
    http::HttpServer& server() { return server_; }

private:
    boost::asio::io_context loop_;
    FakeModel model_;
    http::HttpServer server_;
    bool started_ = false;
    std::string error_;
    std::uint16_t port_ = 0;
    std::string url_;
    std::thread thread_;
};

// Settings for a server on 127.0.0.1 with a free port.
http::HttpSettings LoopbackSettings();

struct Reply {
    unsigned status = 0;                        // 0: no answer (closed or timed out)
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    std::string Header(const std::string& name) const;
};

// A blocking HTTP/1.1 client on one connection to 127.0.0.1, plain or TLS (trusting
// `caFile`); every read gives up after a few seconds so that a lost answer fails a test
// instead of hanging it.
class TestClient {
public:
    explicit TestClient(std::uint16_t port, const std::string& caFile = {}, int maxTlsVersion = 0);
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool Connected() const { return connected_; }
    bool Send(std::string_view bytes);
    // One whole answer (by Content-Length); status 0 when none came.
    Reply ReadReply();
    // Reads until `needle` has come or the time-out; everything read so far.
    std::string ReadUntil(std::string_view needle);
    // True when the server closes the connection before the time-out.
    bool WaitForClose();
    // Sends one request and reads its answer.
    Reply Exchange(const std::string& method, const std::string& target,
                   const std::vector<std::pair<std::string, std::string>>& headers = {}, const std::string& body = {});

private:
    long ReadSome(char* data, std::size_t size);

    int fd_ = -1;
    bool connected_ = false;
    ssl_ctx_st* tlsContext_ = nullptr;
    ssl_st* tls_ = nullptr;
    std::string pending_;
};

// "METHOD TARGET HTTP/1.1" with Host, the given headers, Content-Length when there is a body.
std::string RequestText(const std::string& method, const std::string& target,
                        const std::vector<std::pair<std::string, std::string>>& headers = {},
                        const std::string& body = {});

// A self-signed certificate for 127.0.0.1 and its key, made with the openssl command.
bool MakeCertificate(const std::string& certificate, const std::string& key);

} // namespace orvane::test
