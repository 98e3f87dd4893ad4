#pragma once

#include <string_view>

namespace orvane {

// True for a caption of the numbered form "N;text" that windows and menus replace with
// catalog text (11, N): optional leading white space, an optional sign, decimal digits,
// ";" right after them and at least one non-blank character after that. Sets `number`
// only on success. "16;Power On" gives 16; "24x24", "RS-232C", "12;" and "12; " are
// captions to keep as they are. A number beyond the range of int is not a caption number.
[[nodiscard]] bool ParseNumberedCaption(std::string_view caption, int& number);

} // namespace orvane
