#include "service/ProjectorState.h"

#include "linkcore/PjlinkInfo.h"

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
           power == other.power && input == other.input && volume == other.volume && name == other.name &&
           lamps == other.lamps && errors == other.errors && lastError == other.lastError;
}

std::string Rfc3339(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

nlohmann::json ProjectorJson(const ProjectorState& s) {
    nlohmann::json j = {{"slot", s.slot},
                        {"address", s.address},
                        {"protocol", s.pjlink ? "pjlink" : "orvane"},
                        {"reachable", s.reachable},
                        {"power", s.power ? nlohmann::json(PowerName(*s.power)) : nlohmann::json(nullptr)},
                        {"input", OrNull(s.input)},
                        {"volume", OrNull(s.volume)},
                        {"name", OrNull(s.name)},
                        {"lamps", nullptr},
                        {"errors", nullptr},
                        {"last_seen", s.lastSeen ? nlohmann::json(Rfc3339(*s.lastSeen)) : nlohmann::json(nullptr)},
                        {"last_error", OrNull(s.lastError)}};
    if (s.lamps) {
        j["lamps"] = nlohmann::json::array();
        for (const LampState& lamp : *s.lamps)
            j["lamps"].push_back({{"hours", lamp.hours}, {"on", lamp.on}});
    }
    if (s.errors) {
        j["errors"] = nlohmann::json::object();
        for (std::size_t i = 0; i < s.errors->size(); ++i)
            j["errors"][linkcore::PjlinkInfo::kErrorItems[i]] = (*s.errors)[i];
    }
    return j;
}

} // namespace orvane::service
