#pragma once

#include "http/AccessGate.h"
#include "service/ServiceModel.h"

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::http {

namespace beasthttp = boost::beast::http;
using Request = beasthttp::request<beasthttp::string_body>;
using RequestHeader = beasthttp::request_header<>;
using Response = beasthttp::response<beasthttp::string_body>;

// What the server counts of itself, for /metrics.
struct ServerCounters {
    std::map<unsigned, std::uint64_t> answers; // by status code
    std::uint64_t refusedConnections = 0;      // answered 503 over the connection limit
    int connections = 0;
    int eventStreams = 0;
};

// A JSON answer: application/json; charset=utf-8. Invalid UTF-8 in the model's strings is
// replaced rather than thrown over.
Response JsonResponse(unsigned status, const nlohmann::json& body);
Response ErrorResponse(unsigned status, std::string_view message);
Response TextResponse(unsigned status, std::string body, std::string_view contentType = "text/plain; charset=utf-8");

// What anyone may fetch besides /healthz: the web remote's page and files (`/`,
// `/index.html`, `/static/...`) and its texts (`/api/v1/texts`). The program that has them
// plugs them in; without, those paths are 404.
class IPublicContent {
public:
    IPublicContent() = default;
    virtual ~IPublicContent() = default;
    IPublicContent(const IPublicContent&) = delete;
    IPublicContent& operator=(const IPublicContent&) = delete;
    // The answer to a GET of one of those paths.
    virtual Response Answer(const Request& request) const = 0;
};

// The API's decisions about one request, without sockets: the connections feed it parsed
// requests and write what it answers. Runs on the loop's thread, like the model.
class ApiRouter {
public:
    using Respond = std::function<void(Response)>;

    ApiRouter(service::IServiceModel& model, AccessGate& gate, const ServerCounters& counters, bool tls,
              const IPublicContent* publicContent = nullptr)
        : model_(model), gate_(gate), counters_(counters), tls_(tls), publicContent_(publicContent) {}

    // Looks at a request's header before its body is read: authentication, first of all.
    // An answer when the request ends there (401, 403, 429); none when its body may be read.
    std::optional<Response> Screen(const RequestHeader& header, const std::string& peer, Identity& who);
    // Answers a whole request that passed Screen: `respond` is called exactly once, possibly
    // later (a command), unless the request opens an event stream, which returns true and
    // leaves the stream to the caller.
    bool Handle(const Request& request, const Identity& who, const Respond& respond);

    // The first bytes of an event stream: the header and the current state of every projector.
    std::string EventStreamStart();
    static std::string FormatEvent(const service::ServiceEvent& event);
    static constexpr std::string_view kKeepAlive = ": keep-alive\n\n";

private:
    std::string Metrics() const;

    service::IServiceModel& model_;
    AccessGate& gate_;
    const ServerCounters& counters_;
    bool tls_;
    const IPublicContent* publicContent_;
};

// The path of a request target without its query, percent-decoded; empty when it cannot be
// decoded (a bad escape, a NUL).
std::string DecodedPath(std::string_view target);
// Whether a Content-Type names application/json (parameters such as charset allowed).
bool IsJsonContentType(std::string_view contentType);

} // namespace orvane::http
