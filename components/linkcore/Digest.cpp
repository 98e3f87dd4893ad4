#include "linkcore/Digest.h"

// The plain hash functions are marked deprecated in favour of EVP; they stay part of the
// library's interface, and EVP is exactly what this file avoids (see the header).
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <initializer_list>

namespace linkcore {
namespace {

constexpr std::size_t kBlockSize = SHA256_CBLOCK;

std::string_view Bytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The streaming functions throughout: the one-call SHA256() goes through EVP again.
void Sha256Of(std::initializer_list<std::string_view> parts, unsigned char* out) {
    SHA256_CTX ctx;
    SHA256_Init(&ctx);
    for (std::string_view part : parts)
        SHA256_Update(&ctx, part.data(), part.size());
    SHA256_Final(out, &ctx);
    OPENSSL_cleanse(&ctx, sizeof ctx);
}

} // namespace

void HmacSha256(std::string_view key, std::string_view data, unsigned char* out) {
    unsigned char block[kBlockSize] = {};
    if (key.size() > kBlockSize) {
        Sha256Of({key}, block);
    } else {
        for (std::size_t i = 0; i < key.size(); ++i)
            block[i] = static_cast<unsigned char>(key[i]);
    }
    unsigned char pad[kBlockSize];
    for (std::size_t i = 0; i < kBlockSize; ++i)
        pad[i] = block[i] ^ 0x36;
    unsigned char inner[kSha256Size];
    Sha256Of({Bytes(pad, kBlockSize), data}, inner);
    for (std::size_t i = 0; i < kBlockSize; ++i)
        pad[i] = block[i] ^ 0x5c;
    Sha256Of({Bytes(pad, kBlockSize), Bytes(inner, sizeof inner)}, out);
    OPENSSL_cleanse(block, sizeof block);
    OPENSSL_cleanse(pad, sizeof pad);
    OPENSSL_cleanse(inner, sizeof inner);
}

void Md5(std::string_view first, std::string_view second, unsigned char* out) {
    MD5_CTX ctx;
    MD5_Init(&ctx);
    MD5_Update(&ctx, first.data(), first.size());
    MD5_Update(&ctx, second.data(), second.size());
    MD5_Final(out, &ctx);
    OPENSSL_cleanse(&ctx, sizeof ctx);
}

} // namespace linkcore
