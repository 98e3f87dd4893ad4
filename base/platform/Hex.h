#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Lower-case hex; FromHex takes either case and fails (leaving `out` empty) on an odd
// length or any other character.
// One hex digit's value in either case, or -1 for any other character.
int HexValue(char c);
std::string ToHex(std::span<const unsigned char> bytes);
[[nodiscard]] bool FromHex(std::string_view text, std::vector<unsigned char>& out);

} // namespace orvane
