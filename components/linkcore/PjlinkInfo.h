#pragma once

#include "linkcore/LinkSettings.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkcore {

struct PjlinkLamp {
    int hours = 0;
    bool on = false;
};

// What a PJLink projector tells about itself. Every item the projector did not answer (or
// answered with an error) stays empty.
struct PjlinkInfo {
    // Items of the error status, in the order the projector reports them.
    static constexpr const char* kErrorItems[6] = {"fan", "lamp", "temperature", "cover", "filter", "other"};

    int pjlinkClass = 0; // 1 or 2; 0 unknown
    std::optional<std::string> name;
    std::optional<std::string> manufacturer;      // INF1
    std::optional<std::string> product;           // INF2
    std::optional<int> power;                     // as the projector says it: 0 off, 1 on, 2 cooling, 3 warming up
    std::optional<std::vector<PjlinkLamp>> lamps; // empty: the projector has no lamp
    std::optional<std::array<int, 6>> errors;     // 0 ok, 1 warning, 2 error
};

// Opens a PJLink session and asks name, manufacturer, product, class, power, lamps and
// error status. False when no session could be opened (the projector is unreachable or the
// password wrong); items that fail later stay empty.
bool ReadPjlinkInfo(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                    PjlinkInfo& out);

// "hours on/off" per lamp, separated by blanks: "1200 1" or "1200 1 300 0".
bool ParseLamps(std::string_view value, std::vector<PjlinkLamp>& out);
// Six digits 0-2: fan, lamp, temperature, cover, filter, other.
bool ParseErrorStatus(std::string_view value, std::array<int, 6>& out);

} // namespace linkcore
