#pragma once

#include <cstddef>
#include <string_view>

// The challenge-response that opens a password-protected TCP session. The password itself
// never crosses the wire: the projector sends a random challenge, the client returns the
// HMAC-SHA-256 of it keyed with the password.
namespace linkcore {

// First byte a projector sends on a new TCP connection.
inline constexpr unsigned char kHelloOpen = 0x00;      // no password, requests may follow
inline constexpr unsigned char kHelloChallenge = 0x01; // a challenge follows

inline constexpr std::size_t kChallengeSize = 16;
inline constexpr std::size_t kAuthResponseSize = 32;

// out receives kAuthResponseSize bytes.
void ComputeAuthResponse(const unsigned char* challenge, std::string_view password, unsigned char* out);

// Compares two responses in time that does not depend on where they differ.
bool AuthResponsesEqual(const unsigned char* a, const unsigned char* b);

// Fills out with kChallengeSize bytes from the kernel's secure generator. False only if
// the kernel refuses.
[[nodiscard]] bool RandomChallenge(unsigned char* out);

} // namespace linkcore
