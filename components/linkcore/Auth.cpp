#include "linkcore/Auth.h"

#include "linkcore/Digest.h"
#include "platform/SecureRandom.h"

#include <openssl/crypto.h>

namespace linkcore {

void ComputeAuthResponse(const unsigned char* challenge, std::string_view password, unsigned char* out) {
    static_assert(kAuthResponseSize == kSha256Size);
    HmacSha256(password, std::string_view(reinterpret_cast<const char*>(challenge), kChallengeSize), out);
}

bool AuthResponsesEqual(const unsigned char* a, const unsigned char* b) {
    return CRYPTO_memcmp(a, b, kAuthResponseSize) == 0;
}

bool RandomChallenge(unsigned char* out) {
    return orvane::FillSecureRandom({out, kChallengeSize});
}

} // namespace linkcore
