#include "catalog/CatalogFile.h"

#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

using namespace std::string_literals;

std::string TextOf(const CatalogFile& file, int language, int set, int number) {
    const std::string* text = file.Find(language, set, number);
    return text != nullptr ? *text : std::string("<missing>");
}

TEST(CatalogFileMessageId, IsTheMessageTableIdOfSetAndNumber) {
    EXPECT_EQ(CatalogFile::MessageId(11, 0), 0x010B0000u);
    EXPECT_EQ(CatalogFile::MessageId(11, 42), 0x010B002Au);
    EXPECT_EQ(CatalogFile::MessageId(2201, 8), 0x09990008u);
    EXPECT_EQ(CatalogFile::MessageId(2201, 65535), 0x0999FFFFu);
}

TEST(CatalogFileParse, ReadsEntriesPerLanguageAndAppendsCrLf) {
    CatalogFile file;
    file.Parse("# comment\n"
               "[1033]\n"
               "11.42 = Orvane - %1\n"
               "  2201.8=No port   \n"
               "\n"
               "[2052]\n"
               "11.42 = 中文 %1\n");
    EXPECT_TRUE(file.Problems().empty());
    EXPECT_EQ(file.Size(), 3u);
    EXPECT_EQ(TextOf(file, 1033, 11, 42), "Orvane - %1\r\n");
    EXPECT_EQ(TextOf(file, 1033, 2201, 8), "No port\r\n");
    EXPECT_EQ(TextOf(file, 2052, 11, 42), "中文 %1\r\n");
    // Languages and sets do not leak into each other.
    EXPECT_EQ(file.Find(2052, 2201, 8), nullptr);
    EXPECT_EQ(file.Find(1033, 2201, 42), nullptr);
    EXPECT_EQ(file.Find(1031, 11, 42), nullptr);
}

TEST(CatalogFileParse, EscapesQuotesAndBlanks) {
    CatalogFile file;
    file.Parse("[1033]\n"
               "11.1 = two\\nlines\\tand a tab \\\\ backslash\n"
               "11.2 = \"Port No \"\n"
               "11.3 = \"\"quoted\"\"\n"
               "11.4 = say \\\"hi\\\"\n"
               "11.5 =\n"
               "11.6 = a # is text here\n"
               "11.7 = \"\n");
    EXPECT_TRUE(file.Problems().empty());
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "two\nlines\tand a tab \\ backslash\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 2), "Port No \r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 3), "\"quoted\"\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 4), "say \"hi\"\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 5), "\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 6), "a # is text here\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 7), "\"\r\n");
}

TEST(CatalogFileParse, AcceptsCrLfLinesAndAByteOrderMark) {
    CatalogFile file;
    file.Parse("\xEF\xBB\xBF[1033]\r\n11.1 = one\r\n11.2 = two");
    EXPECT_TRUE(file.Problems().empty());
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "one\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 2), "two\r\n");
}

TEST(CatalogFileParse, FirstOfTwoEqualEntriesCountsAndTheSecondIsReported) {
    CatalogFile file;
    file.Parse("[1033]\n11.1 = first\n11.1 = second\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "first\r\n");
    ASSERT_EQ(file.Problems().size(), 1u);
    EXPECT_EQ(file.Problems()[0].line, 3);
}

TEST(CatalogFileParse, ReportsBadLinesAndKeepsTheGoodOnes) {
    CatalogFile file;
    file.Parse("11.1 = before any section\n" // 1
               "[1033]\n"                    // 2
               "11.2 no equals sign\n"       // 3
               "11 = no dot\n"               // 4
               "x.1 = letters\n"             // 5
               "-1.1 = negative set\n"       // 6
               "11.65536 = number too big\n" // 7
               "65280.1 = set too big\n"     // 8
               "11.-3 = negative number\n"   // 9
               "11.3 = bad \\q escape\n"     // 10
               "11.4 = ends in \\\n"         // 11
               "11.5 = good\n"               // 12
               "65279.65535 = largest\n");   // 13
    EXPECT_EQ(TextOf(file, 1033, 11, 5), "good\r\n");
    EXPECT_EQ(TextOf(file, 1033, 65279, 65535), "largest\r\n");
    EXPECT_EQ(file.Size(), 2u);
    std::vector<int> lines;
    for (const CatalogProblem& p : file.Problems()) {
        lines.push_back(p.line);
        EXPECT_FALSE(p.reason.empty());
    }
    EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST(CatalogFileParse, EntriesUnderAnUnknownSectionAreDroppedUntilTheNextLanguage) {
    CatalogFile file;
    file.Parse("[1033]\n11.1 = kept\n"
               "[english]\n11.2 = dropped\n"
               "[0]\n11.3 = dropped\n"
               "[70000]\n11.4 = dropped\n"
               "[1033\n11.5 = dropped\n"
               "[ 2052 ]\n11.6 = chinese\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "kept\r\n");
    for (int n = 2; n <= 5; ++n)
        EXPECT_EQ(file.Find(1033, 11, n), nullptr) << n;
    EXPECT_EQ(TextOf(file, 2052, 11, 6), "chinese\r\n");
    EXPECT_EQ(file.Problems().size(), 8u); // four bad sections, four orphaned entries
}

TEST(CatalogFileParse, GarbageBytesAreReportedWithoutHarmingTheRest) {
    std::string content = "[1033]\n11.1 = before\n";
    for (int i = 0; i < 4096; ++i)
        content += static_cast<char>((i * 131 + 7) % 256);
    content += "\n11.2 = bad \xFF\xFE byte\n";
    content += "11.3 = overlong \xC0\xAF slash\n";
    content += "11.4 = nul \0 inside\n"s;
    content += std::string("11.5 = cut \xE4\xB8") + "\n";
    content += "11.6 = after\n";
    CatalogFile file;
    file.Parse(content);
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "before\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 6), "after\r\n");
    for (int n = 2; n <= 5; ++n)
        EXPECT_EQ(file.Find(1033, 11, n), nullptr) << n;
    EXPECT_FALSE(file.Problems().empty());
}

TEST(CatalogFileParse, HugeLinesAreReadWhole) {
    std::string longText(10000, 'x');
    std::string noEquals(10000, 'y');
    CatalogFile file;
    file.Parse("[1033]\n11.1 = " + longText + "\n" + noEquals + "\n11.2 = next\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 1), longText + "\r\n");
    EXPECT_EQ(TextOf(file, 1033, 11, 2), "next\r\n");
    ASSERT_EQ(file.Problems().size(), 1u);
    EXPECT_EQ(file.Problems()[0].line, 3);
}

TEST(CatalogFileParse, ProblemListStaysBounded) {
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += "junk\n";
    CatalogFile file;
    file.Parse(content);
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_LE(file.Problems().size(), 1000u);
    EXPECT_GE(file.Problems().size(), 100u);
}

TEST(CatalogFileParse, ParsingAgainReplacesTheContent) {
    CatalogFile file;
    file.Parse("[1033]\n11.1 = one\nbad\n");
    file.Parse("[1033]\n11.2 = two\n");
    EXPECT_EQ(file.Find(1033, 11, 1), nullptr);
    EXPECT_EQ(TextOf(file, 1033, 11, 2), "two\r\n");
    EXPECT_TRUE(file.Problems().empty());
}

TEST(CatalogFileLoad, ReadsAFileAndRefusesMissingOrOversizedOnes) {
    test::TempDir dir;
    dir.Write("ok.cat", "[1033]\n11.1 = from file\n");
    CatalogFile file;
    ASSERT_EQ(file.Load(dir.File("ok.cat")), 0);
    EXPECT_EQ(TextOf(file, 1033, 11, 1), "from file\r\n");

    EXPECT_EQ(file.Load(dir.File("missing.cat")), -1);
    EXPECT_EQ(file.Size(), 0u);

    ASSERT_EQ(mkdir(dir.File("dir.cat").c_str(), 0755), 0);
    EXPECT_EQ(file.Load(dir.File("dir.cat")), -1);

    // A sparse file: large by its size, cheap on disk.
    int fd = open(dir.File("huge.cat").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(CatalogFile::kMaxFileSize) + 1), 0);
    close(fd);
    EXPECT_EQ(file.Load(dir.File("huge.cat")), -1);
}

} // namespace
} // namespace orvane
