#pragma once

#include <span>

namespace orvane {

// Fills `out` from the kernel's secure random source. False only if the kernel refuses.
[[nodiscard]] bool FillSecureRandom(std::span<unsigned char> out);

} // namespace orvane
