// The event stream: the current state first, then pushed events, keep-alive comments while
// nothing happens, and the subscription gone with the client.
#include "HttpTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

TEST(EventStream, StateThenEventsThenKeepAliveAndUnsubscribesWhenTheClientGoes) {
    http::HttpSettings settings = LoopbackSettings();
    settings.keepAliveInterval = std::chrono::milliseconds(200);
    LiveServer server(settings);
    ASSERT_TRUE(server.started()) << server.error();
    {
        TestClient client(server.port());
        ASSERT_TRUE(client.Send(RequestText("GET", "/api/v1/events")));
        const std::string start = client.ReadUntil("\n\n");
        EXPECT_TRUE(start.starts_with("HTTP/1.1 200 OK\r\n")) << start;
        EXPECT_NE(start.find("Content-Type: text/event-stream"), std::string::npos) << start;
        const std::string state = client.ReadUntil("event: projector\ndata: {");
        EXPECT_NE(state.find("\"room\":\"r1\""), std::string::npos) << state;
        EXPECT_EQ(server.OnLoop([&] { return server.model().Subscribers(); }), 1U);
        server.OnLoop([&] {
            server.model().Push({"command", nlohmann::json{{"room", "r1"}, {"command", "power_on"}}});
        });
        EXPECT_NE(client.ReadUntil("event: command\ndata: {\"command\":\"power_on\",\"room\":\"r1\"}\n\n")
                      .find("event: command"),
                  std::string::npos);
        EXPECT_NE(client.ReadUntil(": keep-alive\n\n").find(": keep-alive\n\n"), std::string::npos);
    }
    std::size_t subscribers = 1;
    for (int i = 0; i < 100 && subscribers != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        subscribers = server.OnLoop([&] { return server.model().Subscribers(); });
    }
    EXPECT_EQ(subscribers, 0U);
}

} // namespace
} // namespace orvane::test
