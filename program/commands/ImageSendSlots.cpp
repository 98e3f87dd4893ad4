#include "commands/ImageSendSlots.h"

namespace orvane {

bool IsImageSendSlot(CommandTransport& transport, int slot) {
    if (slot < 0 || slot >= transport.SlotsInUse() ||
        transport.Model().ConnectMethod[slot] != CModelInfo2::kMethodNetwork)
        return false;
    return !IsRefusedKind(transport.EnsureKind(slot));
}

std::vector<int> ImageSendSlots(CommandTransport& transport) {
    std::vector<int> slots;
    for (int slot = 0; slot < transport.SlotsInUse(); ++slot) {
        if (IsImageSendSlot(transport, slot))
            slots.push_back(slot);
    }
    return slots;
}

} // namespace orvane
