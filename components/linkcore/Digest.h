#pragma once

#include <cstddef>
#include <string_view>

// The two digests the link needs: HMAC-SHA-256 for our challenge and MD5 for PJLink's.
//
// They sit on the crypto library's plain hash functions rather than its EVP interface. EVP
// reaches every algorithm through the library's provider tables, and linking them costs
// each start of a program about half a millisecond of relocations and page faults, which
// is most of what separates a scripted `orvanectl` call from a bare client.
namespace linkcore {

inline constexpr std::size_t kSha256Size = 32;
inline constexpr std::size_t kMd5Size = 16;

// out receives kSha256Size bytes: HMAC-SHA-256 (RFC 2104) of data under key, which may
// have any length, none included.
void HmacSha256(std::string_view key, std::string_view data, unsigned char* out);

// out receives kMd5Size bytes: the MD5 of first followed by second.
void Md5(std::string_view first, std::string_view second, unsigned char* out);

} // namespace linkcore
