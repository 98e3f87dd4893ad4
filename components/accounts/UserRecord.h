#pragma once

#include "accounts/PasswordHash.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace accounts {

inline constexpr std::size_t kMaxNameLength = 64;       // bytes
inline constexpr std::size_t kMaxPasswordLength = 1024; // bytes

// One user as a line of the user file: name:salt-hex:iterations:hash-hex.
struct UserRecord {
    std::string name;
    std::vector<unsigned char> salt;
    int iterations = 0;
    PasswordDigest hash{};
};

// A name is 1 to kMaxNameLength bytes without ':' (the field separator) or control
// characters, and neither starts nor ends with a space, so that "anna" and "anna " are
// never two different users.
bool IsValidUserName(std::string_view name);

// Any non-empty text up to kMaxPasswordLength bytes.
bool IsValidPassword(std::string_view password);

// A record with a fresh random salt. 0 on success, -1 for an invalid name or password or
// when no random salt or digest can be had.
[[nodiscard]] int MakeUserRecord(std::string_view name, std::string_view password, UserRecord& out,
                                 int iterations = kDefaultIterations);

// Derives the digest anew and compares it in constant time.
bool PasswordMatches(const UserRecord& record, std::string_view password);

// False, leaving `out` unspecified, for a line that is not exactly a valid record (a CR
// before the line end is allowed).
[[nodiscard]] bool ParseUserLine(std::string_view line, UserRecord& out);

// The line without its line feed.
std::string FormatUserLine(const UserRecord& record);

} // namespace accounts
