#pragma once

#include <cstddef>
#include <string_view>

namespace orvane {

// The prefix of `text` of at most `maxBytes` bytes, less a last UTF-8 character whose
// bytes are not all in it, so that a cut never leaves half a character behind.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

} // namespace orvane
