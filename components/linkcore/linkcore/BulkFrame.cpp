#include "linkcore/BulkFrame.h"

#include "linkcore/Frame.h"

#include <cerrno>
#include <libdeflate.h>
#include <poll.h>
#include <sys/socket.h>
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
    iovec* next = parts;
    int left = 3;
    while (left > 0) {
        msghdr message{};
        message.msg_iov = next;
        message.msg_iovlen = static_cast<std::size_t>(left);
        ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EPIPE || errno == ECONNRESET)
                return IoResult::Closed;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return IoResult::Error;
            IoResult waited = WaitFor(fd, POLLOUT, deadline);
            if (waited != IoResult::Ok)
                return waited;
            continue;
        }
        auto done = static_cast<std::size_t>(n);
        while (left > 0 && done >= next->iov_len) {
            done -= next->iov_len;
            ++next;
            --left;
        }
        if (left > 0) {
            next->iov_base = static_cast<unsigned char*>(next->iov_base) + done;
            next->iov_len -= done;
        }
    }
    return IoResult::Ok;
}

} // namespace linkcore
