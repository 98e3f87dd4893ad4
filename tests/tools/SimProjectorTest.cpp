#include "SimProjector.h"

#include <gtest/gtest.h>

using namespace pjsim;
using linkcore::Request;
using std::chrono::milliseconds;

namespace {

const auto T0 = SimProjector::Clock::time_point() + std::chrono::hours(1);

SimReply Get(SimProjector& p, std::uint16_t type, SimProjector::Clock::time_point now = T0) {
    return p.Handle(Request{2, type, 0}, now);
}

SimReply Set(SimProjector& p, std::uint16_t type, std::uint16_t value, SimProjector::Clock::time_point now = T0) {
    return p.Handle(Request{1, type, value}, now);
}

SimSettings On() {
    SimSettings s;
    s.power = InitialPower::On;
    return s;
}

} // namespace

TEST(SimProjector, PowerSetPassesThroughTransitForTheWarmTime) {
    SimSettings settings;
    settings.warmMs = 1000;
    SimProjector p(settings, T0);
    EXPECT_EQ(Get(p, kTypePower), SimReply::Data(kPowerOff));

    EXPECT_EQ(Set(p, kTypePower, 1), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypePower, T0 + milliseconds(999)), SimReply::Data(kPowerTransit));
    EXPECT_EQ(Get(p, kTypePower, T0 + milliseconds(1000)), SimReply::Data(kPowerOn));

    // Power sets are taken in any state, mid-transition too, and restart the clock.
    auto t1 = T0 + milliseconds(1500);
    EXPECT_EQ(Set(p, kTypePower, 0, t1), SimReply::Ack());
    EXPECT_EQ(Set(p, kTypePower, 1, t1 + milliseconds(500)), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypePower, t1 + milliseconds(1400)), SimReply::Data(kPowerTransit));
    EXPECT_EQ(Get(p, kTypePower, t1 + milliseconds(1500)), SimReply::Data(kPowerOn));

    EXPECT_EQ(Set(p, kTypePower, 2), SimReply::Nak());
    EXPECT_EQ(p.Handle(Request{4, kTypePower, 0}, T0), SimReply::Nak());
}

TEST(SimProjector, WithoutWarmTimePowerSwitchesAtOnceAndTransitStaysUntilTold) {
    SimProjector cold(SimSettings{}, T0);
    EXPECT_EQ(Set(cold, kTypePower, 1), SimReply::Ack());
    EXPECT_EQ(Get(cold, kTypePower), SimReply::Data(kPowerOn));

    SimSettings settings;
    settings.power = InitialPower::Transit;
    SimProjector stuck(settings, T0);
    EXPECT_EQ(Get(stuck, kTypePower, T0 + std::chrono::hours(10)), SimReply::Data(kPowerTransit));
    EXPECT_EQ(Set(stuck, kTypeBlank, 1), SimReply::Nak());
    EXPECT_EQ(Set(stuck, kTypePower, 0), SimReply::Ack());
    EXPECT_EQ(Get(stuck, kTypePower), SimReply::Data(kPowerOff));
}

TEST(SimProjector, CommandsAreRefusedUnlessOnButGetsAreAlwaysAnswered) {
    SimSettings settings;
    settings.warmMs = 100;
    settings.input = 4;
    settings.kind = 9;
    SimProjector p(settings, T0);
    const std::uint16_t switches[] = {kTypeInput, kTypeBlank, kTypeFreeze, kTypeMute};
    for (std::uint16_t type : switches)
        EXPECT_EQ(Set(p, type, 1), SimReply::Nak()) << std::hex << type;
    EXPECT_EQ(p.Handle(Request{4, kTypeVolume, 0}, T0), SimReply::Nak());
    EXPECT_EQ(Get(p, kTypeInput), SimReply::Data(4));
    EXPECT_EQ(Get(p, kTypeKind), SimReply::Data(9));

    Set(p, kTypePower, 1);
    auto warming = T0 + milliseconds(50);
    EXPECT_EQ(Set(p, kTypeInput, 3, warming), SimReply::Nak());
    EXPECT_EQ(Get(p, kTypeBlank, warming), SimReply::Data(0));

    auto on = T0 + milliseconds(100);
    for (std::uint16_t type : switches) {
        EXPECT_EQ(Set(p, type, 1, on), SimReply::Ack()) << std::hex << type;
        EXPECT_EQ(Get(p, type, on), SimReply::Data(1)) << std::hex << type;
    }
    EXPECT_EQ(Set(p, kTypeInput, 18, on), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypeInput, on), SimReply::Data(18));
    // Switches take 0 and 1 only; the kind is read-only; the rest is unknown.
    EXPECT_EQ(Set(p, kTypeBlank, 2, on), SimReply::Nak());
    EXPECT_EQ(Get(p, kTypeBlank, on), SimReply::Data(1));
    EXPECT_EQ(Set(p, kTypeKind, 1, on), SimReply::Nak());
    EXPECT_EQ(Get(p, 0x7777, on), SimReply::Nak());
    EXPECT_EQ(p.Handle(Request{3, kTypeInput, 0}, on), SimReply::Nak());
}

TEST(SimProjector, VolumeStepsClampAtBothEnds) {
    SimSettings settings = On();
    settings.volmax = 2;
    settings.volume = 1;
    SimProjector p(settings, T0);
    const Request up{4, kTypeVolume, 0};
    const Request down{5, kTypeVolume, 0};
    EXPECT_EQ(p.Handle(up, T0), SimReply::Ack());
    EXPECT_EQ(p.Handle(up, T0), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypeVolume), SimReply::Data(2));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(p.Handle(down, T0), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypeVolume), SimReply::Data(0));
    EXPECT_EQ(Set(p, kTypeVolume, 3), SimReply::Nak());
    EXPECT_EQ(Set(p, kTypeVolume, 2), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypeVolume), SimReply::Data(2));
}

TEST(SimProjector, RefuseAllRefusesEvenGetsAndPower) {
    SimSettings settings = On();
    settings.refuseAll = true;
    SimProjector p(settings, T0);
    EXPECT_EQ(Get(p, kTypePower), SimReply::Nak());
    EXPECT_EQ(Set(p, kTypePower, 0), SimReply::Nak());
    EXPECT_EQ(Get(p, kTypeKind), SimReply::Nak());
}

TEST(SimReply, WireBytesAndLogText) {
    unsigned char out[linkcore::kMaxReplySize] = {};
    ASSERT_EQ(SimReply::Ack().Encode(out), 1u);
    EXPECT_EQ(out[0], 0x06);
    ASSERT_EQ(SimReply::Nak().Encode(out), 1u);
    EXPECT_EQ(out[0], 0x15);
    ASSERT_EQ(SimReply::Data(300).Encode(out), 3u);
    EXPECT_EQ(out[0], 0x1D);
    EXPECT_EQ(out[1], 300 & 0xFF);
    EXPECT_EQ(out[2], 300 >> 8);
    EXPECT_EQ(SimReply::Ack().Describe(), "ack");
    EXPECT_EQ(SimReply::Nak().Describe(), "nak");
    EXPECT_EQ(SimReply::Data(65535).Describe(), "data:65535");
}

TEST(SimProjector, AdjustmentsKeepSignedValuesAndRefuseTheirOwnTypes) {
    SimSettings settings = On();
    settings.refused = {0x4003, 0x4100};
    settings.adjustments = {{0x4000, 50}};
    SimProjector p(settings, T0);
    EXPECT_EQ(Get(p, 0x4000), SimReply::Data(50));
    EXPECT_EQ(Get(p, 0x4026), SimReply::Data(0));
    EXPECT_EQ(Set(p, 0x4015, 0xFFE2), SimReply::Ack()); // -30
    EXPECT_EQ(Get(p, 0x4015), SimReply::Data(0xFFE2));
    EXPECT_EQ(Set(p, 0x4104, 3), SimReply::Ack());
    EXPECT_EQ(Get(p, 0x4003), SimReply::Nak());
    EXPECT_EQ(Set(p, 0x4100, 1), SimReply::Nak());
    EXPECT_EQ(Set(p, 0x4027, 1), SimReply::Nak()); // past the last item
    EXPECT_EQ(p.Handle(Request{4, 0x4000, 0}, T0), SimReply::Nak());
    // The Volume item is the volume level the toolbar steps.
    EXPECT_EQ(Set(p, 0x4017, 12), SimReply::Ack());
    EXPECT_EQ(Get(p, kTypeVolume), SimReply::Data(12));
    EXPECT_EQ(Set(p, 0x4017, 64), SimReply::Nak()); // above volmax

    // Off: read, not changed.
    SimProjector off(SimSettings{}, T0);
    EXPECT_EQ(Set(off, 0x4000, 10), SimReply::Nak());
    EXPECT_EQ(Get(off, 0x4000), SimReply::Data(0));
}
