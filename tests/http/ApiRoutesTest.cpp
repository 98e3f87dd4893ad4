// Every route and status code of the API through the real server on loopback, without tokens.
#include "HttpTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

using Headers = std::vector<std::pair<std::string, std::string>>;
const Headers kJson = {{"Content-Type", "application/json"}};

struct RouteCase {
    const char* name;
    std::string method;
    std::string target;
    Headers headers;
    std::string body;
    unsigned status;
    std::string contentType; // a prefix of the answer's Content-Type
    std::string bodyPart;    // a part of the answer's body
};

class ApiRoutes : public ::testing::TestWithParam<RouteCase> {
protected:
    static void SetUpTestSuite() { server_ = new LiveServer(LoopbackSettings()); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    static LiveServer* server_;
};
LiveServer* ApiRoutes::server_ = nullptr;

TEST_P(ApiRoutes, AnswersWithItsStatus) {
    const RouteCase& c = GetParam();
    ASSERT_TRUE(server_->started()) << server_->error();
    TestClient client(server_->port());
    const Reply reply = client.Exchange(c.method, c.target, c.headers, c.body);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    EXPECT_TRUE(reply.Header("content-type").starts_with(c.contentType)) << reply.Header("content-type");
    EXPECT_NE(reply.body.find(c.bodyPart), std::string::npos) << reply.body;
}

const std::string kJsonType = "application/json; charset=utf-8";

INSTANTIATE_TEST_SUITE_P(
    Table, ApiRoutes,
    ::testing::Values(
        RouteCase{"health", "GET", "/healthz", {}, "", 200, "text/plain", "ok"},
        RouteCase{"rooms", "GET", "/api/v1/rooms", {}, "", 200, kJsonType, "\"rooms\":[{"},
        RouteCase{"room", "GET", "/api/v1/rooms/r1", {}, "", 200, kJsonType, "\"id\":\"r1\""},
        RouteCase{"room_escaped", "GET", "/api/v1/rooms/r%31?x=1", {}, "", 200, kJsonType, "\"id\":\"r1\""},
        RouteCase{"unknown_room", "GET", "/api/v1/rooms/nope", {}, "", 404, kJsonType, "\"error\":"},
        RouteCase{"command", "POST", "/api/v1/rooms/r1/commands", kJson, R"({"command":"power_on"})", 200, kJsonType,
                  "\"ok\":true"},
        RouteCase{"command_failed", "POST", "/api/v1/rooms/r1/commands", kJson, R"({"command":"fail"})", 502, kJsonType,
                  "\"message\":\"failed\""},
        RouteCase{"command_unknown", "POST", "/api/v1/rooms/r1/commands", kJson, R"({"command":"x"})", 400, kJsonType,
                  "\"error\":"},
        RouteCase{"command_bad_json", "POST", "/api/v1/rooms/r1/commands", kJson, "{\"command\":", 400, kJsonType,
                  "\"error\":"},
        RouteCase{"command_charset",
                  "POST",
                  "/api/v1/rooms/r1/commands",
                  {{"Content-Type", "Application/JSON; charset=utf-8"}},
                  R"({"command":"power_on"})",
                  200,
                  kJsonType,
                  "\"ok\":true"},
        RouteCase{"command_not_json",
                  "POST",
                  "/api/v1/rooms/r1/commands",
                  {{"Content-Type", "text/plain"}},
                  R"({"command":"power_on"})",
                  415,
                  kJsonType,
                  "\"error\":"},
        RouteCase{"command_unknown_room", "POST", "/api/v1/rooms/nope/commands", kJson, R"({"command":"power_on"})",
                  404, kJsonType, "\"error\":"},
        RouteCase{"command_too_large", "POST", "/api/v1/rooms/r1/commands", kJson, std::string(64 * 1024 + 1, ' '), 413,
                  kJsonType, "\"error\":"},
        RouteCase{"metrics",
                  "GET",
                  "/metrics",
                  {},
                  "",
                  200,
                  "text/plain; version=0.0.4",
                  "orvane_projector_up{room=\"r1\",slot=\"1\"} 1\n# HELP orvane_http_answers_total"},
        RouteCase{"openapi", "GET", "/api/v1/openapi.json", {}, "", 200, kJsonType, "\"openapi\":\"3.0"},
        RouteCase{"session_without_tokens", "POST", "/api/v1/session", {}, "", 200, kJsonType, "\"scope\":\"control\""},
        RouteCase{"unknown_path", "GET", "/nowhere", {}, "", 404, kJsonType, "\"error\":"},
        RouteCase{"room_subpath", "GET", "/api/v1/rooms/r1/lamps", {}, "", 404, kJsonType, "\"error\":"},
        RouteCase{"wrong_method", "DELETE", "/api/v1/rooms", {}, "", 405, kJsonType, "\"error\":"},
        RouteCase{"get_commands", "GET", "/api/v1/rooms/r1/commands", {}, "", 405, kJsonType, "\"error\":"},
        RouteCase{"post_health", "POST", "/healthz", {}, "", 405, kJsonType, "\"error\":"},
        RouteCase{"bad_escape", "GET", "/api/v1/rooms/%zz", {}, "", 400, kJsonType, "\"error\":"}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.name); });

TEST(ApiRoutes, WrongMethodNamesTheRightOne) {
    LiveServer server(LoopbackSettings());
    ASSERT_TRUE(server.started()) << server.error();
    TestClient client(server.port());
    EXPECT_EQ(client.Exchange("GET", "/api/v1/session").Header("allow"), "POST");
}

TEST(ApiRoutes, KeepAliveServesRequestsInTurnAndPipelined) {
    LiveServer server(LoopbackSettings());
    ASSERT_TRUE(server.started()) << server.error();
    TestClient client(server.port());
    EXPECT_EQ(client.Exchange("GET", "/api/v1/rooms/r1").status, 200U);
    ASSERT_TRUE(client.Send(RequestText("GET", "/healthz") + RequestText("GET", "/api/v1/rooms/nope")));
    EXPECT_EQ(client.ReadReply().body, "ok");
    EXPECT_EQ(client.ReadReply().status, 404U);
    // The command body reaches the model parsed.
    EXPECT_EQ(client.Exchange("POST", "/api/v1/rooms/r1/commands", kJson, R"({"command":"power_on","x":[1]})").status,
              200U);
    EXPECT_EQ(server.OnLoop([&] { return server.model().commands.back(); }),
              nlohmann::json::parse(R"({"command":"power_on","x":[1]})"));
}

TEST(ApiRoutes, ACommandAnsweredLaterStillReachesItsClient) {
    LiveServer server(LoopbackSettings());
    ASSERT_TRUE(server.started()) << server.error();
    TestClient client(server.port());
    ASSERT_TRUE(client.Send(RequestText("POST", "/api/v1/rooms/r1/commands", kJson, R"({"command":"later"})")));
    bool pending = false;
    for (int i = 0; i < 100 && !pending; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pending = server.OnLoop([&] { return static_cast<bool>(server.model().later); });
    }
    ASSERT_TRUE(pending);
    server.OnLoop([&] {
        auto done = std::move(server.model().later);
        done({502, nlohmann::json{{"command", "later"}, {"ok", false}}});
    });
    const Reply reply = client.ReadReply();
    EXPECT_EQ(reply.status, 502U);
    EXPECT_EQ(reply.body, R"({"command":"later","ok":false})");
}

TEST(ApiRoutes, OpenApiDocumentDescribesEveryRoute) {
    LiveServer server(LoopbackSettings());
    ASSERT_TRUE(server.started()) << server.error();
    TestClient client(server.port());
    const nlohmann::json doc = nlohmann::json::parse(client.Exchange("GET", "/api/v1/openapi.json").body);
    ASSERT_TRUE(doc["openapi"].is_string());
    EXPECT_TRUE(doc["openapi"].get<std::string>().starts_with("3.0."));
    EXPECT_TRUE(doc["info"]["title"].is_string());
    EXPECT_TRUE(doc["info"]["version"].is_string());
    const std::vector<std::pair<std::string, std::string>> routes = {{"/healthz", "get"},
                                                                     {"/api/v1/rooms", "get"},
                                                                     {"/api/v1/rooms/{id}", "get"},
                                                                     {"/api/v1/rooms/{id}/commands", "post"},
                                                                     {"/api/v1/events", "get"},
                                                                     {"/metrics", "get"},
                                                                     {"/api/v1/openapi.json", "get"},
                                                                     {"/api/v1/session", "post"}};
    ASSERT_TRUE(doc["paths"].is_object());
    EXPECT_EQ(doc["paths"].size(), routes.size());
    for (const auto& [path, method] : routes) {
        const nlohmann::json& operation = doc["paths"][path][method];
        ASSERT_TRUE(operation.is_object()) << path;
        EXPECT_TRUE(operation["responses"].contains("200")) << path;
    }
    // Every reference points at something the document holds.
    std::function<void(const nlohmann::json&)> checkRefs = [&](const nlohmann::json& node) {
        if (node.is_object()) {
            if (node.contains("$ref")) {
                const std::string ref = node["$ref"];
                ASSERT_TRUE(ref.starts_with("#/"));
                EXPECT_TRUE(doc.contains(nlohmann::json::json_pointer(ref.substr(1)))) << ref;
            }
            for (const auto& item : node.items())
                checkRefs(item.value());
        } else if (node.is_array()) {
            for (const auto& item : node)
                checkRefs(item);
        }
    };
    checkRefs(doc);
}

} // namespace
} // namespace orvane::test
