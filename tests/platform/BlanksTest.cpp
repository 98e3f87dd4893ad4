#include "platform/Blanks.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(TrimBlanks, DropsSpacesAndTabsAroundOnly) {
    struct Case {
        std::string_view text;
        std::string_view trimmed;
    } cases[] = {
        {"", ""},
        {" \t \t", ""},
        {"key", "key"},
        {" \tkey = value\t ", "key = value"},
        {"a \t b", "a \t b"},           // blanks inside stay
        {"value\r", "value\r"},         // a line's end is the reader's to drop
        {"\v\fvalue\n", "\v\fvalue\n"}, // other white space is no blank
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << '"' << c.text << '"';
}

} // namespace
} // namespace orvane
