#pragma once

#include "linkcore/LinkSettings.h"

namespace linkcore {

// Opens a TCP session with a projector: connects and reads the hello within the connect
// time-out, then, when the projector asks for it, proves the password within the reply
// time-out. Returns a connected non-blocking socket ready for request frames, or -1.
int OpenTcpChannel(const char* ipAddress, int port, const char* password, const LinkSettings& settings);

// The opening of a session on a connected socket: reads the hello within `helloMs` and,
// when the projector asks for it, proves the password within `replyMs`. False for any other
// hello, a refused proof, a cut-off or a time-out.
bool Handshake(int fd, const char* password, int helloMs, int replyMs);

// Only the connect step: a non-blocking socket with TCP_NODELAY set, or -1 when the address
// does not parse, the port is out of range, the connection is refused or the time-out passes.
int ConnectTcp(const char* ipAddress, int port, int timeoutMs);

} // namespace linkcore
