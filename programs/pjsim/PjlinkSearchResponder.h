#pragma once

#include "Endpoint.h"
#include "PjlinkService.h"
#include "ProjectorService.h"
#include "StopEvent.h"

#include <memory>
#include <string>
#include <thread>

namespace pjsim {

// Answers the PJLink search of a class 2 projector: a UDP socket on the projector's own
// address and port number that answers every "%2SRCH" datagram with one "%2ACKN=<MAC>",
// sent back to the datagram's source. Anything else it receives is ignored.
class PjlinkSearchResponder : public Endpoint {
public:
    PjlinkSearchResponder(std::unique_ptr<ProjectorService> service, int port, const StopEvent& stop);
    ~PjlinkSearchResponder() override;

    bool Start(std::string& error) override;
    std::string Address() const override;
    void Join() override;

private:
    void Loop();

    std::unique_ptr<ProjectorService> service_;
    PjlinkService pjlink_;
    int port_;
    const StopEvent& stop_;
    int fd_ = -1;
    std::thread thread_;
};

} // namespace pjsim
