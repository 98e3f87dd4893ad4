#pragma once

#include "mqtt/BusMessages.h"
#include "mqtt/BusTopics.h"

#include <string>
#include <vector>

namespace orvane::mqtt {

// What discovery needs to know of a room: the API's ROOM object gives all of it.
struct DiscoveryRoom {
    std::string id;
    std::string model;
    int reportedSlot = 1;            // the projector whose power and input the room shows
    std::vector<std::string> inputs; // the input buttons' names
    std::vector<std::string> commands;
    std::vector<int> slots;

    static DiscoveryRoom FromJson(const nlohmann::json& room);
};

// The entity names Home Assistant shows, from the message catalog.
struct DiscoveryNames {
    std::string power, input, blank, mute, freeze, volumeUp, volumeDown;
    std::string projectorPower, lampHours, error, reachable; // "%1" is the slot

    static DiscoveryNames FromCatalog();
};

// Home Assistant's discovery of one room, on the classic per-entity config topics
// PREFIX/COMPONENT/NODE/OBJECT/config (retained), NODE being "orvane_SITE_ROOM": one device
// per room with a power switch, an input select, blank, mute and freeze switches and volume
// buttons (those the room's toolbar shows), and per projector sensors of its power state and
// lamp hours and binary sensors of its errors and reachability. The unique_ids are made of
// the site, the room and the entity, so they stay the same across restarts; every entity is
// available while PREFIX_OF_TOPICS/SITE/status says "online".
class DiscoveryConfigs {
public:
    DiscoveryConfigs(std::string discoveryPrefix, std::string site, const BusTopics& topics, DiscoveryNames names);

    std::vector<BusMessage> Room(const DiscoveryRoom& room) const;
    // Home Assistant's own status topic: "online" when it (re)starts.
    std::string StatusTopic() const { return prefix_ + "/status"; }

private:
    std::string prefix_;
    std::string site_;
    const BusTopics& topics_;
    DiscoveryNames names_;
};

} // namespace orvane::mqtt
