#include "linkcore/BulkFrame.h"

#include "linkcore/Frame.h"

#include <libdeflate.h>

namespace linkcore {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc) {
    // libdeflate's CRC-32 is zlib's, computed with carry-less multiplication where the CPU
    // has it: several times faster, which an image's worth of frames notices.
    return libdeflate_crc32(crc, data, size);
}

void EncodeBulkHeader(std::uint32_t payloadSize, unsigned char (&out)[kBulkHeaderSize]) {
    out[0] = kFrameMagic0;
    out[1] = kBulkMagic1;
    PutLe32(out + 2, payloadSize);
}

} // namespace linkcore
