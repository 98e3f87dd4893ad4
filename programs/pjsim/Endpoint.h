#pragma once

#include <string>

namespace pjsim {

// Something pjsim serves on: a projector's TCP port, a projector's pseudo-terminal, and
// whatever other responders a run may ask for. Endpoints run on their own threads until the
// shared StopEvent is set.
class Endpoint {
public:
    virtual ~Endpoint() = default;

    // Binds or opens and starts serving. False with a message in `error`.
    virtual bool Start(std::string& error) = 0;
    // Where clients reach it: "HOST:PORT" with the real port, or the pty's path.
    virtual std::string Address() const = 0;
    // Waits for every thread of the endpoint once the stop has been set.
    virtual void Join() = 0;
};

} // namespace pjsim
