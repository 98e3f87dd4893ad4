#pragma once

#include "Endpoint.h"
#include "ProjectorService.h"
#include "StopEvent.h"

#include <memory>
#include <thread>

namespace pjsim {

// A projector on a serial line, played on a pseudo-terminal: clients open the slave side
// (/dev/pts/N) as they would open a serial port. It serves frame after frame for as long as
// pjsim runs, whoever opens and closes the slave in between.
class SerialProjectorPort : public Endpoint {
public:
    SerialProjectorPort(std::unique_ptr<ProjectorService> service, const StopEvent& stop);
    ~SerialProjectorPort() override;

    bool Start(std::string& error) override;
    std::string Address() const override { return slavePath_; }
    void Join() override;

private:
    std::unique_ptr<ProjectorService> service_;
    const StopEvent& stop_;
    int masterFd_ = -1;
    // Held open so that the master never sees a hang-up when a client closes its side.
    int slaveFd_ = -1;
    std::string slavePath_;
    std::thread thread_;
};

} // namespace pjsim
