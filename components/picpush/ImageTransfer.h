#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace picpush {

// Bulk frames per image: small enough for a progress bar that moves, large enough that the
// round trip after each frame costs little beside the bytes.
inline constexpr std::size_t kDefaultChunkSize = std::size_t{256} * 1024;

// Where one networked projector is reached.
struct ImageTarget {
    int slot = 0; // the caller's 0-based slot, handed back in the job's events
    std::string ipAddress;
    int tcpPort = 0;
    std::string password;
};

enum class SendResult {
    Sent,      // the projector took the whole image (and showed it, when asked to)
    Refused,   // it answered 0x15: off, warming up, busy, or the image was not acceptable
    NoAnswer,  // no connection, or a reply that never came (also: the projector knows no images)
    Cancelled, // stopped by the caller between two bulk frames
    NotShown,  // the image was taken, but the request to show it was refused or not answered
};

const char* ResultName(SendResult result);

struct SendOptions {
    bool show = false; // follow the end with (1, 0x7002, 1)
    std::size_t chunkSize = kDefaultChunkSize;
};

// (bytes sent and taken so far, total bytes); called after every bulk frame the projector took.
using ProgressFn = std::function<void(std::size_t sent, std::size_t total)>;

// Sends `image` to one projector in one link session: the begin request, the image in bulk
// frames, the end request and, when asked, the show request. `cancel` is looked at before
// every bulk frame. Every wait is bounded by the link's time-outs, and the first one that
// passes ends the transfer, so a projector that falls silent costs one reply time-out.
[[nodiscard]] SendResult SendImage(const ImageTarget& target, std::span<const unsigned char> image,
                                   const SendOptions& options, const std::atomic<bool>& cancel,
                                   const ProgressFn& progress = {});

} // namespace picpush
