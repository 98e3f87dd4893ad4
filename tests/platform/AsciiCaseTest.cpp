#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(LowerAscii, LowersAsciiLettersAndKeepsEveryOtherByte) {
    struct Case {
        std::string_view text;
        std::string_view lowered;
    } cases[] = {
        {"", ""},
        {"Zh-Hans_CN", "zh-hans_cn"},
        {"@[`{AZaz09", "@[`{azaz09"},                       // the neighbours of the letter ranges stay
        {"\xC3\x84rger \xC3\x9C", "\xC3\x84rger \xC3\x9C"}, // UTF-8 bytes stay, whatever the locale
    };
    for (const Case& c : cases)
        EXPECT_EQ(LowerAscii(c.text), c.lowered) << c.text;
}

} // namespace
} // namespace orvane
