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
    bool operator==(const PjlinkLamp&) const = default;
};

struct PjlinkInput {
    std::string code;                // "31", "3A"
    std::optional<std::string> name; // class 2 only (INNM)
    bool operator==(const PjlinkInput&) const = default;
};

// What a PJLink projector tells about itself. Every item the projector did not answer (or
// answered with an error) stays empty; the class 2 items are asked of class 2 projectors only.
struct PjlinkInfo {
    // Items of the error status, in the order the projector reports them.
    static constexpr const char* kErrorItems[6] = {"fan", "lamp", "temperature", "cover", "filter", "other"};

    int pjlinkClass = 0; // 1 or 2; 0 unknown
    std::optional<std::string> name;
    std::optional<std::string> manufacturer;          // INF1
    std::optional<std::string> product;               // INF2
    std::optional<int> power;                         // as the projector says it: 0 off, 1 on, 2 cooling, 3 warming up
    std::optional<std::vector<PjlinkLamp>> lamps;     // empty: the projector has no lamp
    std::optional<std::array<int, 6>> errors;         // 0 ok, 1 warning, 2 error
    std::optional<std::string> other;                 // INFO
    std::optional<std::string> input;                 // INPT, e.g. "31"
    std::optional<std::string> avmute;                // AVMT, e.g. "11"
    std::optional<std::vector<PjlinkInput>> inputs;   // INST: %2INST on class 2, else %1INST
    std::optional<std::string> serial;                // SNUM
    std::optional<std::string> software;              // SVER
    std::optional<std::string> inputResolution;       // IRES
    std::optional<std::string> recommendedResolution; // RRES
    std::optional<int> filterHours;                   // FILT
    std::optional<std::string> lampModel;             // RLMP
    std::optional<std::string> filterModel;           // RFIL
    std::optional<bool> freeze;                       // FREZ
    // At least one item was answered, if only with an error.
    bool answered = false;
    bool operator==(const PjlinkInfo&) const = default;
};

// One item info asks: a PJLink command, answered as TakePjlinkAnswer reads it.
struct PjlinkQuery {
    char cls = '1'; // '1' or '2'; 0 for the projector's own class (class 1 while it is unknown)
    std::string name;
    std::string param = "?";
};

// What info asks of every projector, in order: the class 1 items, then the input list in the
// projector's own class. The class (%1CLSS ?) is the caller's to learn first.
std::vector<PjlinkQuery> PjlinkInfoQueries();
// The input list alone, as PjlinkInfoQueries asks it.
PjlinkQuery PjlinkInputListQuery();
// What follows for a class 2 projector once `info` holds the answers so far: the name of each
// listed input. None for class 1.
std::vector<PjlinkQuery> PjlinkInputNameQueries(const PjlinkInfo& info);
// The same names, then the class 2 items. None for class 1.
std::vector<PjlinkQuery> PjlinkClass2Queries(const PjlinkInfo& info);
// Takes the projector's answer to `query` ("ERR2" included; nothing when none came) into
// `info`. An error answer or one that does not parse leaves the item empty, except that ERR1
// or ERR2 to LAMP means a projector without a lamp. %1CLSS ? gives the class.
void TakePjlinkAnswer(const PjlinkQuery& query, const std::optional<std::string>& answer, PjlinkInfo& info);

// Opens a PJLink session and asks every item above in turn. An item that fails stays empty
// and the others go on, on a new connection when the projector closed the old one; once a
// connection cannot be opened again the rest stay empty. False when the projector answered
// no item at all (unreachable, wrong password, mute).
bool ReadPjlinkInfo(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                    PjlinkInfo& out);

// The projector's own inputs, as info lists them (class 2: %2INST with names). False when
// the list could not be had.
bool ReadPjlinkInputs(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                      std::vector<PjlinkInput>& out);
// Selects a PJLink input ("32", "3A" with a class 2 head). False without an answer; else
// `answer` is the projector's ("OK" or "ERR1".."ERR4").
bool SelectPjlinkInput(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                       std::string_view input, std::string& answer);

// "hours on/off" per lamp, separated by blanks: "1200 1" or "1200 1 300 0".
[[nodiscard]] bool ParseLamps(std::string_view value, std::vector<PjlinkLamp>& out);
// Six digits 0-2: fan, lamp, temperature, cover, filter, other.
[[nodiscard]] bool ParseErrorStatus(std::string_view value, std::array<int, 6>& out);

} // namespace linkcore
