#pragma once

#include "mqtt/BusTopics.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace orvane::mqtt {

// One retained message as the bridge wants the broker to hold it. An empty payload takes
// the retained message off the topic (the way MQTT clears one).
struct BusMessage {
    std::string topic;
    std::string payload;
    bool operator==(const BusMessage&) const = default;
};

// The retained messages of one projector, from the API's PROJECTOR object (a "room" key in it
// is left out): ROOM/SLOT/state, the object without last_seen so that a poll that changes
// nothing else sends nothing, and the plain values power, input, volume, lamp_hours (the
// first lamp's), reachable and error (the worst of the error status). A value the projector
// does not tell has the empty payload: it is not published, and one told before is taken
// back, so that no subscriber keeps an old value for it.
std::vector<BusMessage> ProjectorMessages(const BusTopics& topics, std::string_view room,
                                          const nlohmann::json& projector);

// The payload of a command message as the body the API's command route takes. False, with the
// reason, for a payload that is not a JSON object.
[[nodiscard]] bool ParseCommandPayload(std::string_view payload, nlohmann::json& body, std::string& error);

// {"error": TEXT} as a result message carries it.
std::string ErrorResult(std::string_view error);

// JSON text as the bus carries it: compact, invalid UTF-8 replaced rather than thrown on.
std::string JsonText(const nlohmann::json& value);

} // namespace orvane::mqtt
