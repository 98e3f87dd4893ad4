#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace accounts {

// Passwords are kept only as salted PBKDF2-HMAC-SHA-256 digests.
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kMinSaltSize = 16;
inline constexpr std::size_t kMaxSaltSize = 64;
inline constexpr std::size_t kHashSize = 32;

// Fewer rounds than the minimum make a stolen file cheap to attack; more than the maximum
// would let a doctored file stall every login for minutes.
inline constexpr int kMinIterations = 100000;
inline constexpr int kMaxIterations = 10000000;
inline constexpr int kDefaultIterations = 210000;

using PasswordDigest = std::array<unsigned char, kHashSize>;

// 0 on success; -1 when the salt or the round count is out of range or the library fails.
[[nodiscard]] int DerivePasswordHash(std::string_view password, std::span<const unsigned char> salt, int iterations,
                                     PasswordDigest& out);

// Fills `salt` from the system's random source. 0 on success, -1 when none is available.
[[nodiscard]] int RandomSalt(std::span<unsigned char> salt);

// Compares in a time that does not depend on where the digests differ.
bool DigestsEqual(const PasswordDigest& a, const PasswordDigest& b);

// Overwrites memory that held a password so that it does not linger in freed blocks.
void WipeMemory(void* data, std::size_t size);

} // namespace accounts
