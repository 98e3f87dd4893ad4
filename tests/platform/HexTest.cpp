#include "platform/Hex.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(Hex, RoundTripsAndRefusesOddOrForeignText) {
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(FromHex("00ff7Fa0", bytes));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x00, 0xFF, 0x7F, 0xA0}));
    EXPECT_EQ(ToHex(bytes), "00ff7fa0");
    EXPECT_FALSE(FromHex("abc", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(FromHex("0g", bytes));
    EXPECT_TRUE(FromHex("", bytes));
}

} // namespace
} // namespace orvane
