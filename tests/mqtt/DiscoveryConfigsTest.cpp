// Home Assistant's discovery of a room: which entities, on which topics, with the keys Home
// Assistant requires of each component.
#include "mqtt/DiscoveryConfigs.h"

#include <gtest/gtest.h>

#include <set>

namespace orvane::mqtt {
namespace {

using Json = nlohmann::json;

const BusTopics kTopics("orvane", "main");

DiscoveryConfigs Configs() {
    DiscoveryNames names{"Power",       "Input",     "Blank",          "Mute",      "Freeze",       "Volume up",
                         "Volume down", "P%1 power", "P%1 lamp hours", "P%1 error", "P%1 reachable"};
    return {"homeassistant", "main", kTopics, names};
}

DiscoveryRoom Hall(std::vector<std::string> commands) {
    const Json room = {{"id", "hall"},
                       {"model", "AX-210"},
                       {"reported_slot", 2},
                       {"inputs", {"HDMI 1", "Video"}},
                       {"commands", std::move(commands)},
                       {"projectors", {{{"slot", 1}}, {{"slot", 2}}}}};
    return DiscoveryRoom::FromJson(room);
}

const std::vector<std::string> kAllCommands = {"power_on",  "power_off",  "blank_on",  "blank_off",
                                               "mute",      "unmute",     "volume_up", "volume_down",
                                               "freeze_on", "freeze_off", "input",     "adjust"};

TEST(DiscoveryConfigs, EveryEntityHasTheKeysItsComponentRequires) {
    // What Home Assistant needs of each component, and what every entity here carries.
    const std::map<std::string, std::vector<std::string>> required = {
        {"switch", {"command_topic", "payload_on", "payload_off"}},
        {"select", {"command_topic", "options", "state_topic", "command_template"}},
        {"button", {"command_topic", "payload_press"}},
        {"sensor", {"state_topic"}},
        {"binary_sensor", {"state_topic"}}};
    const std::vector<BusMessage> configs = Configs().Room(Hall(kAllCommands));
    std::map<std::string, std::string> objects; // object -> component
    std::set<std::string> uniqueIds;
    for (const BusMessage& m : configs) {
        // homeassistant/COMPONENT/orvane_main_hall/OBJECT/config
        const std::string rest = m.topic.substr(std::string("homeassistant/").size());
        const std::string component = rest.substr(0, rest.find('/'));
        ASSERT_TRUE(rest.starts_with(component + "/orvane_main_hall/") && rest.ends_with("/config")) << m.topic;
        const std::string object = rest.substr(component.size() + 18, rest.size() - component.size() - 18 - 7);
        objects[object] = component;
        const Json config = Json::parse(m.payload);
        for (const std::string& key : required.at(component))
            EXPECT_TRUE(config.contains(key)) << m.topic << " lacks " << key;
        for (const char* key : {"name", "unique_id", "device", "availability_topic"})
            EXPECT_TRUE(config.contains(key)) << m.topic << " lacks " << key;
        EXPECT_EQ(config["unique_id"], "orvane_main_hall_" + object);
        uniqueIds.insert(config["unique_id"].get<std::string>());
        EXPECT_EQ(config["device"]["identifiers"], Json({"orvane_main_hall"}));
        EXPECT_EQ(config["availability_topic"], "orvane/main/status");
        if (config.contains("command_topic")) {
            EXPECT_EQ(config["command_topic"], "orvane/main/hall/command");
        }
    }
    EXPECT_EQ(uniqueIds.size(), configs.size());
    const std::map<std::string, std::string> expected = {{"power", "switch"},
                                                         {"input", "select"},
                                                         {"blank", "switch"},
                                                         {"mute", "switch"},
                                                         {"freeze", "switch"},
                                                         {"volume_up", "button"},
                                                         {"volume_down", "button"},
                                                         {"p1_power", "sensor"},
                                                         {"p1_lamp_hours", "sensor"},
                                                         {"p1_error", "binary_sensor"},
                                                         {"p1_reachable", "binary_sensor"},
                                                         {"p2_power", "sensor"},
                                                         {"p2_lamp_hours", "sensor"},
                                                         {"p2_error", "binary_sensor"},
                                                         {"p2_reachable", "binary_sensor"}};
    EXPECT_EQ(objects, expected);
}

TEST(DiscoveryConfigs, RoomEntitiesFollowTheToolbarAndTheReportedProjector) {
    const std::vector<BusMessage> configs = Configs().Room(Hall({"power_on", "power_off", "input"}));
    std::map<std::string, Json> byTopic;
    for (const BusMessage& m : configs)
        byTopic[m.topic] = Json::parse(m.payload);
    EXPECT_EQ(byTopic.size(), 2U + 8U); // power, input and four per projector: no blank, mute, freeze, volume
    const Json& power = byTopic.at("homeassistant/switch/orvane_main_hall/power/config");
    EXPECT_EQ(power["state_topic"], "orvane/main/hall/2/power");
    EXPECT_EQ(Json::parse(power["payload_on"].get<std::string>()), Json({{"command", "power_on"}}));
    const Json& input = byTopic.at("homeassistant/select/orvane_main_hall/input/config");
    EXPECT_EQ(input["options"], Json({"HDMI 1", "Video"}));
    EXPECT_EQ(input["state_topic"], "orvane/main/hall/2/input");
    EXPECT_EQ(byTopic.at("homeassistant/sensor/orvane_main_hall/p1_lamp_hours/config")["name"], "P1 lamp hours");
    // The same room gives the same configs: unique_ids are stable.
    EXPECT_EQ(Configs().Room(Hall({"power_on", "power_off", "input"})), configs);
}

} // namespace
} // namespace orvane::mqtt
