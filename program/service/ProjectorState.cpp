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
           lamps == other.lamps && errors == other.errors && details == other.details && lastError == other.lastError;
}

void TakePjlinkInfo(const linkcore::PjlinkInfo& info, ProjectorState& state) {
    state.name = info.name;
    state.lamps.reset();
    if (info.lamps) {
        state.lamps.emplace();
        for (const linkcore::PjlinkLamp& lamp : *info.lamps)
            state.lamps->push_back({lamp.hours, lamp.on});
    }
    state.errors = info.errors;
    PjlinkDetails& d = state.details;
    d.pjlinkClass.reset();
    if (info.pjlinkClass != 0)
        d.pjlinkClass = info.pjlinkClass;
    d.manufacturer = info.manufacturer;
    d.product = info.product;
    d.other = info.other;
    d.avmute = info.avmute;
    d.inputs.reset();
    if (info.inputs) {
        d.inputs.emplace();
        for (const linkcore::PjlinkInput& input : *info.inputs)
            d.inputs->push_back({input.code, input.name});
    }
    d.serial = info.serial;
    d.software = info.software;
    d.inputResolution = info.inputResolution;
    d.recommendedResolution = info.recommendedResolution;
    d.filterHours = info.filterHours;
    d.lampModel = info.lampModel;
    d.filterModel = info.filterModel;
    d.freeze = info.freeze;
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
                        {"class", OrNull(s.details.pjlinkClass)},
                        {"manufacturer", OrNull(s.details.manufacturer)},
                        {"product", OrNull(s.details.product)},
                        {"other", OrNull(s.details.other)},
                        {"avmute", OrNull(s.details.avmute)},
                        {"inputs", nullptr},
                        {"serial", OrNull(s.details.serial)},
                        {"software", OrNull(s.details.software)},
                        {"input_resolution", OrNull(s.details.inputResolution)},
                        {"recommended_resolution", OrNull(s.details.recommendedResolution)},
                        {"filter_hours", OrNull(s.details.filterHours)},
                        {"lamp_model", OrNull(s.details.lampModel)},
                        {"filter_model", OrNull(s.details.filterModel)},
                        {"freeze", OrNull(s.details.freeze)},
                        {"last_seen", s.lastSeen ? nlohmann::json(Rfc3339(*s.lastSeen)) : nlohmann::json(nullptr)},
                        {"last_error", OrNull(s.lastError)}};
    if (s.lamps) {
        j["lamps"] = nlohmann::json::array();
        for (const LampState& lamp : *s.lamps)
            j["lamps"].push_back({{"hours", lamp.hours}, {"on", lamp.on}});
    }
    if (s.details.inputs) {
        j["inputs"] = nlohmann::json::array();
        for (const InputState& input : *s.details.inputs)
            j["inputs"].push_back({{"code", input.code}, {"name", OrNull(input.name)}});
    }
    if (s.errors) {
        j["errors"] = nlohmann::json::object();
        for (std::size_t i = 0; i < s.errors->size(); ++i)
            j["errors"][linkcore::PjlinkInfo::kErrorItems[i]] = (*s.errors)[i];
    }
    return j;
}

} // namespace orvane::service
