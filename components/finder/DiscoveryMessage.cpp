#include "finder/DiscoveryMessage.h"

#include "platform/Utf8.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdio>

namespace finder {

namespace {

// Splits off the next line (LF-terminated, a CR before the LF dropped).
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty())
        return false;
    std::size_t eol = text.find('\n');
    line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

// "<tag> <hex id>" with nothing else on the line.
bool ParseHeader(std::string_view line, std::string_view tag, uint64_t& id) {
    if (line.size() <= tag.size() + 1 || line.substr(0, tag.size()) != tag || line[tag.size()] != ' ')
        return false;
    std::string_view hex = line.substr(tag.size() + 1);
    if (hex.empty() || hex.size() > 16)
        return false;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (ec != std::errc() || end != hex.data() + hex.size())
        return false;
    id = value;
    return true;
}

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return out;
}

} // namespace

std::string FormatProbe(uint64_t id) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %llx\n", std::string(kProbeTag).c_str(), static_cast<unsigned long long>(id));
    return buf;
}

bool ParseProbe(std::string_view datagram, uint64_t& id) {
    std::string_view line;
    if (datagram.size() > kMaxDatagram || !NextLine(datagram, line))
        return false;
    return ParseHeader(line, kProbeTag, id);
}

std::string FormatAnswer(uint64_t id, const DiscoveryAnswer& a) {
    char header[64];
    std::snprintf(header, sizeof header, "%s %llx\n", std::string(kAnswerTag).c_str(),
                  static_cast<unsigned long long>(id));
    std::string out = header;
    out += "name=" + OneLine(orvane::CutUtf8(a.name, kNameBytes)) + "\n";
    out += "info=" + OneLine(orvane::CutUtf8(a.info, kInfoBytes)) + "\n";
    if (a.hasAddr) {
        char addr[24];
        std::snprintf(addr, sizeof addr, "addr=%u.%u.%u.%u\n", a.addr[0], a.addr[1], a.addr[2], a.addr[3]);
        out += addr;
    }
    return out;
}

bool ParseAnswer(std::string_view datagram, uint64_t id, DiscoveryAnswer& out) {
    std::string_view line;
    uint64_t answered = 0;
    if (datagram.size() > kMaxDatagram || !NextLine(datagram, line) || !ParseHeader(line, kAnswerTag, answered) ||
        answered != id)
        return false;
    DiscoveryAnswer a;
    bool seenName = false, seenInfo = false, seenAddr = false;
    while (NextLine(datagram, line)) {
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, eq);
        std::string_view value = line.substr(eq + 1);
        if (key == "name" && !seenName) {
            seenName = true;
            a.name = orvane::CutUtf8(value, kNameBytes);
        } else if (key == "info" && !seenInfo) {
            seenInfo = true;
            a.info = orvane::CutUtf8(value, kInfoBytes);
        } else if (key == "addr" && !seenAddr) {
            seenAddr = true;
            in_addr parsed{};
            const std::string text(value);
            if (inet_pton(AF_INET, text.c_str(), &parsed) == 1 && parsed.s_addr != 0) {
                const auto* bytes = reinterpret_cast<const uint8_t*>(&parsed.s_addr);
                for (int i = 0; i < 4; ++i)
                    a.addr[i] = bytes[i];
                a.hasAddr = true;
            }
        }
    }
    out = std::move(a);
    return true;
}

} // namespace finder
