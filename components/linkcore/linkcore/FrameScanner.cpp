#include "linkcore/FrameScanner.h"

#include <algorithm>

namespace linkcore {

void FrameScanner::Feed(const unsigned char* data, std::size_t size) {
    buffer_.insert(buffer_.end(), data, data + size);
    SkipToMagic();
}

bool FrameScanner::Next(Request& out, FrameStatus& status) {
    SkipToMagic();
    if (buffer_.size() < kFrameSize)
        return false;
    status = DecodeRequest(buffer_.data(), out);
    buffer_.erase(buffer_.begin(), buffer_.begin() + kFrameSize);
    SkipToMagic();
    return true;
}

void FrameScanner::SkipToMagic() {
    // Keeps a lone trailing 0xA5: the 0x5A may be in the next read.
    std::size_t i = 0;
    while (i < buffer_.size()) {
        if (buffer_[i] == kFrameMagic0 && (i + 1 == buffer_.size() || buffer_[i + 1] == kFrameMagic1))
            break;
        ++i;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(i));
}

} // namespace linkcore
