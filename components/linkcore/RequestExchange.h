#pragma once

#include "linkcore/Frame.h"

namespace linkcore {

// One request on an open channel: sends its frame and reads the answer within replyMs.
// On an answer (6, 0x15, or 0x1D with its two value bytes) the answer's bytes are copied to
// reply[0..] and the result is true; a cut-off, an unknown first byte or the time-out give
// false and leave reply untouched.
bool ExchangeRequest(int fd, bool isSocket, const Request& request, int replyMs, unsigned char* reply);

} // namespace linkcore
