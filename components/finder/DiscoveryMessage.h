#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace finder {

// The discovery exchange over UDP (docs/protocol.md, "Discovery"): the finder sends a
// probe carrying a search id; every projector that hears it answers with its name, a
// second text and the address it is reached at.

inline constexpr std::string_view kProbeTag = "ORVANE-DISCOVER/1";
inline constexpr std::string_view kAnswerTag = "ORVANE-PROJECTOR/1";
inline constexpr int kDefaultProbePort = 9716;
inline constexpr std::size_t kMaxDatagram = 1024;
inline constexpr std::size_t kNameBytes = 64; // the found list's fields, less the terminator
inline constexpr std::size_t kInfoBytes = 31;

struct DiscoveryAnswer {
    std::string name;     // at most kNameBytes bytes
    std::string info;     // at most kInfoBytes bytes
    bool hasAddr = false; // false: take the datagram's source address
    uint8_t addr[4] = {}; // first octet first
};

// "ORVANE-DISCOVER/1 <id>\n" with the id in hexadecimal.
std::string FormatProbe(uint64_t id);
// The id of a well-formed probe; false for anything else.
[[nodiscard]] bool ParseProbe(std::string_view datagram, uint64_t& id);

std::string FormatAnswer(uint64_t id, const DiscoveryAnswer& answer);
// Accepts an answer to the search `id` only. Texts longer than their fields are cut on a
// UTF-8 character boundary; an addr that is missing, malformed or 0.0.0.0 leaves hasAddr
// false.
[[nodiscard]] bool ParseAnswer(std::string_view datagram, uint64_t id, DiscoveryAnswer& out);

} // namespace finder
