#pragma once

#include <string>

namespace pjsim {

// Binds a non-blocking UDP socket to `host`:`port`; with port 0 the system picks one and
// `port` then holds it. Returns the socket, or -1 with the reason in `error`.
int BindUdp(const std::string& host, int& port, std::string& error);

} // namespace pjsim
