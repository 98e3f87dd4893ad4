#include "ProjectorService.h"

namespace pjsim {

ProjectorService::ProjectorService(int index, const ProjectorDef& def, RequestLog& log)
    : index_(index), def_(def), log_(log), sim_(def.sim), rng_(std::random_device{}()) {}

std::vector<unsigned char> ProjectorService::Answer(const linkcore::Request& request, linkcore::FrameStatus status) {
    if (def_.fault == Fault::Silent || def_.fault == Fault::Drop) {
        log_.Write(index_, request, "none");
        return {};
    }
    SimReply reply = SimReply::Nak();
    if (status == linkcore::FrameStatus::Ok)
        reply = sim_.Handle(request);
    if (def_.fault == Fault::Garbage) {
        log_.Write(index_, request, "none");
        return Garbage();
    }
    log_.Write(index_, request, reply.Describe());
    unsigned char bytes[linkcore::kMaxReplySize];
    std::size_t size = reply.Encode(bytes);
    return std::vector<unsigned char>(bytes, bytes + size);
}

std::vector<unsigned char> ProjectorService::Garbage() {
    std::lock_guard lock(rngMutex_);
    std::uniform_int_distribution<int> length(1, 8);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<unsigned char> out(static_cast<std::size_t>(length(rng_)));
    for (unsigned char& b : out)
        b = static_cast<unsigned char>(byte(rng_));
    // The first byte is never a reply code, so that a client can tell garbage from an answer.
    while (linkcore::ReplySize(out[0]) != 0)
        out[0] = static_cast<unsigned char>(byte(rng_));
    return out;
}

} // namespace pjsim
