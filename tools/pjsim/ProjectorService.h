#pragma once

#include "ProjectorDef.h"
#include "RequestLog.h"
#include "SimProjector.h"

#include "linkcore/Frame.h"

#include <cstddef>
#include <mutex>
#include <random>
#include <vector>

namespace pjsim {

// What one projector does with the frames it receives, whatever line they come over: runs
// the state machine, applies the configured fault and logs the request.
class ProjectorService {
public:
    // index is the projector's 1-based place on the command line, as the log names it.
    ProjectorService(int index, const ProjectorDef& def, RequestLog& log);

    int Index() const { return index_; }
    const ProjectorDef& Def() const { return def_; }

    // The bytes to answer a received frame with; empty for no answer at all.
    std::vector<unsigned char> Answer(const linkcore::Request& request, linkcore::FrameStatus status);

    // How long to hold every answer back (the slow fault).
    int ReplyDelayMs() const { return def_.fault == Fault::Slow ? def_.slowMs : 0; }

private:
    std::vector<unsigned char> Garbage();

    int index_;
    ProjectorDef def_;
    RequestLog& log_;
    SimProjector sim_;
    std::mutex rngMutex_;
    std::mt19937 rng_;
};

} // namespace pjsim
