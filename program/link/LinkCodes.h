#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvane {

// Result of one exchange with one projector slot.
inline constexpr int kExchangeOk = 0;          // the link sent the request and got an answer
inline constexpr int kExchangeOpenFailed = -1; // the port or connection could not be opened
inline constexpr int kExchangeSendFailed = -2; // opened, but no valid answer came back

// Every request gets a fresh, zero-filled buffer of this size for its reply.
inline constexpr std::size_t kReplyBufferSize = 128;
using ReplyBuffer = std::array<unsigned char, kReplyBufferSize>;

// Byte 0 of a reply.
inline constexpr unsigned char kReplyAck = 6;    // a set, increment or decrement was accepted
inline constexpr unsigned char kReplyData = 29;  // a get's answer: value in bytes 1 and 2, little-endian
inline constexpr unsigned char kReplyNak = 0x15; // refused: a PJLink ERR1-ERR4 comes back as this

// Request actions.
inline constexpr std::uint16_t kActionSet = 1;
inline constexpr std::uint16_t kActionGet = 2;
inline constexpr std::uint16_t kActionIncrement = 4;
inline constexpr std::uint16_t kActionDecrement = 5;

// Request types.
inline constexpr std::uint16_t kTypeKind = 0x1007;
inline constexpr std::uint16_t kTypeInput = 0x2000;
inline constexpr std::uint16_t kTypeVolume = 0x2001;
inline constexpr std::uint16_t kTypeMute = 0x2002;
inline constexpr std::uint16_t kTypeFreeze = 0x3002;
inline constexpr std::uint16_t kTypeBlank = 0x3020;
inline constexpr std::uint16_t kTypePower = 0x6000;

// Kind codes of a slot: unknown until the projector has answered the kind query; 9 and 10
// are projectors this program does not command.
inline constexpr std::int32_t kKindUnknown = -1;
inline constexpr bool IsRefusedKind(std::int32_t kind) {
    return kind == 9 || kind == 10;
}

// Power states of a power get; kPowerUnknown when the query itself failed.
inline constexpr std::uint16_t kPowerOff = 0;
inline constexpr std::uint16_t kPowerOn = 1;
inline constexpr std::uint16_t kPowerTransit = 2;
inline constexpr std::uint16_t kPowerUnknown = 0xFFFF;

// The 16-bit value of a data reply.
inline std::uint16_t ReplyValue(const unsigned char* reply) {
    return static_cast<std::uint16_t>(reply[1] | (reply[2] << 8));
}

} // namespace orvane
