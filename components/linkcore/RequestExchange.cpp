#include "linkcore/RequestExchange.h"

#include "linkcore/FdIo.h"

#include <cstring>
#include <termios.h>

namespace linkcore {

bool ExchangeRequest(int fd, bool isSocket, const Request& request, int replyMs, unsigned char* reply) {
    // On a serial line, bytes still queued from an earlier exchange that timed out would be
    // taken for this request's answer.
    if (!isSocket)
        tcflush(fd, TCIFLUSH);

    Deadline deadline(replyMs);
    Frame frame = EncodeRequest(request);
    if (WriteAll(fd, frame.data(), frame.size(), deadline, isSocket) != IoResult::Ok)
        return false;

    unsigned char answer[kMaxReplySize] = {};
    if (ReadExact(fd, answer, 1, deadline) != IoResult::Ok)
        return false;
    std::size_t size = ReplySize(answer[0]);
    if (size == 0)
        return false;
    if (size > 1 && ReadExact(fd, answer + 1, size - 1, deadline) != IoResult::Ok)
        return false;
    std::memcpy(reply, answer, size);
    return true;
}

} // namespace linkcore
