#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// The list of projectors that discovery found, in the layout the discovery component
// reads and writes: three parallel arrays, entry i at index i of each.
inline constexpr int kFoundCapacity = 256;
inline constexpr int kFoundNameBytes = 65; // 64 characters and the terminator
inline constexpr int kFoundInfoBytes = 32; // 31 characters and the terminator

using FoundAddrArray = unsigned char[kFoundCapacity][4]; // first octet in the first byte
using FoundNameArray = char[kFoundCapacity][kFoundNameBytes];
using FoundInfoArray = char[kFoundCapacity][kFoundInfoBytes];

// A count as the component reports it, made safe to index with: 0..256.
int ClampFoundCount(int count);

// Copies `count` entries (clamped to 0..256) and returns the number copied. Names and
// second texts are terminated within their fields whatever the source held.
int CopyFoundList(FoundAddrArray& toAddr, FoundNameArray& toName, FoundInfoArray& toInfo, const FoundAddrArray& addr,
                  const FoundNameArray& name, const FoundInfoArray& info, int count);

// Empties the three arrays (every byte zero).
void ClearFoundList(FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info);

// The chosen address as one number, first octet in the high byte, and back to dotted text.
uint32_t PackFoundAddress(const unsigned char (&addr)[4]);
std::string FormatPackedAddress(uint32_t packed);

} // namespace orvane
