#include "mqtt/BusMessages.h"

#include <algorithm>

namespace orvane::mqtt {

std::string JsonText(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<BusMessage> ProjectorMessages(const BusTopics& topics, std::string_view room,
                                          const nlohmann::json& projector) {
    nlohmann::json state = projector;
    state.erase("room");
    state.erase("last_seen");
    const int slot = projector.value("slot", 0);
    auto topic = [&](std::string_view leaf) { return topics.Projector(room, slot, leaf); };
    auto text = [&](const char* key) {
        const auto it = projector.find(key);
        if (it == projector.end() || it->is_null())
            return std::string();
        return it->is_string() ? it->get<std::string>() : JsonText(*it);
    };

    std::string lampHours;
    if (const auto lamps = projector.find("lamps");
        lamps != projector.end() && lamps->is_array() && !lamps->empty() && (*lamps)[0].contains("hours"))
        lampHours = JsonText((*lamps)[0]["hours"]);
    std::string error;
    if (const auto errors = projector.find("errors"); errors != projector.end() && errors->is_object()) {
        int worst = 0;
        for (const auto& [name, level] : errors->items())
            worst = std::max(worst, level.is_number_integer() ? level.get<int>() : 0);
        error = std::to_string(worst);
    }
    return {{topic("state"), JsonText(state)},
            {topic("power"), text("power")},
            {topic("input"), text("input")},
            {topic("volume"), text("volume")},
            {topic("lamp_hours"), lampHours},
            {topic("reachable"), projector.value("reachable", false) ? "true" : "false"},
            {topic("error"), error}};
}

bool ParseCommandPayload(std::string_view payload, nlohmann::json& body, std::string& error) {
    body = nlohmann::json::parse(payload, nullptr, false);
    if (body.is_discarded()) {
        error = "the message is not JSON";
        return false;
    }
    if (!body.is_object()) {
        error = "the message is not a JSON object";
        return false;
    }
    return true;
}

std::string ErrorResult(std::string_view error) {
    return JsonText({{"error", error}});
}

} // namespace orvane::mqtt
