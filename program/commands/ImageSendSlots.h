#pragma once

#include "link/CommandTransport.h"

#include <vector>

namespace orvane {

// Whether the image-send dialog is handed slot `slot` (0-based): a networked slot in use
// whose kind is not refused. An unknown kind is asked first (and cached); a failed query
// leaves it unknown, and the slot is still handed over.
bool IsImageSendSlot(CommandTransport& transport, int slot);

// The slots the image-send dialog is handed, in slot order, serial ones left out silently.
std::vector<int> ImageSendSlots(CommandTransport& transport);

} // namespace orvane
