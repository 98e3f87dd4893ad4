#include "commands/ImageSendSlots.h"

#include "link/LinkTestRig.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using namespace test;

TEST(ImageSendSlots, NetworkSlotsOfAcceptedKindsInSlotOrder) {
    LinkSandbox box;
    PjsimProcess sim({PjsimProcess::Tcp("kind=9"), PjsimProcess::Tcp("kind=4"), PjsimProcess::Tcp("kind=10")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    CModelInfo2 m = MakeWorkingModel(5);
    PointSlotAtSerial(m, 0, 0);
    PointSlotAt(m, 1, sim, 1);
    PointSlotAt(m, 2, sim, 2);
    PointSlotAt(m, 3, sim, 3);
    PointSlotAtPort(m, 4, UnusedLoopbackPort());
    TransportRig rig(m);
    rig.model.PjtKind[2] = 7; // known already: not asked again, though the projector would say 4

    // A slot whose kind query fails is still handed over, its kind still unknown.
    EXPECT_EQ(ImageSendSlots(rig.transport), (std::vector<int>{2, 4}));
    EXPECT_EQ(Sent(sim), (std::vector<std::string>{"1 2,0x1007,0", "3 2,0x1007,0"}));
    EXPECT_EQ(rig.model.PjtKind[1], 9);
    EXPECT_EQ(rig.model.PjtKind[3], 10);
    EXPECT_EQ(rig.model.PjtKind[4], kKindUnknown);
    EXPECT_TRUE(rig.sink.Errors().empty()) << "left out silently";

    // Only the slots in use count, and known kinds are not asked again.
    rig.model.PjtNum = 3;
    EXPECT_EQ(ImageSendSlots(rig.transport), (std::vector<int>{2}));
    EXPECT_EQ(Sent(sim).size(), 2u);
}

} // namespace
} // namespace orvane
