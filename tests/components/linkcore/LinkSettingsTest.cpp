#include "linkcore/LinkSettings.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using linkcore::LinkSettings;
using orvane::PrivateProfile;

TEST(LinkSettings, DefaultsWithoutFile) {
    orvane::test::Sandbox sandbox;
    LinkSettings settings = LinkSettings::Load();
    EXPECT_EQ(settings.ConnectMs(), 1500);
    EXPECT_EQ(settings.ReplyMs(), 2000);
    EXPECT_EQ(settings.SerialDevice(0), "/dev/ttyS0");
    EXPECT_EQ(settings.SerialDevice(3), "/dev/ttyS3");
    EXPECT_EQ(settings.SerialDevice(-1), "");
}

TEST(LinkSettings, ReadsTimeoutsAndPortMappingFromTheWorkingDirectory) {
    orvane::test::Sandbox sandbox;
    sandbox.Write("LinkCore.conf", "[Timeouts]\r\nConnectMs=250\r\nreplyms=75\r\n"
                                   "[Serial]\r\nCOM1=/dev/ttyUSB0\r\ncom3 = /dev/pts/7\r\n");
    LinkSettings settings = LinkSettings::Load();
    EXPECT_EQ(settings.ConnectMs(), 250);
    EXPECT_EQ(settings.ReplyMs(), 75);
    EXPECT_EQ(settings.SerialDevice(0), "/dev/ttyUSB0");
    EXPECT_EQ(settings.SerialDevice(1), "/dev/ttyS1"); // COM2 is not mapped
    EXPECT_EQ(settings.SerialDevice(2), "/dev/pts/7");
}

TEST(LinkSettings, UnusableTimeoutsKeepTheDefaultAndHugeOnesAreCapped) {
    LinkSettings settings = LinkSettings::FromProfile(PrivateProfile::Parse("[Timeouts]\nConnectMs=0\nReplyMs=-5\n"));
    EXPECT_EQ(settings.ConnectMs(), LinkSettings::kDefaultConnectMs);
    EXPECT_EQ(settings.ReplyMs(), LinkSettings::kDefaultReplyMs);

    settings = LinkSettings::FromProfile(PrivateProfile::Parse("[Timeouts]\nConnectMs=soon\nReplyMs=99999999\n"));
    EXPECT_EQ(settings.ConnectMs(), LinkSettings::kDefaultConnectMs);
    EXPECT_EQ(settings.ReplyMs(), LinkSettings::kMaxTimeoutMs);
}
