#pragma once

#include "linkcore/PjlinkInfo.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace orvane::service {

// What the service knows of one projector; every field the projector did not tell is empty.
struct ProjectorState {
    int slot = 1; // 1-based
    std::string address;
    bool pjlink = false;
    bool reachable = false;
    std::optional<int> power; // 0 off, 1 on, 2 between the two
    std::optional<std::string> input;
    std::optional<int> volume;
    // What a PJLink projector told of itself, as orvanectl info shows it; its power, input and
    // answered stay empty here, for the poll's above are the ones the service reports.
    linkcore::PjlinkInfo told;
    std::optional<std::chrono::system_clock::time_point> lastSeen;
    std::optional<std::string> lastError;

    // Equal but for last_seen: what decides whether a change is told.
    bool SameApartFromLastSeen(const ProjectorState& other) const;
};

// What the service keeps of a PJLink projector's answers to every item it was asked.
void TakePjlinkInfo(const linkcore::PjlinkInfo& info, ProjectorState& state);

// PROJECTOR of the API.
nlohmann::json ProjectorJson(const ProjectorState& state);
// What a PJLink projector told, but for its power and input, into `j` as PROJECTOR and
// orvanectl info --json name them: null for every item it did not tell.
void WritePjlinkItems(const linkcore::PjlinkInfo& info, nlohmann::json& j);

// RFC 3339 in UTC with seconds, e.g. "2026-12-09T21:04:05Z".
std::string Rfc3339(std::chrono::system_clock::time_point time);

} // namespace orvane::service
