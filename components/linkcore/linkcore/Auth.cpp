#include "linkcore/Auth.h"

#include "linkcore/Digest.h"

#include <openssl/crypto.h>
#include <sys/random.h>

#include <cerrno>

namespace linkcore {

void ComputeAuthResponse(const unsigned char* challenge, std::string_view password, unsigned char* out) {
    static_assert(kAuthResponseSize == kSha256Size);
    HmacSha256(password, std::string_view(reinterpret_cast<const char*>(challenge), kChallengeSize), out);
}

bool AuthResponsesEqual(const unsigned char* a, const unsigned char* b) {
    return CRYPTO_memcmp(a, b, kAuthResponseSize) == 0;
}

bool RandomChallenge(unsigned char* out) {
    std::size_t filled = 0;
    while (filled < kChallengeSize) {
        ssize_t got = getrandom(out + filled, kChallengeSize - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace linkcore
