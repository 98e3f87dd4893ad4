#pragma once

#include "config/IInstanceGuard.h"
#include "mainwnd/InstanceLock.h"

class QWidget;

namespace orvane {

// The main window's single-instance guard (Mutex): one running program per configuration
// name. A refusal is shown to the operator over `window`. Window's thread only.
class InstanceGuard : public IInstanceGuard {
public:
    // String resource shown when another program runs with the configuration.
    static constexpr const char* kAlreadyStartedText = "It has already been started.";

    explicit InstanceGuard(QWidget* window) : window_(window) {}

    [[nodiscard]] int CreateInstanceMutex(const std::string& modelName) override;
    [[nodiscard]] int ReserveInstanceMutex(const std::string& modelName) override;
    void EndInstanceReservation(bool keep) override;
    void Release() { lock_.Release(); }

    const InstanceLock& Lock() const { return lock_; }

private:
    QWidget* window_;
    InstanceLock lock_;
};

} // namespace orvane
