#pragma once

#include "linkcore/LinkSettings.h"

namespace linkcore {

// Opens a TCP session with a projector: connects within the connect time-out, then reads
// the hello and, when the projector asks for it, proves the password. Returns a connected
// non-blocking socket ready for request frames, or -1.
int OpenTcpChannel(const char* ipAddress, int port, const char* password, const LinkSettings& settings);

// The opening of a session on a connected socket: reads the hello and, when the projector
// asks for it, proves the password. False for any other hello, a refused proof, a cut-off or
// the reply time-out.
bool Handshake(int fd, const char* password, int replyMs);

// Only the connect step: a non-blocking socket with TCP_NODELAY set, or -1 when the address
// does not parse, the port is out of range, the connection is refused or the time-out passes.
int ConnectTcp(const char* ipAddress, int port, int timeoutMs);

} // namespace linkcore
