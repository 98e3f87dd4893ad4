#include "config/ConnectionCheck.h"
#include "config/ChannelLabel.h"
#include "config/FoundList.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

TEST(ConnectionCheck, ChecksRunInOrder) {
    // No projector refuses before anything else is looked at, and silently.
    EXPECT_EQ(CheckConnectionFields(0, true, 0, ""), ConnectionCheck::NoProjectors);
    EXPECT_EQ(ConnectionCheckMessage(ConnectionCheck::NoProjectors), 0);
    // RS-232C: the network fields are not looked at.
    EXPECT_EQ(CheckConnectionFields(1, false, 0, "x"), ConnectionCheck::Ok);
    EXPECT_EQ(CheckConnectionFields(1, true, 3, ""), ConnectionCheck::NoAddress);
    EXPECT_EQ(CheckConnectionFields(1, true, 4, ""), ConnectionCheck::NoPort);
    EXPECT_EQ(CheckConnectionFields(1, true, 4, "23a"), ConnectionCheck::BadPort);
    EXPECT_EQ(CheckConnectionFields(2, true, 4, " +23"), ConnectionCheck::Ok);
    EXPECT_EQ(ConnectionCheckMessage(ConnectionCheck::NoAddress), 9);
    EXPECT_EQ(ConnectionCheckMessage(ConnectionCheck::NoPort), 8);
    EXPECT_EQ(ConnectionCheckMessage(ConnectionCheck::BadPort), 85);
}

TEST(ConnectionCheck, PortTextMustBeOneWholeNumber) {
    for (const char* good : {"23", "  9715", "-1", "+80", "0"})
        EXPECT_TRUE(IsWholeDecimalNumber(good)) << good;
    for (const char* bad : {"", " ", "+", "-", "23 ", "2 3", "0x17", "abc", "23a"})
        EXPECT_FALSE(IsWholeDecimalNumber(bad)) << bad;
    EXPECT_EQ(PortNumberOf("9715"), 9715);
    EXPECT_EQ(PortNumberOf("12ab"), 12);
    EXPECT_EQ(PortNumberOf("ab"), 0);
}

TEST(ConnectionCheck, DottedAddresses) {
    uint8_t b[4] = {9, 9, 9, 9};
    ASSERT_TRUE(ParseDottedIPv4("192.168.0.5", b));
    EXPECT_EQ(FormatDottedIPv4(b), "192.168.0.5");
    for (const char* bad : {"", "1.2.3", "256.1.1.1", "1.2.3.4.5", "a.b.c.d", " 1.2.3.4"}) {
        uint8_t keep[4] = {7, 7, 7, 7};
        EXPECT_FALSE(ParseDottedIPv4(bad, keep)) << bad;
        EXPECT_EQ(keep[0], 7) << bad;
    }
}

TEST(ConnectionCheck, FieldCutsNeverSplitACharacter) {
    // What the connection page stores into the record's 64-byte password field.
    auto cut = [](const std::string& text) {
        char field[CModelInfo2::kTextBytes];
        SetText(field, text);
        return std::string(field);
    };
    const std::string long64(64, 'p');
    EXPECT_EQ(cut(long64), std::string(63, 'p'));
    EXPECT_EQ(cut("short"), "short");
    // 62 ASCII bytes and a 3-byte character: the character does not fit and goes whole.
    const std::string mixed = std::string(62, 'a') + "\xE4\xB8\xAD";
    EXPECT_EQ(cut(mixed), std::string(62, 'a'));
}

TEST(ChannelLabel, LengthByIconSize) {
    EXPECT_EQ(LabelLengthForIconSize(0), 4);
    EXPECT_EQ(LabelLengthForIconSize(1), 6);
    EXPECT_EQ(LabelLengthForIconSize(2), 8);
    EXPECT_EQ(LabelLengthForIconSize(3), 4);
    EXPECT_EQ(LabelLengthForIconSize(-1), 4);
    EXPECT_EQ(CutLabel("HDMI-ONE", 4), "HDMI");
    EXPECT_EQ(CutLabel("HDMI-ONE", 8), "HDMI-ONE");
    EXPECT_EQ(CutLabel("AB", 6), "AB");
    // Three Chinese characters are 9 bytes: the field holds 8, so only two fit.
    EXPECT_EQ(CutLabel("\xE8\xA7\x86\xE9\xA2\x91\xE4\xB8\x80", 8), "\xE8\xA7\x86\xE9\xA2\x91");

    CModelInfo2 m;
    m.InputNum = 12;
    EXPECT_EQ(LabelRowCount(m), 10);
    m.InputNum = -1;
    EXPECT_EQ(LabelRowCount(m), 0);
}

TEST(FoundList, CopiesClampAndTerminate) {
    static FoundAddrArray addr, addr2;
    static FoundNameArray name, name2;
    static FoundInfoArray info, info2;
    ClearFoundList(addr, name, info);
    ClearFoundList(addr2, name2, info2);
    addr[0][0] = 192;
    addr[0][1] = 168;
    addr[0][3] = 5;
    std::memset(name[0], 'n', kFoundNameBytes); // no terminator in the source
    std::memset(info[0], 'i', kFoundInfoBytes);
    EXPECT_EQ(CopyFoundList(addr2, name2, info2, addr, name, info, 1), 1);
    EXPECT_EQ(std::string(name2[0]), std::string(kFoundNameBytes - 1, 'n'));
    EXPECT_EQ(std::string(info2[0]), std::string(kFoundInfoBytes - 1, 'i'));
    EXPECT_EQ(CopyFoundList(addr2, name2, info2, addr, name, info, 300), 256);
    EXPECT_EQ(CopyFoundList(addr2, name2, info2, addr, name, info, -4), 0);
    EXPECT_EQ(ClampFoundCount(257), 256);
    EXPECT_EQ(ClampFoundCount(-1), 0);

    EXPECT_EQ(PackFoundAddress(addr[0]), 0xC0A80005u);
    EXPECT_EQ(FormatPackedAddress(PackFoundAddress(addr[0])), "192.168.0.5");
}

} // namespace
} // namespace orvane
