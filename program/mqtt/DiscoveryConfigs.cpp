#include "mqtt/DiscoveryConfigs.h"

#include "catalog/MessageCatalog.h"

#include <algorithm>

namespace orvane::mqtt {

namespace {

// Node and object ids: Home Assistant takes letters, digits, '_' and '-' only.
std::string IdPart(std::string_view text) {
    std::string out;
    for (const char c : text)
        out += (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-') ? c : '_';
    return out;
}

std::string Replace(std::string text, const std::string& with) {
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, with);
    return text;
}

bool Has(const std::vector<std::string>& list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::string CommandPayload(std::string_view command) {
    return JsonText({{"command", command}});
}

} // namespace

DiscoveryRoom DiscoveryRoom::FromJson(const nlohmann::json& room) {
    DiscoveryRoom out;
    out.id = room.value("id", "");
    out.model = room.value("model", "");
    if (const auto reported = room.find("reported_slot"); reported != room.end() && reported->is_number_integer())
        out.reportedSlot = reported->get<int>();
    out.inputs = room.value("inputs", std::vector<std::string>{});
    out.commands = room.value("commands", std::vector<std::string>{});
    for (const auto& p : room.value("projectors", nlohmann::json::array()))
        out.slots.push_back(p.value("slot", 0));
    if (!out.slots.empty() && std::find(out.slots.begin(), out.slots.end(), out.reportedSlot) == out.slots.end())
        out.reportedSlot = out.slots.front();
    return out;
}

DiscoveryNames DiscoveryNames::FromCatalog() {
    auto text = [](int number) { return CatalogText(kCatalogSetUi, number); };
    // The slot goes in later, per projector: "%1" stays in the text for it.
    auto perSlot = [](int number) { return CatalogText(kCatalogSetUi, number, std::string("%1")); };
    return {text(400), text(401),    text(402),    text(403),    text(404),   text(405),
            text(406), perSlot(407), perSlot(408), perSlot(409), perSlot(410)};
}

DiscoveryConfigs::DiscoveryConfigs(std::string discoveryPrefix, std::string site, const BusTopics& topics,
                                   DiscoveryNames names)
    : prefix_(std::move(discoveryPrefix)), site_(std::move(site)), topics_(topics), names_(std::move(names)) {}

std::vector<BusMessage> DiscoveryConfigs::Room(const DiscoveryRoom& room) const {
    const std::string node = "orvane_" + IdPart(site_) + "_" + IdPart(room.id);
    const nlohmann::json device = {{"identifiers", {node}},
                                   {"name", room.id},
                                   {"manufacturer", "Orvane"},
                                   {"model", room.model},
                                   {"suggested_area", room.id}};
    std::vector<BusMessage> out;
    auto entity = [&](const char* component, const std::string& object, const std::string& name,
                      nlohmann::json config) {
        config["name"] = name;
        config["unique_id"] = node + "_" + object;
        config["object_id"] = node + "_" + object;
        config["device"] = device;
        config["availability_topic"] = topics_.Status();
        config["payload_available"] = "online";
        config["payload_not_available"] = "offline";
        out.push_back({prefix_ + "/" + component + "/" + node + "/" + object + "/config", JsonText(config)});
    };
    const std::string command = topics_.Command(room.id);
    auto onOff = [&](const std::string& object, const std::string& name, const char* on, const char* off) {
        if (!Has(room.commands, on) && !Has(room.commands, off))
            return;
        // The projectors do not tell blank, mute or freeze: Home Assistant keeps what it sent.
        entity("switch", object, name,
               {{"command_topic", command},
                {"payload_on", CommandPayload(on)},
                {"payload_off", CommandPayload(off)},
                {"optimistic", true}});
    };

    if (Has(room.commands, "power_on") || Has(room.commands, "power_off")) {
        entity("switch", "power", names_.power,
               {{"command_topic", command},
                {"payload_on", CommandPayload("power_on")},
                {"payload_off", CommandPayload("power_off")},
                {"state_topic", topics_.Projector(room.id, room.reportedSlot, "power")},
                {"state_on", "on"},
                {"state_off", "off"},
                {"icon", "mdi:projector"}});
    }
    if (Has(room.commands, "input") && !room.inputs.empty()) {
        entity("select", "input", names_.input,
               {{"command_topic", command},
                {"command_template", R"({"command": "input", "input": {{ value | tojson }}})"},
                {"options", room.inputs},
                {"state_topic", topics_.Projector(room.id, room.reportedSlot, "input")}});
    }
    onOff("blank", names_.blank, "blank_on", "blank_off");
    onOff("mute", names_.mute, "mute", "unmute");
    onOff("freeze", names_.freeze, "freeze_on", "freeze_off");
    for (const auto& [object, name] : {std::pair<std::string, std::string>{"volume_up", names_.volumeUp},
                                       std::pair<std::string, std::string>{"volume_down", names_.volumeDown}}) {
        if (Has(room.commands, object))
            entity("button", object, name, {{"command_topic", command}, {"payload_press", CommandPayload(object)}});
    }
    for (const int slot : room.slots) {
        const std::string p = "p" + std::to_string(slot) + "_";
        const std::string number = std::to_string(slot);
        entity("sensor", p + "power", Replace(names_.projectorPower, number),
               {{"state_topic", topics_.Projector(room.id, slot, "power")}, {"icon", "mdi:projector"}});
        entity("sensor", p + "lamp_hours", Replace(names_.lampHours, number),
               {{"state_topic", topics_.Projector(room.id, slot, "lamp_hours")},
                {"unit_of_measurement", "h"},
                {"device_class", "duration"},
                {"state_class", "total_increasing"}});
        entity("binary_sensor", p + "error", Replace(names_.error, number),
               {{"state_topic", topics_.Projector(room.id, slot, "error")},
                {"value_template", "{{ 'ON' if value | int(0) > 0 else 'OFF' }}"},
                {"device_class", "problem"}});
        entity("binary_sensor", p + "reachable", Replace(names_.reachable, number),
               {{"state_topic", topics_.Projector(room.id, slot, "reachable")},
                {"payload_on", "true"},
                {"payload_off", "false"},
                {"device_class", "connectivity"}});
    }
    return out;
}

} // namespace orvane::mqtt
