#pragma once

#include <string>
#include <vector>

namespace pjsim {

// A run of consecutive TCP ports on one address, each bound and listening, so that a fleet's
// projectors sit at PORT, PORT+1, ... and a client can reach projector k without reading
// every line pjsim prints.
class FleetPorts {
public:
    // Fills `fds` with count listening sockets on consecutive ports of host, below the
    // kernel's range of outgoing ports so that the fleet never takes one a client needs.
    // False with a message when no such run could be found.
    [[nodiscard]] static bool Bind(const std::string& host, int count, std::vector<int>& fds, std::string& error);
};

} // namespace pjsim
