#include "catalog/MessageFormat.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace orvane {
namespace {

std::string Format(std::string_view text, std::vector<std::string> args = {}) {
    return FormatCatalogMessage(text, args);
}

TEST(FormatCatalogMessage, FillsInsertsFromTheArguments) {
    EXPECT_EQ(Format("Orvane - %1\r\n", {"XJ-100"}), "Orvane - XJ-100\r\n");
    EXPECT_EQ(Format("%2 before %1", {"a", "b"}), "b before a");
    EXPECT_EQ(Format("%1%1", {"x"}), "xx");
    EXPECT_EQ(Format("no inserts", {"unused"}), "no inserts");
}

TEST(FormatCatalogMessage, InsertsWithoutArgumentStayAsWritten) {
    EXPECT_EQ(Format("%1 and %2"), "%1 and %2");
    EXPECT_EQ(Format("%1 and %2", {"one"}), "one and %2");
    EXPECT_EQ(Format("%99", {"a"}), "%99");
    EXPECT_EQ(Format("%3!d! left", {"a"}), "%3!d! left");
}

TEST(FormatCatalogMessage, InsertNumbersHaveOneOrTwoDigits) {
    std::vector<std::string> ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back("a" + std::to_string(i));
    EXPECT_EQ(Format("%10", ten), "a10");
    EXPECT_EQ(Format("%100", ten), "a100"); // insert 10, then the digit 0
    EXPECT_EQ(Format("%10", {"only"}), "%10");
}

TEST(FormatCatalogMessage, FormatTagsOfInsertsAreSkipped) {
    EXPECT_EQ(Format("port %1!d!.", {"23"}), "port 23.");
    EXPECT_EQ(Format("%1!s!%2!u!", {"a", "7"}), "a7");
    // Without its closing mark the tag is ordinary text.
    EXPECT_EQ(Format("%1!d", {"5"}), "5!d");
}

TEST(FormatCatalogMessage, EscapeSequences) {
    EXPECT_EQ(Format("100%% sure"), "100% sure");
    EXPECT_EQ(Format("a%nb"), "a\r\nb");
    EXPECT_EQ(Format("a%tb%rc"), "a\tb\rc");
    EXPECT_EQ(Format("%.%!% "), ".! ");
    EXPECT_EQ(Format("kept%0gone\r\n"), "kept");
}

TEST(FormatCatalogMessage, StrayPercentSignsAreKept) {
    EXPECT_EQ(Format("50%"), "50%");
    EXPECT_EQ(Format("%x and %"), "%x and %");
    EXPECT_EQ(Format("%%1", {"a"}), "%1");
}

TEST(FormatCatalogMessage, ArgumentsAreNotExpandedAgain) {
    EXPECT_EQ(Format("%1", {"%2 %%"}), "%2 %%");
    EXPECT_EQ(Format("[%1]", {""}), "[]");
}

TEST(CutUtf8, KeepsShortTextsAndCutsAscii) {
    EXPECT_EQ(CutUtf8("abc", 10), "abc");
    EXPECT_EQ(CutUtf8("abc", 3), "abc");
    EXPECT_EQ(CutUtf8("abcdef", 4), "abcd");
    EXPECT_EQ(CutUtf8("abc", 0), "");
}

TEST(CutUtf8, NeverCutsInsideACharacter) {
    const std::string chinese = "开机失败"; // four characters of three bytes
    ASSERT_EQ(chinese.size(), 12u);
    EXPECT_EQ(CutUtf8(chinese, 12), chinese);
    EXPECT_EQ(CutUtf8(chinese, 11), "开机失");
    EXPECT_EQ(CutUtf8(chinese, 10), "开机失");
    EXPECT_EQ(CutUtf8(chinese, 9), "开机失");
    EXPECT_EQ(CutUtf8(chinese, 8), "开机");
    EXPECT_EQ(CutUtf8(chinese, 2), "");
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");         // two-byte é
    EXPECT_EQ(CutUtf8("a\xF0\x9F\x93\xBD", 4), "a"); // four-byte character
    EXPECT_EQ(CutUtf8("a\xF0\x9F\x93\xBD", 5), "a\xF0\x9F\x93\xBD");
}

TEST(CutUtf8, DropsAnUnfinishedCharacterAtTheEnd) {
    EXPECT_EQ(CutUtf8("ab\xE5\xBC", 10), "ab");
    EXPECT_EQ(CutUtf8("ab\xE5", 10), "ab");
}

TEST(CutUtf8, LeavesBytesThatAreNotUtf8Alone) {
    EXPECT_EQ(CutUtf8("ab\xFF\xFE", 3), "ab\xFF");
    EXPECT_EQ(CutUtf8("\x80\x80\x80\x80\x80", 4), "\x80\x80\x80\x80");
}

} // namespace
} // namespace orvane
