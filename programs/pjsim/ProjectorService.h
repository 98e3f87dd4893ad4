#pragma once

#include "ImageStore.h"
#include "ProjectorDef.h"
#include "RequestLog.h"
#include "SimProjector.h"

#include "linkcore/Frame.h"
#include "linkcore/FrameScanner.h"

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
    ProjectorService(int index, const ProjectorDef& def, RequestLog& log, const ImageOptions& images = {});

    int Index() const { return index_; }
    const ProjectorDef& Def() const { return def_; }
    // For the PJLink side, which runs the same state machine and writes the same log.
    SimProjector& Sim() { return sim_; }
    RequestLog& Log() { return log_; }

    // The bytes to answer a received frame with; empty for no answer at all. The image
    // requests need the connection's image session; without one they are refused.
    std::vector<unsigned char> Answer(const linkcore::Request& request, linkcore::FrameStatus status,
                                      ImageSession* images = nullptr);

    // True when the projector knows images and so reads bulk frames.
    bool AcceptsImages() const { return def_.images; }
    ImageStore& Images() { return imageStore_; }
    // The answer to a bulk frame (or an oversized bulk header) of the connection's session.
    std::vector<unsigned char> AnswerBulk(const linkcore::ScannedFrame& frame, ImageSession& images);

    // The address (dotted IPv4) of the PJLink controller that connected last, empty before the
    // first: where a projector without notify= sends its notifications.
    void SetLastController(std::string address);
    std::string LastController() const;

    // How long to hold every answer back (the slow fault).
    int ReplyDelayMs() const { return def_.fault == Fault::Slow ? def_.slowMs : 0; }

private:
    std::vector<unsigned char> Garbage();
    std::vector<unsigned char> Encode(const SimReply& reply);
    SimReply HandleImage(const linkcore::Request& request, ImageSession& images);
    SimReply EndImage(ImageSession& images);

    int index_;
    ProjectorDef def_;
    RequestLog& log_;
    bool hashImages_;
    SimProjector sim_;
    ImageStore imageStore_;
    std::mutex rngMutex_;
    mutable std::mutex controllerMutex_;
    std::string lastController_;
    std::mt19937 rng_;
};

} // namespace pjsim
