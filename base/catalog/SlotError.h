#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// The longest message the slot error box shows; longer ones are cut.
inline constexpr std::size_t kSlotErrorMaxLength = 1099;

// The message that names the failing projector: the catalog text directly followed by
// "(" + IP address + ")" for a network slot (connectMethod 1) and by "(com" + comNo + 1
// + ")" for any other, so COM index 0 reads "(com1)". Cut to kSlotErrorMaxLength bytes
// on a UTF-8 character boundary.
std::string FormatSlotError(std::string_view text, int connectMethod, std::string_view ipAddress, int comNo);

} // namespace orvane
