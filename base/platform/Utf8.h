#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// The prefix of `text` of at most `maxBytes` bytes, less a last UTF-8 character whose
// bytes are not all in it, so that a cut never leaves half a character behind.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// True when `text` is well-formed UTF-8: no overlong forms, surrogates or code points
// beyond U+10FFFF.
bool IsValidUtf8(std::string_view text);

// UTF-16 text (without its byte-order mark) as UTF-8. A surrogate without its partner
// becomes U+FFFD; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

} // namespace orvane
