// The bridge's sans-I/O parts: topics, a projector's messages, command payloads, what is sent
// again after a change, and the reconnection waits.
#include "mqtt/BusMessages.h"
#include "mqtt/MqttClient.h"
#include "mqtt/RetainedState.h"

#include <gtest/gtest.h>

namespace orvane::mqtt {
namespace {

using Json = nlohmann::json;
const BusTopics kTopics("orvane", "main");

TEST(BusTopics, NamesAndReadsTheSitesTopics) {
    EXPECT_EQ(kTopics.Status(), "orvane/main/status");
    EXPECT_EQ(kTopics.Projector("hall", 2, "power"), "orvane/main/hall/2/power");
    EXPECT_EQ(kTopics.Result("a+b#c/d"), "orvane/main/a_b_c_d/result");
    EXPECT_EQ(kTopics.CommandFilter(), "orvane/main/+/command");
    const struct {
        const char* topic;
        std::optional<std::string> room;
    } cases[] = {{"orvane/main/hall/command", "hall"},
                 {"orvane/main/hall/result", std::nullopt},
                 {"orvane/other/hall/command", std::nullopt},
                 {"orvane/main/a/b/command", std::nullopt},
                 {"orvane/main//command", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(kTopics.CommandRoom(c.topic), c.room) << c.topic;
}

TEST(ProjectorMessages, PublishesStateAndPlainValuesButNoUntoldOnes) {
    const Json pjlink =
        Json::parse(R"json({"room": "hall", "slot": 1, "address": "127.0.0.1:4352", "protocol": "pjlink",
        "reachable": true, "power": "on", "input": "HDMI 1", "volume": null, "name": "P1",
        "lamps": [{"hours": 1834, "on": true}, {"hours": 7, "on": false}],
        "errors": {"fan": 0, "lamp": 1, "temperature": 2, "cover": 0, "filter": 0, "other": 0},
        "last_seen": "2026-12-09T21:04:05Z", "last_error": null})json");
    const Json silent =
        Json::parse(R"json({"slot": 2, "address": "127.0.0.1:1", "protocol": "orvane", "reachable": false,
        "power": null, "input": null, "volume": null, "name": null, "lamps": null, "errors": null,
        "last_seen": null, "last_error": "Power On failed(127.0.0.1)"})json");
    Json volume = silent;
    volume["reachable"] = true;
    volume["power"] = "transition";
    volume["volume"] = 20;
    const struct {
        Json projector;
        std::map<std::string, std::string> leaves; // the plain values, "" for none
    } cases[] = {
        {pjlink,
         {{"power", "on"},
          {"input", "HDMI 1"},
          {"volume", ""},
          {"lamp_hours", "1834"},
          {"reachable", "true"},
          {"error", "2"}}},
        {silent,
         {{"power", ""}, {"input", ""}, {"volume", ""}, {"lamp_hours", ""}, {"reachable", "false"}, {"error", ""}}},
        {volume,
         {{"power", "transition"},
          {"input", ""},
          {"volume", "20"},
          {"lamp_hours", ""},
          {"reachable", "true"},
          {"error", ""}}},
    };
    for (const auto& c : cases) {
        const int slot = c.projector["slot"];
        const std::vector<BusMessage> messages = ProjectorMessages(kTopics, "hall", c.projector);
        ASSERT_EQ(messages.size(), 7U);
        Json state = c.projector;
        state.erase("room");
        state.erase("last_seen");
        EXPECT_EQ(messages[0].topic, kTopics.Projector("hall", slot, "state"));
        EXPECT_EQ(Json::parse(messages[0].payload), state);
        for (std::size_t i = 1; i < messages.size(); ++i) {
            const std::string leaf = messages[i].topic.substr(messages[i].topic.rfind('/') + 1);
            EXPECT_EQ(messages[i].topic, kTopics.Projector("hall", slot, leaf));
            EXPECT_EQ(messages[i].payload, c.leaves.at(leaf)) << leaf << " of slot " << slot;
        }
    }
    // last_seen alone changes nothing that is sent.
    Json later = pjlink;
    later["last_seen"] = "2026-12-09T21:04:10Z";
    EXPECT_EQ(ProjectorMessages(kTopics, "hall", later), ProjectorMessages(kTopics, "hall", pjlink));
}

TEST(ParseCommandPayload, TakesJsonObjectsOnly) {
    const struct {
        const char* payload;
        bool ok;
    } cases[] = {{R"({"command": "power_on"})", true},
                 {R"({"command": )", false},
                 {"[1, 2]", false},
                 {"", false},
                 {"\"power_on\"", false}};
    for (const auto& c : cases) {
        Json body;
        std::string error;
        EXPECT_EQ(ParseCommandPayload(c.payload, body, error), c.ok) << c.payload;
        EXPECT_EQ(error.empty(), c.ok) << c.payload;
    }
    EXPECT_EQ(Json::parse(ErrorResult("bad")), Json({{"error", "bad"}}));
}

TEST(RetainedState, SendsOnlyChangesAndEverythingOnANewConnection) {
    RetainedState state;
    const std::vector<BusMessage> room = {{"a/1/power", "on"}, {"a/1/input", "HDMI 1"}, {"b/1/power", "off"}};
    // Not connected: nothing goes out, but it is all sent on connecting.
    EXPECT_TRUE(state.Want(room).empty());
    EXPECT_EQ(state.Connected(), std::vector<BusMessage>({room[1], room[0], room[2]}));
    const struct {
        std::vector<BusMessage> want;
        std::vector<BusMessage> sent;
    } steps[] = {
        {room, {}},                                                                // nothing changed
        {{{"a/1/power", "off"}, {"a/1/input", "HDMI 1"}}, {{"a/1/power", "off"}}}, // one field changed
        {{{"a/1/input", ""}}, {{"a/1/input", ""}}},                                // a value no longer told
        {{{"a/1/input", ""}}, {}},
    };
    for (const auto& step : steps)
        EXPECT_EQ(state.Want(step.want), step.sent);
    // Room b is gone: its topic is cleared; a's stays as it is.
    EXPECT_EQ(state.Replace({{"a/1/power", "off"}}), std::vector<BusMessage>({{"b/1/power", ""}}));
    state.Disconnected();
    EXPECT_TRUE(state.Replace({}).empty());
    EXPECT_EQ(state.Connected(), std::vector<BusMessage>({{"a/1/power", ""}}));
    EXPECT_TRUE(state.All().empty());
}

TEST(ReconnectBackoff, DoublesFromOneSecondToThirty) {
    ReconnectBackoff backoff;
    std::vector<long> waits;
    for (int i = 0; i < 7; ++i)
        waits.push_back(static_cast<long>(backoff.Next().count()));
    EXPECT_EQ(waits, std::vector<long>({1, 2, 4, 8, 16, 30, 30}));
    backoff.Reset();
    EXPECT_EQ(backoff.Next().count(), 1);
}

} // namespace
} // namespace orvane::mqtt
