#include "mainwnd/qt/InstanceGuard.h"

#include "widgets/OrvaneMessageBox.h"

namespace orvane {

int InstanceGuard::CreateInstanceMutex(const std::string& modelName) {
    const int result = ReserveInstanceMutex(modelName);
    if (result == 0)
        EndInstanceReservation(true);
    return result;
}

int InstanceGuard::ReserveInstanceMutex(const std::string& modelName) {
    switch (lock_.TakePending(modelName)) {
    case InstanceLock::kTaken:
        return 0;
    case InstanceLock::kHeldElsewhere:
        OrvaneMessageBox(window_, QString::fromLatin1(kAlreadyStartedText), MB_ICONSTOP);
        return 1;
    default: {
        const std::string error = lock_.ErrorText();
        OrvaneMessageBox(window_, QString::fromUtf8(error.data(), static_cast<qsizetype>(error.size())), MB_OK);
        return -1;
    }
    }
}

void InstanceGuard::EndInstanceReservation(bool keep) {
    if (keep) {
        lock_.CommitPending();
    } else {
        lock_.DropPending();
    }
}

} // namespace orvane
