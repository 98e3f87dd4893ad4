#pragma once

#include <string>

namespace orvane {

// A non-blocking, close-on-exec IPv4 UDP socket bound to `host`:`port`, or to every local
// address for an empty host. With port 0 the system picks one, and `port` then holds it.
// The socket, or -1 with errno set and the reason, naming the address, in `error`.
[[nodiscard]] int BindUdp(const std::string& host, int& port, std::string& error);

} // namespace orvane
