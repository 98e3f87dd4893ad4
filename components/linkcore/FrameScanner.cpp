#include "linkcore/FrameScanner.h"

#include "linkcore/BulkFrame.h"

#include <algorithm>

namespace linkcore {

void FrameScanner::Feed(const unsigned char* data, std::size_t size) {
    Compact();
    if (skip_ > 0) {
        const std::size_t dropped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size));
        skip_ -= dropped;
        data += dropped;
        size -= dropped;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    SkipToMagic();
}

bool FrameScanner::Next(ScannedFrame& out) {
    Compact();
    SkipToMagic();
    const std::size_t available = buffer_.size() - head_;
    if (available < 2)
        return false;
    const unsigned char* start = buffer_.data() + head_;
    if (start[1] == kFrameMagic1) {
        if (available < kFrameSize)
            return false;
        out = ScannedFrame{};
        out.kind = ScannedFrame::Kind::Request;
        out.status = DecodeRequest(start, out.request);
        Consume(kFrameSize);
        return true;
    }
    if (available < kBulkHeaderSize)
        return false;
    const std::uint32_t size = GetLe32(start + 2);
    out = ScannedFrame{};
    out.size = size;
    if (size == 0 || size > kMaxBulkPayload) {
        out.kind = ScannedFrame::Kind::BulkTooLong;
        Consume(kBulkHeaderSize);
        const std::uint64_t announced = static_cast<std::uint64_t>(size) + kBulkTrailerSize;
        const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(announced, buffer_.size() - head_));
        Consume(held);
        skip_ = announced - held;
        return true;
    }
    const std::size_t total = kBulkHeaderSize + size + kBulkTrailerSize;
    if (available < total)
        return false;
    out.kind = ScannedFrame::Kind::Bulk;
    out.payload = start + kBulkHeaderSize;
    out.crcOk = Crc32(out.payload, size) == GetLe32(start + kBulkHeaderSize + size);
    Consume(total);
    return true;
}

bool FrameScanner::Next(Request& out, FrameStatus& status) {
    ScannedFrame frame;
    while (Next(frame)) {
        if (frame.kind == ScannedFrame::Kind::Request) {
            out = frame.request;
            status = frame.status;
            return true;
        }
    }
    return false;
}

bool FrameScanner::StartsFrame(std::size_t at) const {
    if (buffer_[at] != kFrameMagic0)
        return false;
    // A lone trailing 0xA5 is kept: the second byte may be in the next read.
    if (at + 1 == buffer_.size())
        return true;
    const unsigned char second = buffer_[at + 1];
    return second == kFrameMagic1 || (bulkFrames_ && second == kBulkMagic1);
}

void FrameScanner::SkipToMagic() {
    while (head_ < buffer_.size() && !StartsFrame(head_))
        ++head_;
    Compact();
}

void FrameScanner::Compact() {
    // Taken frames are dropped lazily, so that a bulk frame's payload stays readable in place
    // until the caller comes back.
    if (head_ == 0)
        return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
}

void FrameScanner::Consume(std::size_t count) {
    head_ += count;
}

} // namespace linkcore
