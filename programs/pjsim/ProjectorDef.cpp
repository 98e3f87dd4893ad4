#include "ProjectorDef.h"

#include "linkcore/PjlinkSettings.h"

#include <arpa/inet.h>
#include <charconv>
#include <utility>
#include <vector>

namespace pjsim {

namespace {

constexpr std::size_t kMaxPasswordLength = 63; // the configuration's field holds 63 characters
constexpr long kMaxDelayMs = 600000;
constexpr std::size_t kMaxPjlinkName = 64;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool ParseNumber(std::string_view text, long max, long& out) {
    if (text.empty())
        return false;
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return false;
    out = value;
    return true;
}

bool ParseAddress(std::string_view text, ProjectorDef& out, std::string& error) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        error = "expected HOST:PORT or serial, got '" + std::string(text) + "'";
        return false;
    }
    std::string host(text.substr(0, colon));
    if (host == "localhost")
        host = "127.0.0.1";
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) {
        error = "not an IPv4 address: '" + host + "'";
        return false;
    }
    long port = 0;
    if (!ParseNumber(text.substr(colon + 1), 65535, port)) {
        error = "bad port in '" + std::string(text) + "'";
        return false;
    }
    out.host = host;
    out.port = static_cast<int>(port);
    return true;
}

bool ParseFault(std::string_view value, ProjectorDef& out) {
    if (value == "nak") {
        out.fault = Fault::Nak;
    } else if (value == "silent") {
        out.fault = Fault::Silent;
    } else if (value == "drop") {
        out.fault = Fault::Drop;
    } else if (value == "garbage") {
        out.fault = Fault::Garbage;
    } else if (value == "err4") {
        out.fault = Fault::Err4;
    } else if (value.substr(0, 5) == "slow:") {
        long ms = 0;
        if (!ParseNumber(value.substr(5), kMaxDelayMs, ms))
            return false;
        out.fault = Fault::Slow;
        out.slowMs = static_cast<int>(ms);
    } else {
        return false;
    }
    return true;
}

// A request type: hexadecimal with 0x, else decimal.
bool ParseType(std::string_view text, std::uint16_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0xFFFF)
        return false;
    out = static_cast<std::uint16_t>(value);
    return true;
}

// "TYPE+TYPE+...".
bool ParseRefused(std::string_view value, ProjectorDef& out) {
    for (std::string_view part : Split(value, '+')) {
        std::uint16_t type = 0;
        if (!ParseType(part, type))
            return false;
        out.sim.refused.insert(type);
    }
    return true;
}

// "TYPE:VALUE+TYPE:VALUE...", values -32768..32767.
bool ParseAdjustments(std::string_view value, ProjectorDef& out) {
    for (std::string_view part : Split(value, '+')) {
        const std::size_t colon = part.find(':');
        std::uint16_t type = 0;
        if (colon == std::string_view::npos || !ParseType(part.substr(0, colon), type))
            return false;
        const std::string_view number = part.substr(colon + 1);
        int v = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size() || v < -32768 || v > 32767)
            return false;
        out.sim.adjustments[type] = static_cast<std::uint16_t>(v);
    }
    return true;
}

bool ParsePjlinkOption(std::string_view key, std::string_view value, ProjectorDef& out) {
    long number = 0;
    if (key == "notify") {
        if (value == "off") {
            out.notify = NotifyMode::Off;
            return true;
        }
        ProjectorDef target;
        std::string ignored;
        if (!ParseAddress(value, target, ignored) || target.port == 0)
            return false;
        out.notify = NotifyMode::To;
        out.notifyHost = target.host;
        out.notifyPort = target.port;
        return true;
    }
    if (key == "protocol") {
        if (value != "orvane" && value != "pjlink")
            return false;
        out.protocol = value == "pjlink" ? Protocol::Pjlink : Protocol::Orvane;
        return true;
    }
    if (key == "class") {
        if (value != "1" && value != "2")
            return false;
        out.pjlinkClass = value[0] - '0';
        return true;
    }
    if (key == "lamp") {
        if (value == "none") {
            out.lampHours = kNoLamp;
            return true;
        }
        if (!ParseNumber(value, 99999, number))
            return false;
        out.lampHours = static_cast<int>(number);
        return true;
    }
    if (key == "quirks") {
        static constexpr std::pair<std::string_view, unsigned> kQuirks[] = {
            {"lf", kQuirkLf},   {"prompt", kQuirkPrompt}, {"lower", kQuirkLower},
            {"nul", kQuirkNul}, {"echo", kQuirkEcho},     {"standby", kQuirkStandby}};
        for (std::string_view part : Split(value, '+')) {
            unsigned bit = 0;
            for (const auto& [quirkName, quirkBit] : kQuirks)
                bit = part == quirkName ? quirkBit : bit;
            if (bit == 0)
                return false;
            out.quirks |= bit;
        }
        return true;
    }
    if (key == "error") {
        if (value.size() != 6 || value.find_first_not_of("012") != std::string_view::npos)
            return false;
        out.errorStatus = value;
        return true;
    }
    return false;
}

// The checks and the input option that depend on the protocol.
bool FinishProtocol(ProjectorDef& def, const std::string& inputText, std::string& error) {
    if (def.protocol == Protocol::Orvane) {
        ProjectorDef plain;
        if (def.pjlinkClass != plain.pjlinkClass || def.lampHours != plain.lampHours ||
            def.errorStatus != plain.errorStatus || def.quirks != 0 || def.fault == Fault::Err4 ||
            def.notify != plain.notify) {
            error = "class=, lamp=, error=, quirks=, notify= and fault=err4 need protocol=pjlink";
            return false;
        }
        long number = 0;
        if (!inputText.empty() && !ParseNumber(inputText, 65535, number)) {
            error = "bad projector option 'input=" + inputText + "'";
            return false;
        }
        def.sim.input = static_cast<std::uint16_t>(number);
        return true;
    }
    if (def.serial) {
        error = "protocol=pjlink needs a TCP address";
        return false;
    }
    // Answers are "%1NAME=<name>": an '=' in the name would make them ambiguous to a client.
    if (def.name.find('=') != std::string::npos || def.name.size() > kMaxPjlinkName) {
        error = "a PJLink name has no '=' and at most 64 bytes";
        return false;
    }
    const std::string input = inputText.empty() ? "11" : inputText;
    if (!linkcore::PjlinkSettings::IsInput(input) ||
        (def.pjlinkClass == 1 && linkcore::PjlinkSettings::NeedsClass2(input))) {
        error = "input=" + input + " is no PJLink input of class " + std::to_string(def.pjlinkClass);
        return false;
    }
    def.sim.input = EncodePjlinkInput(input);
    return true;
}

bool ParseOption(std::string_view key, std::string_view value, ProjectorDef& out, std::string& inputText) {
    long number = 0;
    if (key == "input") {
        inputText = value; // its form depends on the protocol, which may come later
        return true;
    }
    if (ParsePjlinkOption(key, value, out))
        return true;
    if (key == "password") {
        if (value.size() > kMaxPasswordLength)
            return false;
        out.password = value;
        return true;
    }
    if (key == "name") {
        out.name = value;
        return true;
    }
    if (key == "power") {
        if (value == "off") {
            out.sim.power = InitialPower::Off;
        } else if (value == "on") {
            out.sim.power = InitialPower::On;
        } else if (value == "transit") {
            out.sim.power = InitialPower::Transit;
        } else {
            return false;
        }
        return true;
    }
    if (key == "fault")
        return ParseFault(value, out);
    if (key == "images") {
        if (value != "0" && value != "1")
            return false;
        out.images = value == "1";
        return true;
    }
    if (key == "idle") {
        if (!ParseNumber(value, kMaxDelayMs, number))
            return false;
        out.idleMs = static_cast<int>(number);
        out.pjlinkIdleMs = static_cast<int>(number);
        return true;
    }
    if (key == "refuse")
        return ParseRefused(value, out);
    if (key == "values")
        return ParseAdjustments(value, out);
    if (key == "warm") {
        if (!ParseNumber(value, kMaxDelayMs, number))
            return false;
        out.sim.warmMs = static_cast<int>(number);
        return true;
    }
    std::uint16_t* field = key == "kind"     ? &out.sim.kind
                           : key == "volume" ? &out.sim.volume
                           : key == "volmax" ? &out.sim.volmax
                                             : nullptr;
    if (field == nullptr || !ParseNumber(value, 65535, number))
        return false;
    *field = static_cast<std::uint16_t>(number);
    return true;
}

} // namespace

std::uint16_t EncodePjlinkInput(std::string_view input) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(input[0]) << 8) |
                                      static_cast<unsigned char>(input[1]));
}

std::string DecodePjlinkInput(std::uint16_t value) {
    return std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

bool ParseProjectorDef(std::string_view text, ProjectorDef& out, std::string& error) {
    ProjectorDef def;
    std::vector<std::string_view> parts = Split(text, ',');
    if (parts[0] == "serial") {
        def.serial = true;
    } else if (!ParseAddress(parts[0], def, error)) {
        return false;
    }

    std::string inputText;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string_view option = parts[i];
        std::size_t eq = option.find('=');
        if (eq == std::string_view::npos || !ParseOption(option.substr(0, eq), option.substr(eq + 1), def, inputText)) {
            error = "bad projector option '" + std::string(option) + "'";
            return false;
        }
    }
    if (!FinishProtocol(def, inputText, error))
        return false;
    if (def.sim.volume > def.sim.volmax) {
        error = "volume " + std::to_string(def.sim.volume) + " is above volmax " + std::to_string(def.sim.volmax);
        return false;
    }
    def.sim.refuseAll = def.fault == Fault::Nak;
    out = def;
    return true;
}

bool ParseFleetDef(std::string_view text, FleetDef& out, std::string& error) {
    const std::size_t comma = text.find(',');
    long count = 0;
    if (!ParseNumber(text.substr(0, comma), kMaxFleetSize, count) || count < 1) {
        error = "a fleet needs a size of 1 to " + std::to_string(kMaxFleetSize) + ", got '" + std::string(text) + "'";
        return false;
    }
    // The fleet's members are network projectors on loopback; their port is chosen later.
    std::string def = "127.0.0.1:0";
    if (comma != std::string_view::npos)
        def += text.substr(comma);
    FleetDef fleet;
    fleet.count = static_cast<int>(count);
    if (!ParseProjectorDef(def, fleet.def, error))
        return false;
    out = fleet;
    return true;
}

} // namespace pjsim
