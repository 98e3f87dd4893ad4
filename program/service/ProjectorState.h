#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace linkcore {
struct PjlinkInfo;
}

namespace orvane::service {

struct LampState {
    int hours = 0;
    bool on = false;
    bool operator==(const LampState&) const = default;
};

struct InputState {
    std::string code;                // "31", "3A"
    std::optional<std::string> name; // told by class 2 projectors only
    bool operator==(const InputState&) const = default;
};

// What a PJLink projector tells of itself and seldom changes, as orvanectl info names it.
struct PjlinkDetails {
    std::optional<int> pjlinkClass;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> other;
    std::optional<std::string> avmute; // e.g. "31"
    std::optional<std::vector<InputState>> inputs;
    std::optional<std::string> serial;
    std::optional<std::string> software;
    std::optional<std::string> inputResolution;
    std::optional<std::string> recommendedResolution;
    std::optional<int> filterHours;
    std::optional<std::string> lampModel;
    std::optional<std::string> filterModel;
    std::optional<bool> freeze;
    bool operator==(const PjlinkDetails&) const = default;
};

// What the service knows of one projector; every field the projector did not tell is empty.
struct ProjectorState {
    int slot = 1; // 1-based
    std::string address;
    bool pjlink = false;
    bool reachable = false;
    std::optional<int> power; // 0 off, 1 on, 2 between the two
    std::optional<std::string> input;
    std::optional<int> volume;
    std::optional<std::string> name;
    std::optional<std::vector<LampState>> lamps;
    std::optional<std::array<int, 6>> errors; // fan, lamp, temperature, cover, filter, other
    PjlinkDetails details;
    std::optional<std::chrono::system_clock::time_point> lastSeen;
    std::optional<std::string> lastError;

    // Equal but for last_seen: what decides whether a change is told.
    bool SameApartFromLastSeen(const ProjectorState& other) const;
};

// What the service keeps of a PJLink projector's answers to every item it was asked.
void TakePjlinkInfo(const linkcore::PjlinkInfo& info, ProjectorState& state);

// PROJECTOR of the API.
nlohmann::json ProjectorJson(const ProjectorState& state);

// RFC 3339 in UTC with seconds, e.g. "2026-12-09T21:04:05Z".
std::string Rfc3339(std::chrono::system_clock::time_point time);

} // namespace orvane::service
