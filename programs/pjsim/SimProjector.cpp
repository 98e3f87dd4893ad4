#include "SimProjector.h"

#include <algorithm>

namespace pjsim {

using linkcore::kActionDecrement;
using linkcore::kActionGet;
using linkcore::kActionIncrement;
using linkcore::kActionSet;

std::size_t SimReply::Encode(unsigned char* out) const {
    switch (kind) {
    case Kind::Ack:
        out[0] = linkcore::kReplyAck;
        return 1;
    case Kind::Data:
        return linkcore::EncodeDataReply(value, out);
    case Kind::Nak:
        break;
    }
    out[0] = linkcore::kReplyNak;
    return 1;
}

std::string SimReply::Describe() const {
    switch (kind) {
    case Kind::Ack:
        return "ack";
    case Kind::Data:
        return "data:" + std::to_string(value);
    case Kind::Nak:
        break;
    }
    return "nak";
}

SimProjector::SimProjector(const SimSettings& settings, Clock::time_point start)
    : settings_(settings), targetOn_(settings.power == InitialPower::On),
      stuckInTransit_(settings.power == InitialPower::Transit), transitEnd_(start), input_(settings.input),
      volume_(std::min(settings.volume, settings.volmax)), adjustments_(settings.adjustments) {}

std::uint16_t SimProjector::PowerState(Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    return PowerStateLocked(now);
}

bool SimProjector::TargetOn() const {
    std::lock_guard lock(mutex_);
    return targetOn_;
}

std::uint16_t SimProjector::PowerStateLocked(Clock::time_point now) const {
    if (stuckInTransit_ || now < transitEnd_)
        return kPowerTransit;
    return targetOn_ ? kPowerOn : kPowerOff;
}

SimReply SimProjector::Handle(const linkcore::Request& request, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (settings_.refuseAll || settings_.refused.count(request.type) != 0)
        return SimReply::Nak();
    // Only a projector that is fully on takes commands; a get is answered in any state.
    bool on = PowerStateLocked(now) == kPowerOn;
    switch (request.type) {
    case kTypePower:
        return HandlePower(request, now);
    case kTypeKind:
        return request.action == kActionGet ? SimReply::Data(settings_.kind) : SimReply::Nak();
    case kTypeInput:
        if (request.action == kActionGet)
            return SimReply::Data(input_);
        if (request.action == kActionSet && on) {
            input_ = request.setting;
            return SimReply::Ack();
        }
        return SimReply::Nak();
    case kTypeVolume:
    case kTypeAdjustVolume:
        return HandleVolume(request, on);
    case kTypeMute:
        return HandleSwitch(request, on, mute_);
    case kTypeBlank:
        return HandleSwitch(request, on, blank_);
    case kTypeFreeze:
        return HandleSwitch(request, on, freeze_);
    default:
        if (IsAdjustmentType(request.type))
            return HandleAdjustment(request, on);
        return SimReply::Nak();
    }
}

SimReply SimProjector::HandleAdjustment(const linkcore::Request& request, bool on) {
    // Every 16-bit setting is a value in -32768..32767; the projector keeps it as sent.
    if (request.action == kActionGet)
        return SimReply::Data(adjustments_[request.type]);
    if (request.action != kActionSet || !on)
        return SimReply::Nak();
    adjustments_[request.type] = request.setting;
    return SimReply::Ack();
}

SimReply SimProjector::HandlePower(const linkcore::Request& request, Clock::time_point now) {
    if (request.action == kActionGet)
        return SimReply::Data(PowerStateLocked(now));
    if (request.action != kActionSet || request.setting > 1)
        return SimReply::Nak();
    // Every power set starts a new warm-up or cool-down, even towards the current state.
    targetOn_ = request.setting == 1;
    stuckInTransit_ = false;
    transitEnd_ = now + std::chrono::milliseconds(settings_.warmMs);
    return SimReply::Ack();
}

SimReply SimProjector::HandleVolume(const linkcore::Request& request, bool on) {
    switch (request.action) {
    case kActionGet:
        return SimReply::Data(volume_);
    case kActionIncrement:
        if (!on)
            return SimReply::Nak();
        // At the top the step is accepted and changes nothing, as on a real remote.
        if (volume_ < settings_.volmax)
            ++volume_;
        return SimReply::Ack();
    case kActionDecrement:
        if (!on)
            return SimReply::Nak();
        if (volume_ > 0)
            --volume_;
        return SimReply::Ack();
    case kActionSet:
        if (!on || request.setting > settings_.volmax)
            return SimReply::Nak();
        volume_ = request.setting;
        return SimReply::Ack();
    default:
        return SimReply::Nak();
    }
}

SimReply SimProjector::HandleSwitch(const linkcore::Request& request, bool on, std::uint16_t& value) {
    if (request.action == kActionGet)
        return SimReply::Data(value);
    if (request.action != kActionSet || !on || request.setting > 1)
        return SimReply::Nak();
    value = request.setting;
    return SimReply::Ack();
}

} // namespace pjsim
