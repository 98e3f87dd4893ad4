#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The wire format shared by the link (client side) and anything that plays a projector.
namespace linkcore {

inline constexpr unsigned char kFrameMagic0 = 0xA5;
inline constexpr unsigned char kFrameMagic1 = 0x5A;
inline constexpr std::size_t kFrameSize = 10;

// First byte of every reply.
inline constexpr unsigned char kReplyAck = 0x06;
inline constexpr unsigned char kReplyNak = 0x15;
inline constexpr unsigned char kReplyData = 0x1D;
// A data reply is the code and a 16-bit little-endian value.
inline constexpr std::size_t kDataReplySize = 3;
inline constexpr std::size_t kMaxReplySize = kDataReplySize;

// Actions the projectors understand.
inline constexpr std::uint16_t kActionSet = 1;
inline constexpr std::uint16_t kActionGet = 2;
inline constexpr std::uint16_t kActionIncrement = 4;
inline constexpr std::uint16_t kActionDecrement = 5;

struct Request {
    std::uint16_t action = 0;
    std::uint16_t type = 0;
    std::uint16_t setting = 0;

    friend bool operator==(const Request&, const Request&) = default;
};

using Frame = std::array<unsigned char, kFrameSize>;

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial 0xFFFF, no reflection, no final xor.
std::uint16_t Crc16(const unsigned char* data, std::size_t size);

Frame EncodeRequest(const Request& request);

enum class FrameStatus {
    Ok,
    BadMagic, // the first two bytes are not 0xA5 0x5A
    BadCrc,   // the fields were read, but the checksum does not match them
};

// Reads the 10 bytes at `frame`. The fields are filled in for BadCrc too, so that a
// receiver can report what it refused.
[[nodiscard]] FrameStatus DecodeRequest(const unsigned char* frame, Request& out);

// The number of bytes a reply that starts with `code` has in all (1 or 3), or 0 when
// `code` starts no reply.
std::size_t ReplySize(unsigned char code);

// Writes a data reply to out[0..2]; returns kDataReplySize.
std::size_t EncodeDataReply(std::uint16_t value, unsigned char* out);

inline void PutLe16(unsigned char* out, std::uint16_t value) {
    out[0] = static_cast<unsigned char>(value & 0xFF);
    out[1] = static_cast<unsigned char>(value >> 8);
}

inline std::uint16_t GetLe16(const unsigned char* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

} // namespace linkcore
