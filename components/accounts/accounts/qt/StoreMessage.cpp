#include "accounts/qt/StoreMessage.h"

#include "accounts/UserStore.h"

#include <QCoreApplication>

namespace accounts {

QString StoreMessage(int result) {
    auto tr = [](const char* text) { return QCoreApplication::translate("accounts", text); };
    switch (result) {
    case kStoreOk:
        return {};
    case kStoreBadName:
        return tr("A user name has 1 to %1 characters and no colon.").arg(kMaxNameLength);
    case kStoreBadPassword:
        return tr("The password must not be empty (at most %1 characters).").arg(kMaxPasswordLength);
    case kStoreExists:
        return tr("A user of this name exists already.");
    case kStoreNotFound:
        return tr("There is no user of this name.");
    case kStoreLastUser:
        return tr("The last user cannot be deleted.");
    case kStoreReadError:
        return tr("The user list cannot be read.");
    case kStoreWriteError:
        return tr("The user list cannot be saved.");
    case kStoreCryptoError:
        return tr("The password could not be protected.");
    default:
        return tr("The user list could not be changed.");
    }
}

} // namespace accounts
