#include "linkcore/BulkFrame.h"

#include "linkcore/Frame.h"

#include <libdeflate.h>
#include <sys/uio.h>

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

IoResult WriteBulkFrame(int fd, const unsigned char* payload, std::uint32_t size, const Deadline& deadline) {
    unsigned char header[kBulkHeaderSize];
    unsigned char trailer[kBulkTrailerSize];
    EncodeBulkHeader(size, header);
    PutLe32(trailer, Crc32(payload, size));

    iovec parts[3] = {{header, sizeof header}, {const_cast<unsigned char*>(payload), size}, {trailer, sizeof trailer}};
    return WriteAllV(fd, parts, 3, deadline);
}

} // namespace linkcore
