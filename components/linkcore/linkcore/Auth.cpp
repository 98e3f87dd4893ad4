#include "linkcore/Auth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

namespace linkcore {

bool ComputeAuthResponse(const unsigned char* challenge, std::string_view password, unsigned char* out) {
    unsigned int size = 0;
    // HMAC() with a null key pointer would pick a static buffer; an empty password is a
    // valid (if weak) key, so pass a real pointer for it.
    static const unsigned char kEmpty[1] = {0};
    const void* key = password.empty() ? static_cast<const void*>(kEmpty) : password.data();
    if (HMAC(EVP_sha256(), key, static_cast<int>(password.size()), challenge, kChallengeSize, out, &size) == nullptr)
        return false;
    return size == kAuthResponseSize;
}

bool AuthResponsesEqual(const unsigned char* a, const unsigned char* b) {
    return CRYPTO_memcmp(a, b, kAuthResponseSize) == 0;
}

bool RandomChallenge(unsigned char* out) {
    return RAND_bytes(out, static_cast<int>(kChallengeSize)) == 1;
}

} // namespace linkcore
