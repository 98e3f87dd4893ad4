#pragma once

#include "linkcore/Frame.h"

#include <cstddef>
#include <vector>

namespace linkcore {

// Cuts request frames out of a byte stream, the way a projector reads its line: bytes
// that cannot start a frame are skipped until the next 0xA5 0x5A, and a frame is taken
// whole once its ten bytes are in, whatever its checksum says.
class FrameScanner {
public:
    void Feed(const unsigned char* data, std::size_t size);

    // Takes the next complete frame; false when none is buffered. `status` is Ok or BadCrc.
    bool Next(Request& out, FrameStatus& status);

    // True while bytes of an unfinished frame are held.
    bool HasPartial() const { return !buffer_.empty(); }

    // Forgets an unfinished frame, e.g. after a pause on the line.
    void Reset() { buffer_.clear(); }

private:
    void SkipToMagic();

    std::vector<unsigned char> buffer_;
};

} // namespace linkcore
