#pragma once

#include "catalog/MessageCatalog.h"

#include <QString>

namespace accounts {

// Catalog numbers of the login and user-administration dialogs. Captions, titles and
// notices are in set 11; what failed or was refused is in set 2201.
namespace text {
inline constexpr int kCancel = 70;
inline constexpr int kOk = 71;
inline constexpr int kLoginTitle = 300;
inline constexpr int kFirstUserTitle = 301;
inline constexpr int kLoginIntro = 302;
inline constexpr int kFirstUserIntro = 303;
inline constexpr int kUserName = 304;
inline constexpr int kPassword = 305;
inline constexpr int kRepeatPassword = 306;
inline constexpr int kUserAdminButton = 307;
inline constexpr int kUserAdminTitle = 308;
inline constexpr int kSignInBox = 309;
inline constexpr int kSignIn = 310;
inline constexpr int kNewPassword = 311;
inline constexpr int kAddUser = 312;
inline constexpr int kChangePassword = 313;
inline constexpr int kDeleteUser = 314;
inline constexpr int kClose = 315;
inline constexpr int kUsers = 316;
inline constexpr int kUserAdded = 317;       // %1 user name
inline constexpr int kPasswordChanged = 318; // %1 user name
inline constexpr int kUserDeleted = 319;     // %1 user name
inline constexpr int kDeleteQuestion = 320;  // %1 user name

inline constexpr int kWrongLogin = 1010;
inline constexpr int kPasswordsDiffer = 1011;
inline constexpr int kBadName = 1012;     // %1 longest name
inline constexpr int kBadPassword = 1013; // %1 longest password
inline constexpr int kExists = 1014;
inline constexpr int kNotFound = 1015;
inline constexpr int kLastUser = 1016;
inline constexpr int kReadError = 1017;
inline constexpr int kWriteError = 1018;
inline constexpr int kCryptoError = 1019;
inline constexpr int kNotChanged = 1020;
} // namespace text

template <typename... Args> QString UiText(int number, const Args&... args) {
    return QString::fromStdString(orvane::CatalogText(orvane::kCatalogSetUi, number, args...));
}

template <typename... Args> QString ErrorText(int number, const Args&... args) {
    return QString::fromStdString(orvane::CatalogText(orvane::kCatalogSetErrors, number, args...));
}

} // namespace accounts
