#include "linkcore/LinkSession.h"

#include "linkcore/Auth.h"
#include "linkcore/BulkFrame.h"

#include <algorithm>
#include <cstring>
#include <openssl/crypto.h>

namespace linkcore {

namespace {

// The longest password the projector's fields hold.
constexpr std::size_t kMaxPassword = 63;

} // namespace

LinkSession::LinkSession(Line line, std::string_view password, SessionTimeouts timeouts)
    : line_(line), password_(password.substr(0, std::min(password.size(), kMaxPassword))), timeouts_(timeouts) {
    // Only the first 63 characters count, and a field without a terminator ends there.
    password_.resize(strnlen(password_.c_str(), kMaxPassword));
}

LinkSession::~LinkSession() {
    OPENSSL_cleanse(password_.data(), password_.size());
    OPENSSL_cleanse(held_, sizeof held_);
}

void LinkSession::OnBegin(SessionTime now) {
    if (line_ == Line::Serial) {
        BecomeReady();
        return;
    }
    // A projector greets as soon as it accepts, so a missing hello means a dead link just as
    // a missing accept does: both share the connect time-out, and an operator learns of a
    // dead projector within that time, not within the sum of two.
    SetState(SessionState::Connecting);
    SetDeadline(After(now, timeouts_.connectMs));
}

void LinkSession::OnConnected(SessionTime /*now*/) {
    SetState(SessionState::Opening);
    step_ = Step::Hello;
    heldSize_ = 0;
}

bool LinkSession::Submit(const Request& request, SessionTime now) {
    if (!IsReady())
        return false;
    const Frame frame = EncodeRequest(request);
    Out().Append(frame);
    StartExchange(Step::Answer, now);
    return true;
}

bool LinkSession::SubmitBulk(ByteView payload, SessionTime now) {
    if (!IsReady() || line_ != Line::Tcp || payload.empty() || payload.size() > kMaxBulkPayload)
        return false;
    const auto size = static_cast<std::uint32_t>(payload.size());
    unsigned char header[kBulkHeaderSize];
    EncodeBulkHeader(size, header);
    unsigned char trailer[kBulkTrailerSize];
    PutLe32(trailer, Crc32(payload.data(), size));
    Out().Append(header);
    Out().AppendBorrowed(payload);
    Out().Append(trailer);
    StartExchange(Step::BulkAnswer, now);
    return true;
}

std::size_t LinkSession::ReadHint() const {
    switch (step_) {
    case Step::Challenge:
        return kChallengeSize - heldSize_;
    case Step::Answer:
        return heldSize_ == 0 ? 1 : kDataReplySize - heldSize_;
    default:
        return 1;
    }
}

void LinkSession::StartExchange(Step step, SessionTime now) {
    ClearResult();
    step_ = step;
    heldSize_ = 0;
    SetState(SessionState::Exchanging);
    SetDeadline(After(now, timeouts_.replyMs));
}

void LinkSession::FailExchange(SessionEnd end) {
    SetResult(RequestResult{});
    step_ = Step::None;
    heldSize_ = 0;
    // A serial line is flushed before each request and so finds its step again; a stream
    // would hand the rest of this answer to the next request.
    if (line_ == Line::Serial && end != SessionEnd::PeerClosed && end != SessionEnd::Closed) {
        BecomeReady();
    } else {
        Finish(end);
    }
}

void LinkSession::OnLost(SessionEnd end) {
    if (State() == SessionState::Exchanging) {
        FailExchange(end);
        return;
    }
    step_ = Step::None;
    Finish(end);
}

void LinkSession::OnBytes(ByteView bytes, SessionTime now) {
    while (!bytes.empty() && !IsFinished()) {
        if (!Waiting()) {
            // Nothing was asked: stale bytes of a serial line are dropped, as the flush before
            // the next request would; on a stream they can only be out of step.
            if (line_ == Line::Tcp)
                Finish(SessionEnd::OutOfStep);
            return;
        }
        bytes = bytes.subspan(Take(bytes, now));
    }
}

std::size_t LinkSession::Take(ByteView in, SessionTime now) {
    const unsigned char first = in[0];
    switch (step_) {
    case Step::Hello:
        if (first == kHelloOpen) {
            step_ = Step::None;
            BecomeReady();
        } else if (first == kHelloChallenge) {
            step_ = Step::Challenge;
            heldSize_ = 0;
            SetDeadline(After(now, timeouts_.replyMs));
        } else {
            step_ = Step::None;
            Finish(SessionEnd::Refused);
        }
        return 1;
    case Step::Challenge: {
        const std::size_t used = std::min(in.size(), kChallengeSize - heldSize_);
        std::memcpy(held_ + heldSize_, in.data(), used);
        heldSize_ += used;
        if (heldSize_ == kChallengeSize) {
            unsigned char proof[kAuthResponseSize];
            ComputeAuthResponse(held_, password_, proof);
            Out().Append(proof);
            OPENSSL_cleanse(proof, sizeof proof);
            OPENSSL_cleanse(held_, sizeof held_);
            heldSize_ = 0;
            step_ = Step::Verdict;
        }
        return used;
    }
    case Step::Verdict:
        step_ = Step::None;
        if (first == kReplyAck) {
            BecomeReady();
        } else {
            Finish(SessionEnd::Refused);
        }
        return 1;
    case Step::Answer: {
        if (heldSize_ == 0 && ReplySize(first) == 0) {
            FailExchange(SessionEnd::OutOfStep);
            return 1;
        }
        const std::size_t size = ReplySize(heldSize_ == 0 ? first : held_[0]);
        const std::size_t used = std::min(in.size(), size - heldSize_);
        std::memcpy(held_ + heldSize_, in.data(), used);
        heldSize_ += used;
        if (heldSize_ == size) {
            RequestResult result;
            result.answered = true;
            result.size = size;
            std::memcpy(result.reply.data(), held_, size);
            SetResult(result);
            step_ = Step::None;
            heldSize_ = 0;
            BecomeReady();
        }
        return used;
    }
    case Step::BulkAnswer:
        if (first != kReplyAck && first != kReplyNak) {
            FailExchange(SessionEnd::OutOfStep);
            return 1;
        }
        {
            RequestResult result;
            result.answered = true;
            result.size = 1;
            result.reply[0] = first;
            SetResult(result);
        }
        step_ = Step::None;
        BecomeReady();
        return 1;
    case Step::None:
        break;
    }
    return in.size();
}

} // namespace linkcore
