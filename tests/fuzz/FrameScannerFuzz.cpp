// The frame scanner that cuts requests and bulk frames out of a projector's line: any bytes,
// in any pieces, give the same frames as the same bytes in one piece, and what it reports
// agrees with the frames' own checksums.
#include "FuzzSupport.h"
#include "linkcore/BulkFrame.h"
#include "linkcore/FrameScanner.h"

#include <vector>

using namespace linkcore;

namespace {

struct Scanned {
    ScannedFrame::Kind kind;
    Request request;
    FrameStatus status;
    std::vector<unsigned char> payload;
    std::uint32_t size;
    bool crcOk;
    friend bool operator==(const Scanned&, const Scanned&) = default;
};

void Drain(FrameScanner& scanner, std::vector<Scanned>& out) {
    ScannedFrame frame;
    while (scanner.Next(frame)) {
        Scanned s{frame.kind, {}, FrameStatus::Ok, {}, frame.size, frame.crcOk};
        switch (frame.kind) {
        case ScannedFrame::Kind::Request:
            FUZZ_CHECK(frame.status == FrameStatus::Ok || frame.status == FrameStatus::BadCrc);
            if (frame.status == FrameStatus::Ok) {
                // A frame that passed its checksum is exactly what the encoder makes of it.
                Request decoded;
                const Frame encoded = EncodeRequest(frame.request);
                FUZZ_CHECK(DecodeRequest(encoded.data(), decoded) == FrameStatus::Ok && decoded == frame.request);
            }
            s.request = frame.request;
            s.status = frame.status;
            break;
        case ScannedFrame::Kind::Bulk:
            FUZZ_CHECK(frame.size >= 1 && frame.size <= kMaxBulkPayload && frame.payload != nullptr);
            s.payload.assign(frame.payload, frame.payload + frame.size);
            break;
        case ScannedFrame::Kind::BulkTooLong:
            FUZZ_CHECK(frame.size == 0 || frame.size > kMaxBulkPayload);
            break;
        }
        out.push_back(std::move(s));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the scanner (its top bit: bulk frames or not) and how the rest
    // is cut into reads (1 to 16 bytes each).
    const unsigned pattern = data[0];
    const bool bulkFrames = (pattern & 0x80) != 0;
    const unsigned char* stream = data + 1;
    const std::size_t length = size - 1;

    FrameScanner whole(bulkFrames);
    whole.Feed(stream, length);
    std::vector<Scanned> expected;
    Drain(whole, expected);
    for (const Scanned& s : expected) {
        if (s.kind == ScannedFrame::Kind::Bulk)
            FUZZ_CHECK(bulkFrames);
    }

    FrameScanner pieces(bulkFrames);
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
