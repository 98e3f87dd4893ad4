#include "catalog/NumberedCaption.h"
#include "catalog/SlotError.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace orvane {
namespace {

bool Numbered(std::string_view caption, int& number) {
    number = -12345;
    return ParseNumberedCaption(caption, number);
}

TEST(ParseNumberedCaption, NumberedCaptions) {
    struct Case {
        const char* caption;
        int number;
    };
    const Case cases[] = {
        {"16;Power On", 16},
        {"5;NETWORK", 5},
        {"71;OK", 71},
        {"6;Port No ", 6},
        {"  29;up", 29},
        {"\t30;down", 30},
        {"+3;Model", 3},
        {"-4;x", -4},
        {"12; Password", 12},
        {"007;Bond", 7},
        {"64;Edit CH Label", 64},
        {"1;;", 1},
        {"2;\n x", 2},
        {"2147483647;max", INT_MAX},
        {"-2147483648;min", INT_MIN},
    };
    for (const Case& c : cases) {
        int number = 0;
        EXPECT_TRUE(Numbered(c.caption, number)) << c.caption;
        EXPECT_EQ(number, c.number) << c.caption;
    }
}

TEST(ParseNumberedCaption, CaptionsThatStayAsTheyAre) {
    for (const char* caption :
         {"24x24", "RS-232C", "12;", "12; ", "12;\t\n", "", ";text", "Power On", "16 ;Power On", "16,Power On", "+;x",
          "- 4;x", "2147483648;too big", "99999999999999999999;x", "36x36", "COM1"}) {
        int number = 0;
        EXPECT_FALSE(Numbered(caption, number)) << '"' << caption << '"';
        EXPECT_EQ(number, -12345) << "number touched for " << caption;
    }
}

TEST(FormatSlotError, NetworkSlotAppendsTheAddressWithoutABlank) {
    EXPECT_EQ(FormatSlotError("Volume up failed", 1, "192.168.1.10", 0), "Volume up failed(192.168.1.10)");
    EXPECT_EQ(FormatSlotError("开机失败", 1, "10.0.0.1", 7), "开机失败(10.0.0.1)");
    EXPECT_EQ(FormatSlotError("x", 1, "", 0), "x()");
}

TEST(FormatSlotError, SerialSlotShowsTheOneBasedComPort) {
    EXPECT_EQ(FormatSlotError("Power On failed", 0, "192.168.1.10", 0), "Power On failed(com1)");
    EXPECT_EQ(FormatSlotError("Power On failed", 0, "", 255), "Power On failed(com256)");
    // Only method 1 is the network.
    EXPECT_EQ(FormatSlotError("t", 2, "1.2.3.4", 3), "t(com4)");
    EXPECT_EQ(FormatSlotError("t", -1, "1.2.3.4", -1), "t(com0)");
    EXPECT_EQ(FormatSlotError("t", 0, "", INT_MAX), "t(com2147483648)");
}

TEST(FormatSlotError, MessageIsCutAt1099Bytes) {
    std::string longText(1200, 'a');
    EXPECT_EQ(FormatSlotError(longText, 0, "", 0), std::string(1099, 'a'));
    std::string fits(1093, 'b');
    EXPECT_EQ(FormatSlotError(fits, 0, "", 0), fits + "(com1)");
    EXPECT_EQ(FormatSlotError(fits, 0, "", 9), (fits + "(com10").substr(0, 1099));

    // 367 three-byte characters are 1101 bytes: the cut at 1099 falls inside the last one,
    // which goes whole.
    std::string chinese;
    for (int i = 0; i < 367; ++i)
        chinese += "败";
    std::string cut = FormatSlotError(chinese, 1, "1.2.3.4", 0);
    EXPECT_EQ(cut.size(), 1098u);
    EXPECT_EQ(cut, chinese.substr(0, 1098));
}

} // namespace
} // namespace orvane
