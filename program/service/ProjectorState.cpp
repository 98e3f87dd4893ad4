#include "service/ProjectorState.h"

#include <ctime>

namespace orvane::service {

namespace {

template <typename T> nlohmann::json OrNull(const std::optional<T>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

const char* PowerName(int power) {
    switch (power) {
    case 0:
        return "off";
    case 1:
        return "on";
    default:
        return "transition";
    }
}

} // namespace

bool ProjectorState::SameApartFromLastSeen(const ProjectorState& other) const {
    return slot == other.slot && address == other.address && pjlink == other.pjlink && reachable == other.reachable &&
           power == other.power && input == other.input && volume == other.volume && told == other.told &&
           lastError == other.lastError;
}

void TakePjlinkInfo(const linkcore::PjlinkInfo& info, ProjectorState& state) {
    state.told = info;
    // The poll's power, input and reachability are the ones the service reports.
    state.told.power.reset();
    state.told.input.reset();
    state.told.answered = false;
}

std::string Rfc3339(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void WritePjlinkItems(const linkcore::PjlinkInfo& p, nlohmann::json& j) {
    j["class"] = p.pjlinkClass != 0 ? nlohmann::json(p.pjlinkClass) : nlohmann::json(nullptr);
    j["name"] = OrNull(p.name);
    j["manufacturer"] = OrNull(p.manufacturer);
    j["product"] = OrNull(p.product);
    j["other"] = OrNull(p.other);
    j["avmute"] = OrNull(p.avmute);
    j["serial"] = OrNull(p.serial);
    j["software"] = OrNull(p.software);
    j["input_resolution"] = OrNull(p.inputResolution);
    j["recommended_resolution"] = OrNull(p.recommendedResolution);
    j["filter_hours"] = OrNull(p.filterHours);
    j["lamp_model"] = OrNull(p.lampModel);
    j["filter_model"] = OrNull(p.filterModel);
    j["freeze"] = OrNull(p.freeze);
    j["inputs"] = nullptr;
    if (p.inputs) {
        j["inputs"] = nlohmann::json::array();
        for (const linkcore::PjlinkInput& input : *p.inputs)
            j["inputs"].push_back({{"code", input.code}, {"name", OrNull(input.name)}});
    }
    j["lamps"] = nullptr;
    if (p.lamps) {
        j["lamps"] = nlohmann::json::array();
        for (const linkcore::PjlinkLamp& lamp : *p.lamps)
            j["lamps"].push_back({{"hours", lamp.hours}, {"on", lamp.on}});
    }
    j["errors"] = nullptr;
    if (p.errors) {
        j["errors"] = nlohmann::json::object();
        for (std::size_t i = 0; i < p.errors->size(); ++i)
            j["errors"][linkcore::PjlinkInfo::kErrorItems[i]] = (*p.errors)[i];
    }
}

nlohmann::json ProjectorJson(const ProjectorState& s) {
    nlohmann::json j = {{"slot", s.slot},
                        {"address", s.address},
                        {"protocol", s.pjlink ? "pjlink" : "orvane"},
                        {"reachable", s.reachable},
                        {"power", s.power ? nlohmann::json(PowerName(*s.power)) : nlohmann::json(nullptr)},
                        {"input", OrNull(s.input)},
                        {"volume", OrNull(s.volume)},
                        {"last_seen", s.lastSeen ? nlohmann::json(Rfc3339(*s.lastSeen)) : nlohmann::json(nullptr)},
                        {"last_error", OrNull(s.lastError)}};
    WritePjlinkItems(s.told, j);
    return j;
}

} // namespace orvane::service
