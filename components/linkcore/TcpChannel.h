#pragma once

namespace linkcore {

// The connect step of a TCP link (the session does the rest): a non-blocking socket with TCP_NODELAY set, or -1 when
// the address does not parse, the port is out of range, the connection is refused or the time-out passes.
[[nodiscard]] int ConnectTcp(const char* ipAddress, int port, int timeoutMs);

} // namespace linkcore
