#include "http/ApiRouter.h"

#include "http/OpenApiDocument.h"
#include "platform/Hex.h"

#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>

#include <exception>
#include <string>

namespace orvane::http {

namespace {

enum class Route { Health, Rooms, Room, Commands, Events, Metrics, OpenApi, Session, Public, Unknown };

constexpr std::string_view kRoomsPrefix = "/api/v1/rooms/";
constexpr std::string_view kCommandsSuffix = "/commands";

Route Classify(std::string_view path, std::string& roomId) {
    if (path == "/healthz")
        return Route::Health;
    if (path == "/api/v1/rooms")
        return Route::Rooms;
    if (path == "/api/v1/events")
        return Route::Events;
    if (path == "/metrics")
        return Route::Metrics;
    if (path == "/api/v1/openapi.json")
        return Route::OpenApi;
    if (path == "/api/v1/session")
        return Route::Session;
    // The web remote's page, its files and its texts are served to anyone: it asks for a
    // token only once it is loaded.
    if (path == "/" || path == "/index.html" || path == "/api/v1/texts" || path.starts_with("/static/"))
        return Route::Public;
    if (path.starts_with(kRoomsPrefix)) {
        std::string_view rest = path.substr(kRoomsPrefix.size());
        Route route = Route::Room;
        if (rest.ends_with(kCommandsSuffix)) {
            rest.remove_suffix(kCommandsSuffix.size());
            route = Route::Commands;
        }
        if (rest.empty() || rest.find('/') != std::string_view::npos)
            return Route::Unknown;
        roomId = std::string(rest);
        return route;
    }
    return Route::Unknown;
}

// The one method each route answers to.
beasthttp::verb MethodOf(Route route) {
    return route == Route::Commands || route == Route::Session ? beasthttp::verb::post : beasthttp::verb::get;
}

Response Unauthorized(std::string_view message, bool wrongToken) {
    Response response = ErrorResponse(401, message);
    response.set(beasthttp::field::www_authenticate, wrongToken ? "Bearer error=\"invalid_token\"" : "Bearer");
    return response;
}

} // namespace

Response JsonResponse(unsigned status, const nlohmann::json& body) {
    return TextResponse(status, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                        "application/json; charset=utf-8");
}

Response ErrorResponse(unsigned status, std::string_view message) {
    return JsonResponse(status, nlohmann::json{{"error", message}});
}

Response TextResponse(unsigned status, std::string body, std::string_view contentType) {
    Response response;
    response.result(status);
    response.set(beasthttp::field::content_type, contentType);
    response.set(beasthttp::field::cache_control, "no-store");
    response.body() = std::move(body);
    return response;
}

std::string DecodedPath(std::string_view target) {
    target = target.substr(0, target.find('?'));
    if (target.empty() || target.front() != '/')
        return {};
    std::string path;
    path.reserve(target.size());
    for (std::size_t i = 0; i < target.size(); ++i) {
        char c = target[i];
        if (c == '%') {
            const int high = i + 2 < target.size() ? HexValue(target[i + 1]) : -1;
            const int low = high >= 0 ? HexValue(target[i + 2]) : -1;
            if (low < 0)
                return {};
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (c == '\0')
            return {};
        path += c;
    }
    return path;
}

bool IsJsonContentType(std::string_view contentType) {
    std::string_view type = contentType.substr(0, contentType.find(';'));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t'))
        type.remove_suffix(1);
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t'))
        type.remove_prefix(1);
    constexpr std::string_view kJson = "application/json";
    if (type.size() != kJson.size())
        return false;
    for (std::size_t i = 0; i < kJson.size(); ++i) {
        const char c = type[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kJson[i])
            return false;
    }
    return true;
}

std::optional<Response> ApiRouter::Screen(const RequestHeader& header, const std::string& peer, Identity& who) {
    std::string roomId;
    const std::string path = DecodedPath(header.target());
    if (path.empty())
        return ErrorResponse(400, "bad request target");
    const Route route = Classify(path, roomId);
    if (route == Route::Health || route == Route::Public)
        return std::nullopt;
    switch (gate_.Check(header[beasthttp::field::authorization], header[beasthttp::field::cookie], peer,
                        AccessGate::Clock::now(), who)) {
    case AccessGate::Verdict::Allowed:
        break;
    case AccessGate::Verdict::Missing:
        return Unauthorized("a bearer token is needed", false);
    case AccessGate::Verdict::Unknown:
        return Unauthorized("unknown token", true);
    case AccessGate::Verdict::Throttled: {
        Response response = ErrorResponse(429, "too many wrong tokens from this address; try again in a minute");
        response.set(beasthttp::field::retry_after, "60");
        return response;
    }
    }
    if (route == Route::Commands && header.method() == beasthttp::verb::post && who.scope == TokenScope::Read)
        return ErrorResponse(403, "the token may read, not control");
    return std::nullopt;
}

bool ApiRouter::Handle(const Request& request, const Identity& who, const Respond& respond) {
    std::string roomId;
    const Route route = Classify(DecodedPath(request.target()), roomId);
    if (route == Route::Unknown || (route == Route::Public && publicContent_ == nullptr)) {
        respond(ErrorResponse(404, "no such resource"));
        return false;
    }
    if (request.method() != MethodOf(route)) {
        Response response = ErrorResponse(405, "method not allowed");
        response.set(beasthttp::field::allow, beasthttp::to_string(MethodOf(route)));
        respond(std::move(response));
        return false;
    }
    try {
        switch (route) {
        case Route::Health:
            respond(TextResponse(200, "ok"));
            return false;
        case Route::Rooms:
            respond(JsonResponse(200, model_.Rooms()));
            return false;
        case Route::Room:
            if (std::optional<std::string> room = model_.RoomText(roomId)) {
                respond(TextResponse(200, std::move(*room), "application/json; charset=utf-8"));
            } else {
                respond(ErrorResponse(404, "no room \"" + roomId + "\""));
            }
            return false;
        case Route::Commands: {
            if (!IsJsonContentType(request[beasthttp::field::content_type])) {
                respond(ErrorResponse(415, "the body must be application/json"));
                return false;
            }
            nlohmann::json body = nlohmann::json::parse(request.body(), nullptr, false);
            if (body.is_discarded()) {
                respond(ErrorResponse(400, "the body is not JSON"));
                return false;
            }
            model_.RunCommand(roomId, body, [respond](const service::CommandOutcome& outcome) {
                respond(JsonResponse(static_cast<unsigned>(outcome.status), outcome.body));
            });
            return false;
        }
        case Route::Events:
            return true;
        case Route::Metrics:
            respond(TextResponse(200, Metrics(), "text/plain; version=0.0.4; charset=utf-8"));
            return false;
        case Route::OpenApi:
            respond(JsonResponse(200, OpenApiDocument()));
            return false;
        case Route::Session: {
            if (!gate_.HasTokens()) {
                respond(JsonResponse(200, nlohmann::json{{"scope", "control"}}));
                return false;
            }
            const std::string id = gate_.OpenSession(request[beasthttp::field::authorization]);
            if (id.empty()) {
                respond(Unauthorized("a session is opened with a bearer token", false));
                return false;
            }
            Response response = JsonResponse(200, nlohmann::json{{"name", who.name}, {"scope", ScopeName(who.scope)}});
            response.set(beasthttp::field::set_cookie, std::string(kSessionCookie) + "=" + id +
                                                           "; Path=/; HttpOnly; SameSite=Strict" +
                                                           (tls_ ? "; Secure" : ""));
            respond(std::move(response));
            return false;
        }
        case Route::Public:
            respond(publicContent_->Answer(request));
            return false;
        case Route::Unknown:
            break;
        }
    } catch (const std::exception&) {
        // The model's or the JSON library's failure ends this request only.
        respond(ErrorResponse(500, "internal error"));
    }
    return false;
}

std::string ApiRouter::EventStreamStart() {
    // Without a length the stream ends when the connection does, which is what an event
    // stream is.
    std::string text = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\n"
                       "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    for (const service::ServiceEvent& event : model_.CurrentState())
        text += FormatEvent(event);
    return text;
}

std::string ApiRouter::FormatEvent(const service::ServiceEvent& event) {
    std::string name = event.name;
    // A line break in the name would start a field of its own.
    std::erase_if(name, [](char c) { return c == '\n' || c == '\r'; });
    return "event: " + name + "\ndata: " + event.data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
           "\n\n";
}

std::string ApiRouter::Metrics() const {
    std::string text = model_.Metrics();
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += "# HELP orvane_http_answers_total HTTP answers by status code.\n"
            "# TYPE orvane_http_answers_total counter\n";
    for (const auto& [status, count] : counters_.answers)
        text += "orvane_http_answers_total{code=\"" + std::to_string(status) + "\"} " + std::to_string(count) + "\n";
    text += "# HELP orvane_http_connections Open HTTP connections, event streams included.\n"
            "# TYPE orvane_http_connections gauge\n"
            "orvane_http_connections " +
            std::to_string(counters_.connections) +
            "\n"
            "# HELP orvane_http_event_streams Open event streams.\n"
            "# TYPE orvane_http_event_streams gauge\n"
            "orvane_http_event_streams " +
            std::to_string(counters_.eventStreams) +
            "\n"
            "# HELP orvane_http_refused_connections_total Connections answered 503 over the limit.\n"
            "# TYPE orvane_http_refused_connections_total counter\n"
            "orvane_http_refused_connections_total " +
            std::to_string(counters_.refusedConnections) + "\n";
    return text;
}

} // namespace orvane::http
