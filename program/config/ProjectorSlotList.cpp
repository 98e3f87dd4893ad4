#include "config/ProjectorSlotList.h"

#include <cstring>

namespace orvane {

int ProjectorSlotList::Count() const {
    return ClampCount(model_.PjtNum, CModelInfo2::kSlots);
}

SlotValues ProjectorSlotList::Slot(int i) const {
    SlotValues v;
    if (i < 0 || i >= CModelInfo2::kSlots)
        return v;
    v.method = model_.ConnectMethod[i];
    v.comNo = model_.ComNo[i];
    v.portNo = model_.PortNo[i];
    SetText(v.ip, FieldText(model_.IPAddress[i]));
    SetText(v.password, FieldText(model_.Password[i]));
    return v;
}

void ProjectorSlotList::Store(int i, const SlotValues& v) {
    model_.ConnectMethod[i] = v.method;
    model_.ComNo[i] = v.comNo;
    model_.PortNo[i] = v.portNo;
    SetText(model_.IPAddress[i], v.ip);
    SetText(model_.Password[i], v.password);
}

int ProjectorSlotList::FindCollision(const SlotValues& v, int target) const {
    for (int j = 0; j < Count(); ++j) {
        if (j == target || model_.ConnectMethod[j] != v.method)
            continue;
        if (v.method != 0) {
            if (std::strncmp(model_.IPAddress[j], v.ip, CModelInfo2::kTextBytes) == 0 && model_.PortNo[j] == v.portNo)
                return j;
        } else if (model_.ComNo[j] == v.comNo) {
            return j;
        }
    }
    return -1;
}

SlotChange ProjectorSlotList::Insert(const SlotValues& v) {
    if (model_.PjtNum >= CModelInfo2::kSlots)
        return SlotChange::Full;
    if (FindCollision(v, -1) >= 0)
        return SlotChange::Duplicate;
    // A negative count means no projector in use.
    const int at = Count();
    Store(at, v);
    model_.PjtNum = at + 1;
    return SlotChange::Stored;
}

SlotChange ProjectorSlotList::Update(int index, const SlotValues& v) {
    if (!IsSlot(index))
        return SlotChange::NoSlot;
    if (FindCollision(v, index) >= 0)
        return SlotChange::Duplicate;
    Store(index, v);
    return SlotChange::Stored;
}

SlotChange ProjectorSlotList::Delete(int index, int& checkedRow) {
    if (!IsSlot(index))
        return SlotChange::NoSlot;
    const int count = Count();
    for (int i = index; i + 1 < count; ++i)
        Store(i, Slot(i + 1));
    model_.PjtNum = count - 1;
    if (index < checkedRow) {
        --checkedRow;
    } else if (index == checkedRow) {
        checkedRow = 0;
    }
    return SlotChange::Stored;
}

} // namespace orvane
