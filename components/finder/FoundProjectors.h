#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace finder {

// The list's capacity and the byte layout it is exchanged in: entry i of three parallel
// arrays of 4-byte addresses, 65-byte names and 32-byte second texts.
inline constexpr int kMaxFound = 256;
inline constexpr std::size_t kAddrStride = 4;
inline constexpr std::size_t kNameStride = 65;
inline constexpr std::size_t kInfoStride = 32;

struct FoundProjector {
    uint8_t addr[4] = {}; // first octet first
    std::string name;
    std::string info;

    bool SameAddress(const FoundProjector& other) const;
    bool operator==(const FoundProjector& other) const;
};

// Reads `count` entries (clamped to 0..256) from the arrays. Texts end at their
// terminator or at the end of their field.
std::vector<FoundProjector> ReadFoundArrays(const unsigned char* addr, const char* names, const char* infos, int count);
// Writes the list (at most 256 entries) into the arrays, each field terminated and
// zero-filled; returns the number written.
int WriteFoundArrays(const std::vector<FoundProjector>& list, unsigned char* addr, char* names, char* infos);

// Adds one answer of a search to the answers so far; the same projector answering again
// (same address, name and second text) counts once. False when it was known already.
bool AddAnswer(std::vector<FoundProjector>& answers, const FoundProjector& answer);

// The list after a search: the answers for an address replace every entry the list held
// for that address, in the place of the first of them; entries of addresses that did not
// answer stay as they were; answers from new addresses follow in the order they came.
// Cut to 256 entries.
std::vector<FoundProjector> MergeFound(const std::vector<FoundProjector>& previous,
                                       const std::vector<FoundProjector>& answers);

} // namespace finder
