#pragma once

#include <cstddef>
#include <cstdint>

// Bulk frames carry a large payload (a picture) inside a link session, after the request that
// opens it. On the wire: 0xA5 0x5B, the payload's length as u32 little-endian, the payload,
// and the CRC-32 of the payload as u32 little-endian. The projector answers each one with
// 0x06 (taken) or 0x15 (refused).
namespace linkcore {

inline constexpr unsigned char kBulkMagic1 = 0x5B;
inline constexpr std::size_t kBulkHeaderSize = 6;
inline constexpr std::size_t kBulkTrailerSize = 4;
inline constexpr std::uint32_t kMaxBulkPayload = 1024 * 1024;

// Requests around an image: begin, end, and show (setting 1) or back to the input (0).
inline constexpr std::uint16_t kTypeImageBegin = 0x7000;
inline constexpr std::uint16_t kTypeImageEnd = 0x7001;
inline constexpr std::uint16_t kTypeImageShow = 0x7002;

// CRC-32 as IEEE 802.3 and zlib define it; `crc` continues an earlier call (0 to start).
std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0);

inline void PutLe32(unsigned char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline std::uint32_t GetLe32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

void EncodeBulkHeader(std::uint32_t payloadSize, unsigned char (&out)[kBulkHeaderSize]);

} // namespace linkcore
