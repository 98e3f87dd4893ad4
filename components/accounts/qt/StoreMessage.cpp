#include "accounts/qt/StoreMessage.h"

#include "accounts/UserStore.h"
#include "accounts/qt/AccountTexts.h"

namespace accounts {

QString StoreMessage(int result) {
    switch (result) {
    case kStoreOk:
        return {};
    case kStoreBadName:
        return ErrorText(text::kBadName, kMaxNameLength);
    case kStoreBadPassword:
        return ErrorText(text::kBadPassword, kMaxPasswordLength);
    case kStoreExists:
        return ErrorText(text::kExists);
    case kStoreNotFound:
        return ErrorText(text::kNotFound);
    case kStoreLastUser:
        return ErrorText(text::kLastUser);
    case kStoreReadError:
        return ErrorText(text::kReadError);
    case kStoreWriteError:
        return ErrorText(text::kWriteError);
    case kStoreCryptoError:
        return ErrorText(text::kCryptoError);
    default:
        return ErrorText(text::kNotChanged);
    }
}

} // namespace accounts
