#pragma once

#include <atomic>
#include <cstdint>

namespace orvane {

// SelectPrj and PjtKind of the working record are read and written by the user-interface
// thread and by the status poller at once. They stay plain fields, because other components
// read the record through its layout; every access from code that may run beside the poller
// goes through these two functions instead.
inline std::int32_t LoadShared(const std::int32_t& field) {
    return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(field)).load(std::memory_order_acquire);
}

inline void StoreShared(std::int32_t& field, std::int32_t value) {
    std::atomic_ref<std::int32_t>(field).store(value, std::memory_order_release);
}

} // namespace orvane
