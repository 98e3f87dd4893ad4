// The frame scanner that cuts requests out of a projector's line: any bytes, in any pieces,
// give the same frames as the same bytes in one piece.
#include "FuzzSupport.h"
#include "linkcore/FrameScanner.h"

#include <vector>

using namespace linkcore;

namespace {

struct Scanned {
    Request request;
    FrameStatus status;
    friend bool operator==(const Scanned&, const Scanned&) = default;
};

void Drain(FrameScanner& scanner, std::vector<Scanned>& out) {
    Scanned next{};
    while (scanner.Next(next.request, next.status)) {
        FUZZ_CHECK(next.status == FrameStatus::Ok || next.status == FrameStatus::BadCrc);
        if (next.status == FrameStatus::Ok) {
            // A frame that passed its checksum is exactly what the encoder makes of it.
            const Frame frame = EncodeRequest(next.request);
            Request decoded;
            FUZZ_CHECK(DecodeRequest(frame.data(), decoded) == FrameStatus::Ok && decoded == next.request);
        }
        out.push_back(next);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses how the rest is cut into reads (1 to 16 bytes each).
    const unsigned pattern = data[0];
    const unsigned char* stream = data + 1;
    const std::size_t length = size - 1;

    FrameScanner whole;
    whole.Feed(stream, length);
    std::vector<Scanned> expected;
    Drain(whole, expected);

    FrameScanner pieces;
    std::vector<Scanned> got;
    std::size_t pos = 0;
    for (unsigned step = 0; pos < length; ++step) {
        std::size_t piece = 1 + ((pattern >> (step % 4) * 2) & 3) * 5;
        piece = std::min(piece, length - pos);
        pieces.Feed(stream + pos, piece);
        pos += piece;
        Drain(pieces, got);
    }
    FUZZ_CHECK(got == expected);
    FUZZ_CHECK(pieces.HasPartial() == whole.HasPartial());
    pieces.Reset();
    FUZZ_CHECK(!pieces.HasPartial());
    return 0;
}
