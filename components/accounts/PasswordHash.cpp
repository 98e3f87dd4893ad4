#include "accounts/PasswordHash.h"

#include "platform/SecureRandom.h"

#include <climits>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace accounts {

int DerivePasswordHash(std::string_view password, std::span<const unsigned char> salt, int iterations,
                       PasswordDigest& out) {
    if (salt.size() < kMinSaltSize || salt.size() > kMaxSaltSize || iterations < kMinIterations ||
        iterations > kMaxIterations || password.size() > INT_MAX)
        return -1;
    // OpenSSL wants a non-null pointer even for an empty password.
    static const char kEmpty[1] = {0};
    const char* pass = password.empty() ? kEmpty : password.data();
    int ok = PKCS5_PBKDF2_HMAC(pass, static_cast<int>(password.size()), salt.data(), static_cast<int>(salt.size()),
                               iterations, EVP_sha256(), static_cast<int>(out.size()), out.data());
    return ok == 1 ? 0 : -1;
}

int RandomSalt(std::span<unsigned char> salt) {
    if (salt.empty())
        return -1;
    return orvane::FillSecureRandom(salt) ? 0 : -1;
}

bool DigestsEqual(const PasswordDigest& a, const PasswordDigest& b) {
    return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

void WipeMemory(void* data, std::size_t size) {
    if (data != nullptr && size > 0)
        OPENSSL_cleanse(data, size);
}

} // namespace accounts
