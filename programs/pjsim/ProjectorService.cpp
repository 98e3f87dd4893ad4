#include "ProjectorService.h"

#include "picpush/ImageCheck.h"

#include "linkcore/BulkFrame.h"

#include <openssl/evp.h>

#include <cstdio>

namespace pjsim {

namespace {

std::string Sha256Hex(const std::vector<unsigned char>& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return "?";
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

bool IsImageType(std::uint16_t type) {
    return type == linkcore::kTypeImageBegin || type == linkcore::kTypeImageEnd || type == linkcore::kTypeImageShow;
}

} // namespace

ProjectorService::ProjectorService(int index, const ProjectorDef& def, RequestLog& log, const ImageOptions& images)
    : index_(index), def_(def), log_(log), hashImages_(images.hash), sim_(def.sim), imageStore_(index, images.dir),
      rng_(std::random_device{}()) {}

void ProjectorService::SetLastController(std::string address) {
    std::lock_guard lock(controllerMutex_);
    lastController_ = std::move(address);
}

std::string ProjectorService::LastController() const {
    std::lock_guard lock(controllerMutex_);
    return lastController_;
}

std::vector<unsigned char> ProjectorService::Answer(const linkcore::Request& request, linkcore::FrameStatus status,
                                                    ImageSession* images) {
    if (def_.fault == Fault::Silent || def_.fault == Fault::Drop) {
        log_.Write(index_, request, "none");
        return {};
    }
    SimReply reply = SimReply::Nak();
    if (status == linkcore::FrameStatus::Ok) {
        // A projector without images takes these for unknown types, which the state machine refuses.
        if (def_.images && IsImageType(request.type) && request.action == linkcore::kActionSet) {
            reply = images != nullptr && !def_.sim.refuseAll ? HandleImage(request, *images) : SimReply::Nak();
        } else {
            reply = sim_.Handle(request);
        }
    }
    if (def_.fault == Fault::Garbage) {
        log_.Write(index_, request, "none");
        return Garbage();
    }
    log_.Write(index_, request, reply.Describe());
    return Encode(reply);
}

std::vector<unsigned char> ProjectorService::AnswerBulk(const linkcore::ScannedFrame& frame, ImageSession& images) {
    if (def_.fault == Fault::Silent || def_.fault == Fault::Drop) {
        log_.WriteBulk(index_, frame.size, "none");
        return {};
    }
    bool taken = false;
    if (frame.kind == linkcore::ScannedFrame::Kind::Bulk && frame.crcOk && !def_.sim.refuseAll) {
        taken = images.Append(frame.payload, frame.size, picpush::kMaxImageBytes);
    } else {
        images.Abandon(); // after a refusal the image is given up, whatever the reason
    }
    if (def_.fault == Fault::Garbage) {
        log_.WriteBulk(index_, frame.size, "none");
        return Garbage();
    }
    const SimReply reply = taken ? SimReply::Ack() : SimReply::Nak();
    log_.WriteBulk(index_, frame.size, reply.Describe());
    return Encode(reply);
}

SimReply ProjectorService::HandleImage(const linkcore::Request& request, ImageSession& images) {
    // Like every other set, the image requests need a projector that is on.
    if (sim_.PowerState(SimProjector::Clock::now()) != kPowerOn) {
        images.Abandon();
        return SimReply::Nak();
    }
    switch (request.type) {
    case linkcore::kTypeImageBegin:
        images.Abandon(); // a second begin starts over
        return images.Begin() ? SimReply::Ack() : SimReply::Nak();
    case linkcore::kTypeImageEnd:
        return EndImage(images);
    default: // show: 1 the last image, 0 back to the input
        if (request.setting == 0)
            return SimReply::Ack();
        return request.setting == 1 && imageStore_.HasImage() ? SimReply::Ack() : SimReply::Nak();
    }
}

SimReply ProjectorService::EndImage(ImageSession& images) {
    if (!images.Receiving())
        return SimReply::Nak();
    std::vector<unsigned char> data = images.Finish();
    const picpush::ImageCheckResult check = picpush::CheckImage(data.data(), data.size());
    const SimReply reply = check.ok ? SimReply::Ack() : SimReply::Nak();
    char line[256];
    std::snprintf(line, sizeof line, "IMAGE %d bytes=%zu sha256=%s format=%s size=%dx%d reply=%s", index_, data.size(),
                  hashImages_ ? Sha256Hex(data).c_str() : "-", picpush::FormatName(check.format), check.width,
                  check.height, reply.Describe().c_str());
    log_.WriteLine(line);
    if (check.ok)
        imageStore_.Keep(std::move(data), check.format == picpush::ImageFormat::Jpeg ? "jpg" : "png");
    return reply;
}

std::vector<unsigned char> ProjectorService::Encode(const SimReply& reply) {
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
