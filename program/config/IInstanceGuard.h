#pragma once

#include <string>

namespace orvane {

// The main window's single-instance guard, which the configuration dialog's OK takes
// again for the model it is about to save: one running program per configuration.
class IInstanceGuard {
public:
    virtual ~IInstanceGuard() = default;
    // 0 when the guard for the model is held by this program now; non-zero when it is
    // refused, in which case the refusal has already been shown to the operator.
    [[nodiscard]] virtual int CreateInstanceMutex(const std::string& modelName) = 0;

    // The same in two steps, for an OK that can still fail after the guard is had: the
    // guard of `modelName` is taken beside the one held (0, or non-zero after showing the
    // refusal), and EndInstanceReservation(true) then gives up the old one for it, while
    // EndInstanceReservation(false) gives up the new one and keeps the old.
    [[nodiscard]] virtual int ReserveInstanceMutex(const std::string& modelName) = 0;
    virtual void EndInstanceReservation(bool keep) = 0;
};

} // namespace orvane
