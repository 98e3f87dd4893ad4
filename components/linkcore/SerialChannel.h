#pragma once

#include "linkcore/LinkSettings.h"

#include <string>

namespace linkcore {

// Opens the device of the 0-based port comNo (see LinkSettings::SerialDevice) and sets it to
// 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control, raw. Returns a
// non-blocking descriptor or -1 (no such device, not a terminal, settings refused).
[[nodiscard]] int OpenSerialChannel(int comNo, const LinkSettings& settings);

// The same for a device path.
[[nodiscard]] int OpenSerialDevice(const std::string& device);

} // namespace linkcore
