#pragma once

#include "model/ModelInfo2.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::service {

// A command body, checked against its room's model.
struct CommandRequest {
    std::string command; // "power_on", ..., "input", "adjust"
    int commandId = 0;   // the toolbar's command; 0 for a volume step and an adjustment
    int volumeStep = 0;  // +1 volume_up, -1 volume_down
    // adjust: the name as given (the failure message carries it), the request type and value,
    // and the one slot (1-based) or 0 for all.
    std::string adjustName;
    std::uint16_t adjustType = 0;
    int adjustValue = 0;
    int adjustSlot = 0;
    // What it sets is among what the polls read (power, input, volume).
    bool changesPolledState = false;
    // It sets blank, mute or freeze.
    bool changesPictureState = false;
    // The catalog language of the answer's messages (1033, 2052); 0 for the service's own.
    int language = 0;
};

// {"command": NAME} with "input" (input), "name", "value" and an optional "slot" (adjust), and
// an optional "lang" ("en", "zh", ...) for the messages of the answer.
// False with the reason for a body that names no known command, input, adjustment or value.
[[nodiscard]] bool ParseCommandRequest(const nlohmann::json& body, const CModelInfo2& model, CommandRequest& out,
                                       std::string& error);

// The commands of the buttons the room's toolbar shows, in toolbar order ("input" for its
// input buttons, the Volume button's "unmute", "volume_up" and "volume_down"), and "adjust"
// when the model has adjustments.
std::vector<std::string> ToolbarCommands(const CModelInfo2& model);
// The names of the input buttons the toolbar shows, in toolbar order.
std::vector<std::string> ToolbarInputs(const CModelInfo2& model);
// True when the model has a volume range.
bool HasVolumeRange(const CModelInfo2& model);

} // namespace orvane::service
