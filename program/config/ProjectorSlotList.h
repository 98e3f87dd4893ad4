#pragma once

#include "model/ModelInfo2.h"

#include <cstdint>

namespace orvane {

// What the connection page edits for one projector: the five values of a slot.
struct SlotValues {
    int32_t method = 0; // 0 = RS-232C, 1 = network
    int32_t comNo = 0;  // 0 = COM1
    int32_t portNo = 0;
    char ip[CModelInfo2::kTextBytes] = {};
    char password[CModelInfo2::kTextBytes] = {};
};

enum class SlotChange {
    Stored,    // the record changed
    Full,      // five projectors already
    Duplicate, // another slot reaches the same projector
    NoSlot,    // the target index is not a slot in use
};

// The projector slots of a record as the connection page changes them: rows 0..PjtNum-1
// are the slots in use, in order. Every change lands in the record at once.
class ProjectorSlotList {
public:
    explicit ProjectorSlotList(CModelInfo2& model) : model_(model) {}

    // PjtNum clamped to 0..5, so that a damaged count never indexes past the slots.
    int Count() const;
    bool IsSlot(int index) const { return index >= 0 && index < Count(); }

    SlotValues Slot(int index) const;

    // The first slot other than `target` (-1 for none, as for Insert) that reaches the
    // same projector: same method and, over the network, the same address text and port;
    // over RS-232C the same COM port. -1 when none.
    int FindCollision(const SlotValues& values, int target) const;

    SlotChange Insert(const SlotValues& values);
    SlotChange Update(int index, const SlotValues& values);

    // Removes slot `index`; the slots behind it move down. `checkedRow` follows the
    // projector it marked; when that projector is the one removed it becomes 0.
    SlotChange Delete(int index, int& checkedRow);

private:
    void Store(int index, const SlotValues& values);

    CModelInfo2& model_;
};

} // namespace orvane
