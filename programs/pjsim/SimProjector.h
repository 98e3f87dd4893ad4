#pragma once

#include "linkcore/Frame.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace pjsim {

// Request types the simulated projector knows.
inline constexpr std::uint16_t kTypeKind = 0x1007;
inline constexpr std::uint16_t kTypeInput = 0x2000;
inline constexpr std::uint16_t kTypeVolume = 0x2001;
inline constexpr std::uint16_t kTypeMute = 0x2002;
inline constexpr std::uint16_t kTypeFreeze = 0x3002;
inline constexpr std::uint16_t kTypeBlank = 0x3020;
inline constexpr std::uint16_t kTypePower = 0x6000;
// Picture and sound adjustments: 0x4000 + the item's index (39 items), then the choices
// aspect, lamp mode, gamma, colour temperature and the my-button press.
inline constexpr std::uint16_t kTypeAdjustFirst = 0x4000;
inline constexpr std::uint16_t kTypeAdjustLast = 0x4026;
inline constexpr std::uint16_t kTypeChoiceFirst = 0x4100;
inline constexpr std::uint16_t kTypeChoiceLast = 0x4104;
// The adjustment item Volume is the projector's one volume level.
inline constexpr std::uint16_t kTypeAdjustVolume = 0x4017;

inline constexpr bool IsAdjustmentType(std::uint16_t type) {
    return (type >= kTypeAdjustFirst && type <= kTypeAdjustLast) ||
           (type >= kTypeChoiceFirst && type <= kTypeChoiceLast);
}

// Values of a power get.
inline constexpr std::uint16_t kPowerOff = 0;
inline constexpr std::uint16_t kPowerOn = 1;
inline constexpr std::uint16_t kPowerTransit = 2;

enum class InitialPower { Off, On, Transit };

struct SimSettings {
    std::uint16_t kind = 1;
    // Transit: the projector reports 2 until it is told to switch, as one stuck half-way would.
    InitialPower power = InitialPower::Off;
    int warmMs = 0; // time spent in state 2 after every power set
    std::uint16_t input = 0;
    std::uint16_t volume = 0;
    std::uint16_t volmax = 63;
    bool refuseAll = false; // answers every request with a refusal
    // Types refused whatever the action, as by a projector without that feature.
    std::set<std::uint16_t> refused;
    // Starting values of adjustments (16-bit, two's complement for negative ones); the
    // others start at 0.
    std::map<std::uint16_t, std::uint16_t> adjustments;
};

struct SimReply {
    enum class Kind { Ack, Nak, Data };

    Kind kind = Kind::Nak;
    std::uint16_t value = 0; // for Data

    static SimReply Ack() { return {Kind::Ack, 0}; }
    static SimReply Nak() { return {Kind::Nak, 0}; }
    static SimReply Data(std::uint16_t v) { return {Kind::Data, v}; }

    // The wire bytes; out must hold linkcore::kMaxReplySize bytes. Returns their count.
    std::size_t Encode(unsigned char* out) const;
    // "ack", "nak" or "data:<value>", as the request log writes it.
    std::string Describe() const;

    friend bool operator==(const SimReply&, const SimReply&) = default;
};

// The state machine of one projector, without any transport. Safe to call from several
// connection threads at once. Time is passed in so that warm-up can be tested without
// waiting for it.
class SimProjector {
public:
    using Clock = std::chrono::steady_clock;

    explicit SimProjector(const SimSettings& settings, Clock::time_point start = Clock::now());

    SimReply Handle(const linkcore::Request& request, Clock::time_point now);
    SimReply Handle(const linkcore::Request& request) { return Handle(request, Clock::now()); }

    std::uint16_t PowerState(Clock::time_point now) const;
    // Where the last power set (or the initial state) is heading: true for on. Tells a
    // warm-up from a cool-down while the power state is 2.
    bool TargetOn() const;

private:
    std::uint16_t PowerStateLocked(Clock::time_point now) const;
    SimReply HandlePower(const linkcore::Request& request, Clock::time_point now);
    SimReply HandleVolume(const linkcore::Request& request, bool on);
    static SimReply HandleSwitch(const linkcore::Request& request, bool on, std::uint16_t& value);
    SimReply HandleAdjustment(const linkcore::Request& request, bool on);

    mutable std::mutex mutex_;
    SimSettings settings_;
    bool targetOn_ = false;
    bool stuckInTransit_ = false;
    Clock::time_point transitEnd_;
    std::uint16_t input_ = 0;
    std::uint16_t volume_ = 0;
    std::uint16_t mute_ = 0;
    std::uint16_t blank_ = 0;
    std::uint16_t freeze_ = 0;
    std::map<std::uint16_t, std::uint16_t> adjustments_;
};

} // namespace pjsim
