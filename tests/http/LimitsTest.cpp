// The server's limits: slow and idle clients dropped, malformed and oversized requests
// answered, many connections served at once, one past the limit told 503.
#include "HttpTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace orvane::test {
namespace {

using namespace std::chrono_literals;

http::HttpSettings ShortTimeouts() {
    http::HttpSettings settings = LoopbackSettings();
    settings.headerTimeout = 300ms;
    settings.idleTimeout = 600ms;
    return settings;
}

// The test client gives up reading after 5 s, far beyond these time-outs and far short of
// the defaults: a close seen in time is the time-out's doing.
TEST(Limits, DropsAHeaderThatDoesNotComeInTimeAndAnIdleKeepAliveConnection) {
    LiveServer server(ShortTimeouts());
    ASSERT_TRUE(server.started()) << server.error();
    TestClient silent(server.port());
    EXPECT_TRUE(silent.WaitForClose());

    TestClient slow(server.port());
    ASSERT_TRUE(slow.Send("GET /healthz HTTP/1.1\r\n"));
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(100ms);
        (void)slow.Send("X");
    }
    EXPECT_TRUE(slow.WaitForClose());

    // Waiting between requests is bounded by the idle time-out, not the header's.
    TestClient idle(server.port());
    EXPECT_EQ(idle.Exchange("GET", "/healthz").status, 200U);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(idle.Exchange("GET", "/healthz").status, 200U);
    EXPECT_TRUE(idle.WaitForClose());
}

TEST(Limits, AnswersMalformedRequestsWith400AndGoesOn) {
    LiveServer server(LoopbackSettings());
    ASSERT_TRUE(server.started()) << server.error();
    const std::string requests[] = {
        "GARBAGE\r\n\r\n",
        "GET /healthz HTTP/1.1\r\nContent-Length: abc\r\n\r\n",
        "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n",
        "POST /api/v1/rooms/r1/commands HTTP/1.1\r\nTransfer-Encoding: chunked\r\nContent-Type: "
        "application/json\r\n\r\nzz\r\n",
        std::string("GET /\0 HTTP/1.1\r\n\r\n", 20),
    };
    for (const std::string& request : requests) {
        TestClient client(server.port());
        ASSERT_TRUE(client.Send(request));
        EXPECT_EQ(client.ReadReply().status, 400U) << request.substr(0, 60);
        EXPECT_TRUE(client.WaitForClose());
    }
    // A chunked body over the limit is cut off as it comes.
    TestClient chunked(server.port());
    ASSERT_TRUE(chunked.Send("POST /api/v1/rooms/r1/commands HTTP/1.1\r\nTransfer-Encoding: chunked\r\n"
                             "Content-Type: application/json\r\n\r\n10001\r\n" +
                             std::string(0x10001, ' ') + "\r\n0\r\n\r\n"));
    EXPECT_EQ(chunked.ReadReply().status, 413U);
    TestClient after(server.port());
    EXPECT_EQ(after.Exchange("GET", "/healthz").status, 200U);
}

TEST(Limits, ServesThreeHundredConnectionsAtOnce) {
    http::HttpSettings settings = LoopbackSettings();
    settings.maxConnections = 400;
    LiveServer server(settings);
    ASSERT_TRUE(server.started()) << server.error();
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 300; ++i) {
        clients.push_back(std::make_unique<TestClient>(server.port()));
        ASSERT_TRUE(clients.back()->Send(RequestText("GET", "/api/v1/rooms/r1"))) << i;
    }
    int answered = 0;
    for (auto& client : clients)
        answered += client->ReadReply().status == 200 ? 1 : 0;
    EXPECT_EQ(answered, 300);
    TestClient metrics(server.port());
    EXPECT_NE(metrics.Exchange("GET", "/metrics").body.find("orvane_http_connections 301\n"), std::string::npos);
}

TEST(Limits, OneConnectionPastTheLimitIsTold503AndClosed) {
    http::HttpSettings settings = LoopbackSettings();
    settings.maxConnections = 2;
    LiveServer server(settings);
    ASSERT_TRUE(server.started()) << server.error();
    auto stream = std::make_unique<TestClient>(server.port());
    ASSERT_TRUE(stream->Send(RequestText("GET", "/api/v1/events")));
    ASSERT_NE(stream->ReadUntil("event: projector").find("event: projector"), std::string::npos);
    TestClient second(server.port());
    EXPECT_EQ(second.Exchange("GET", "/healthz").status, 200U);

    TestClient third(server.port());
    const Reply refused = third.Exchange("GET", "/healthz");
    EXPECT_EQ(refused.status, 503U);
    EXPECT_TRUE(third.WaitForClose());

    stream.reset(); // the event stream's place comes free
    unsigned status = 0;
    for (int i = 0; i < 50 && status != 200; ++i) {
        std::this_thread::sleep_for(20ms);
        TestClient next(server.port());
        status = next.Exchange("GET", "/healthz").status;
    }
    EXPECT_EQ(status, 200U);
}

} // namespace
} // namespace orvane::test
