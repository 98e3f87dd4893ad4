#include "model/ModelInfo2.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

TEST(FieldText, StopsAtTheTerminatorOrTheFieldsEnd) {
    struct Case {
        const char* bytes; // exactly four bytes are copied into the field
        const char* text;
    } cases[] = {
        {"ab\0d", "ab"},
        {"\0bcd", ""},
        {"abc\0", "abc"},
        {"abcd", "abcd"}, // a damaged record without the terminator stops at the field's end
    };
    for (const Case& c : cases) {
        char field[4];
        std::memcpy(field, c.bytes, sizeof field);
        EXPECT_EQ(FieldText(field), c.text) << c.text;
    }
}

} // namespace
} // namespace orvane
