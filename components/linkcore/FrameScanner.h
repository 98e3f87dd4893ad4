#pragma once

#include "linkcore/Frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace linkcore {

// One frame cut out of the stream.
struct ScannedFrame {
    enum class Kind {
        Request,     // a request frame: `request` and `status`
        Bulk,        // a bulk frame: `payload`, `size` and `crcOk`
        BulkTooLong, // a bulk header whose length is 0 or above kMaxBulkPayload: `size`
    };

    Kind kind = Kind::Request;
    Request request;
    FrameStatus status = FrameStatus::Ok;
    // Points into the scanner; valid until its next Feed, Next or Reset.
    const unsigned char* payload = nullptr;
    std::uint32_t size = 0;
    bool crcOk = false;
};

// Cuts frames out of a byte stream, the way a projector reads its line: bytes that cannot
// start a frame are skipped until the next 0xA5 0x5A, and a frame is taken whole once its
// ten bytes are in, whatever its checksum says.
//
// A scanner made with bulkFrames also takes bulk frames (0xA5 0x5B, length, payload,
// CRC-32); without it, their bytes are noise like any other. A bulk header with a length out
// of range is reported at once and the length it announced (and the CRC) is then skipped, so
// that the payload's bytes are never read as frames.
class FrameScanner {
public:
    explicit FrameScanner(bool bulkFrames = false) : bulkFrames_(bulkFrames) {}

    void Feed(const unsigned char* data, std::size_t size);

    // Takes the next complete frame; false when none is buffered.
    [[nodiscard]] bool Next(ScannedFrame& out);

    // Takes the next complete request frame, passing over bulk frames; false when none is
    // buffered. `status` is Ok or BadCrc.
    [[nodiscard]] bool Next(Request& out, FrameStatus& status);

    // True while bytes of an unfinished frame are held (or an announced length is skipped).
    bool HasPartial() const { return head_ < buffer_.size() || skip_ > 0; }

    // Forgets an unfinished frame, e.g. after a pause on the line.
    void Reset() {
        buffer_.clear();
        head_ = 0;
        skip_ = 0;
    }

private:
    bool StartsFrame(std::size_t at) const;
    void SkipToMagic();
    void Compact();
    void Consume(std::size_t count);

    bool bulkFrames_;
    std::vector<unsigned char> buffer_;
    std::size_t head_ = 0;   // bytes before head_ are taken and dropped on the next call
    std::uint64_t skip_ = 0; // bytes still to drop of an oversized bulk frame
};

} // namespace linkcore
