#include "linkcore/PjlinkInfo.h"

#include "linkcore/PjlinkConnection.h"
#include "linkcore/PjlinkLine.h"

#include <charconv>

namespace linkcore {

namespace {

// The answer's data, or nothing for an error or a failed exchange.
std::optional<std::string> Ask(PjlinkConnection& session, std::string_view name) {
    std::string value;
    if (session.Exchange('1', name, "?", value) != PjlinkConnection::Outcome::Answered || pjlink::ErrorCode(value) != 0)
        return std::nullopt;
    return value;
}

} // namespace

bool ReadPjlinkInfo(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                    PjlinkInfo& out) {
    PjlinkConnection session;
    if (!session.Open(ipAddress, port, password, settings))
        return false;
    out = PjlinkInfo{};
    out.pjlinkClass = session.Class();
    out.name = Ask(session, "NAME");
    out.manufacturer = Ask(session, "INF1");
    out.product = Ask(session, "INF2");
    if (auto power = Ask(session, "POWR"); power && power->size() == 1 && (*power)[0] >= '0' && (*power)[0] <= '3')
        out.power = (*power)[0] - '0';
    // Projectors without a lamp (laser, LED) answer the lamp query with ERR1 or ERR2.
    std::string lampValue;
    std::vector<PjlinkLamp> lamps;
    if (session.Exchange('1', "LAMP", "?", lampValue) == PjlinkConnection::Outcome::Answered) {
        const int error = pjlink::ErrorCode(lampValue);
        if (error == 1 || error == 2) {
            out.lamps.emplace();
        } else if (ParseLamps(lampValue, lamps)) {
            out.lamps = lamps;
        }
    }
    std::array<int, 6> errors{};
    if (auto value = Ask(session, "ERST"); value && ParseErrorStatus(*value, errors))
        out.errors = errors;
    return true;
}

bool ParseLamps(std::string_view value, std::vector<PjlinkLamp>& out) {
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t space = value.find(' ');
        words.push_back(value.substr(0, space));
        if (space == std::string_view::npos)
            break;
        value.remove_prefix(space + 1);
    }
    if (words.size() % 2 != 0)
        return false;
    std::vector<PjlinkLamp> lamps;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        PjlinkLamp lamp;
        const std::string_view hours = words[i];
        auto [end, ec] = std::from_chars(hours.data(), hours.data() + hours.size(), lamp.hours);
        if (hours.empty() || ec != std::errc() || end != hours.data() + hours.size() || lamp.hours < 0)
            return false;
        if (words[i + 1] != "0" && words[i + 1] != "1")
            return false;
        lamp.on = words[i + 1] == "1";
        lamps.push_back(lamp);
    }
    out = std::move(lamps);
    return true;
}

bool ParseErrorStatus(std::string_view value, std::array<int, 6>& out) {
    if (value.size() != out.size())
        return false;
    std::array<int, 6> errors{};
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] < '0' || value[i] > '2')
            return false;
        errors[i] = value[i] - '0';
    }
    out = errors;
    return true;
}

} // namespace linkcore
