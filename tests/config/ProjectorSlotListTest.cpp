#include "config/ProjectorSlotList.h"
#include "config/CheckedRowGuard.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

SlotValues Net(const char* ip, int port, const char* password = "") {
    SlotValues v;
    v.method = 1;
    v.portNo = port;
    SetText(v.ip, ip);
    SetText(v.password, password);
    return v;
}

SlotValues Com(int comNo) {
    SlotValues v;
    v.method = 0;
    v.comNo = comNo;
    return v;
}

CModelInfo2 Empty() {
    CModelInfo2 m;
    m.PjtNum = 0;
    return m;
}

TEST(ProjectorSlotList, DuplicateRules) {
    CModelInfo2 m = Empty();
    ProjectorSlotList list(m);
    ASSERT_EQ(list.Insert(Net("10.0.0.1", 23)), SlotChange::Stored);
    ASSERT_EQ(list.Insert(Com(2)), SlotChange::Stored);

    // Same address text and port: refused; same address with another port: accepted.
    EXPECT_EQ(list.Insert(Net("10.0.0.1", 23)), SlotChange::Duplicate);
    EXPECT_EQ(list.Insert(Net("10.0.0.1", 9715)), SlotChange::Stored);
    // The address is compared as text: a differently written address is another one.
    EXPECT_EQ(list.FindCollision(Net("10.0.0.01", 23), -1), -1);
    // Two rows on one COM port collide; a COM row never collides with a network row,
    // whatever the stale network fields of either hold.
    EXPECT_EQ(list.Insert(Com(2)), SlotChange::Duplicate);
    SlotValues comWithStaleAddress = Com(5);
    SetText(comWithStaleAddress.ip, "10.0.0.1");
    comWithStaleAddress.portNo = 23;
    EXPECT_EQ(list.FindCollision(comWithStaleAddress, -1), -1);
    EXPECT_EQ(m.PjtNum, 3);

    // Update tests against the other slots only: a slot may keep its own values.
    EXPECT_EQ(list.Update(0, Net("10.0.0.1", 23, "new")), SlotChange::Stored);
    EXPECT_STREQ(m.Password[0], "new");
    EXPECT_EQ(list.Update(0, Net("10.0.0.1", 9715)), SlotChange::Duplicate);
    EXPECT_EQ(list.Update(3, Com(1)), SlotChange::NoSlot);
}

TEST(ProjectorSlotList, FiveProjectorsAtMost) {
    CModelInfo2 m = Empty();
    ProjectorSlotList list(m);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(list.Insert(Com(i)), SlotChange::Stored);
    EXPECT_EQ(list.Insert(Com(9)), SlotChange::Full);
    EXPECT_EQ(m.PjtNum, 5);
    int checked = 0;
    ASSERT_EQ(list.Delete(4, checked), SlotChange::Stored);
    EXPECT_EQ(list.Insert(Com(9)), SlotChange::Stored);
    EXPECT_EQ(m.ComNo[4], 9);
}

TEST(ProjectorSlotList, DamagedCountsStaySafe) {
    CModelInfo2 m = Empty();
    m.PjtNum = -3; // read as no projector
    ProjectorSlotList list(m);
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(list.Insert(Com(0)), SlotChange::Stored);
    EXPECT_EQ(m.PjtNum, 1);
    m.PjtNum = 9;
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Insert(Com(7)), SlotChange::Full);
}

TEST(ProjectorSlotList, DeleteMovesSlotsDownAndFollowsTheCheckedProjector) {
    CModelInfo2 m = Empty();
    ProjectorSlotList list(m);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(list.Insert(Net(("10.0.0." + std::to_string(i + 1)).c_str(), 23, "pw")), SlotChange::Stored);

    int checked = 2; // 10.0.0.3
    ASSERT_EQ(list.Delete(0, checked), SlotChange::Stored);
    EXPECT_EQ(checked, 1);
    EXPECT_STREQ(m.IPAddress[checked], "10.0.0.3");
    EXPECT_STREQ(m.IPAddress[0], "10.0.0.2");
    EXPECT_STREQ(m.Password[2], "pw");
    EXPECT_EQ(m.PjtNum, 3);

    ASSERT_EQ(list.Delete(2, checked), SlotChange::Stored); // behind the checked row
    EXPECT_EQ(checked, 1);
    ASSERT_EQ(list.Delete(1, checked), SlotChange::Stored); // the checked row itself
    EXPECT_EQ(checked, 0);
    EXPECT_EQ(m.PjtNum, 1);
    EXPECT_EQ(list.Delete(1, checked), SlotChange::NoSlot);
    EXPECT_EQ(list.Delete(-1, checked), SlotChange::NoSlot);
}

TEST(CheckedRowGuard, TheCheckedRowCannotBeClearedButMoves) {
    CheckedRowGuard g;
    EXPECT_EQ(g.AfterChange(0, false, true), -1);
    EXPECT_EQ(g.CheckedRow, 0);
    EXPECT_FALSE(g.AllowChange(0, true, false)); // the operator clears the checked row

    // Checking another row asks for the old one to be unchecked, which then passes once.
    EXPECT_TRUE(g.AllowChange(2, false, true));
    EXPECT_EQ(g.AfterChange(2, false, true), 0);
    EXPECT_EQ(g.CheckedRow, 2);
    g.PrepareQuietUncheck(true);
    EXPECT_TRUE(g.AllowChange(0, true, false));
    EXPECT_EQ(g.QuietUncheck, 0);
    EXPECT_FALSE(g.AllowChange(2, true, false));

    // A row that is not checked leaves no flag behind to be misused by the next click.
    g.PrepareQuietUncheck(false);
    EXPECT_EQ(g.QuietUncheck, 0);
    // Unchecking a row other than the checked one is not the guard's business.
    EXPECT_TRUE(g.AllowChange(4, true, false));
    // Changes that do not clear a check pass and need no follow-up.
    EXPECT_TRUE(g.AllowChange(2, true, true));
    EXPECT_EQ(g.AfterChange(2, true, true), -1);
    EXPECT_EQ(g.AfterChange(1, true, false), -1);
    EXPECT_EQ(g.CheckedRow, 2);
}

} // namespace
} // namespace orvane
