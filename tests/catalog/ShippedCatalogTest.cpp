// Checks the catalogs that ship with the program: every message the program looks up is
// there in both languages, inserts sit where callers fill them, and the files parse clean.

#include "catalog/CatalogFile.h"
#include "catalog/MessageCatalog.h"
#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane {
namespace {

struct MessageKey {
    int set;
    int number;
};

std::vector<MessageKey> RequiredMessages() {
    std::vector<MessageKey> keys;
    // Numbered captions of windows, dialogs and menus.
    for (int n = 1; n <= 30; ++n)
        keys.push_back({11, n});
    for (int n : {49, 50, 51, 54, 55, 56, 57, 58, 59, 61, 62, 63, 64, 65, 66, 70, 71, 72})
        keys.push_back({11, n});
    // Looked up directly by the code: list texts and headers, tabs, title, tooltips,
    // application title, exit question, system menu entry.
    for (int n : {31, 32, 33, 34, 39, 40, 41, 52, 53, 42, 43, 44, 45, 46, 47, 48, 60})
        keys.push_back({11, n});
    // The advanced-adjustment dialog and orvanectl adjust.
    for (int n = 100; n <= 158; ++n) {
        if (n != 139)
            keys.push_back({11, n});
    }
    for (int n = 3000; n <= 3004; ++n)
        keys.push_back({2201, n});
    // The login, the user administration, the discovery dialog and the message boxes' buttons.
    for (int n = 300; n <= 320; ++n)
        keys.push_back({11, n});
    for (int n : {330, 331, 332, 333, 334, 340, 341})
        keys.push_back({11, n});
    for (int n = 1010; n <= 1020; ++n)
        keys.push_back({2201, n});
    for (int n : {1200, 1201})
        keys.push_back({2201, n});
    // The web remote's page.
    for (int n = 500; n <= 539; ++n)
        keys.push_back({11, n});
    for (int n = 4000; n <= 4005; ++n)
        keys.push_back({2201, n});
    // Connection page checks, login, configuration file write failure, file read failure.
    for (int n : {8, 9, 85, 86, 1000, 1001, 1100, 3300})
        keys.push_back({2201, n});
    // Projector commands.
    for (int n : {27, 87, 88, 89, 90, 91, 92, 93, 94, 209, 210, 211})
        keys.push_back({2201, n});
    // Input-source commands.
    for (int n : {213,  226,  212,  224,  223,  225,  2012, 219,  221,  220,  217,  218, 2000, 2013,
                  216,  313,  2010, 2011, 2014, 2015, 2007, 222,  2008, 2009, 215,  214, 2001, 2002,
                  2021, 2016, 2017, 2018, 2019, 2020, 2023, 2022, 2003, 2004, 2005, 2006})
        keys.push_back({2201, n});
    return keys;
}

// Texts that name one projector; the program appends "(address)" right after them.
std::vector<int> ProjectorMessages() {
    std::vector<int> numbers{27, 87, 88, 89, 90, 91, 92, 93, 94, 209, 210, 211};
    for (int n = 212; n <= 226; ++n)
        numbers.push_back(n);
    numbers.push_back(313);
    for (int n = 2000; n <= 2023; ++n)
        numbers.push_back(n);
    return numbers;
}

std::string SourceFile(const char* name) {
    return std::string(ORVANE_SOURCE_DIR) + "/res/" + name;
}

std::string Describe(const MessageKey& key, int language) {
    return "(" + std::to_string(key.set) + ", " + std::to_string(key.number) + ") under " + std::to_string(language);
}

class ShippedCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(english.Load(SourceFile(kDefaultCatalogFile)), 0);
        ASSERT_EQ(chinese.Load(SourceFile(kChineseCatalogFile)), 0);
    }

    CatalogFile english;
    CatalogFile chinese;
};

TEST_F(ShippedCatalogTest, FilesParseWithoutProblems) {
    for (const CatalogFile* file : {&english, &chinese})
        for (const CatalogProblem& p : file->Problems())
            ADD_FAILURE() << "line " << p.line << ": " << p.reason;
}

TEST_F(ShippedCatalogTest, EveryRequiredMessageIsPresentInBothCatalogs) {
    for (const MessageKey& key : RequiredMessages()) {
        EXPECT_NE(english.Find(1033, key.set, key.number), nullptr) << "txtdef " << Describe(key, 1033);
        EXPECT_NE(chinese.Find(1033, key.set, key.number), nullptr) << "txtzhs " << Describe(key, 1033);
        EXPECT_NE(chinese.Find(2052, key.set, key.number), nullptr) << "txtzhs " << Describe(key, 2052);
    }
}

TEST_F(ShippedCatalogTest, ChineseCatalogHasTheSameTextUnderBothLanguages) {
    for (const MessageKey& key : RequiredMessages()) {
        const std::string* a = chinese.Find(2052, key.set, key.number);
        const std::string* b = chinese.Find(1033, key.set, key.number);
        if (a != nullptr && b != nullptr) {
            EXPECT_EQ(*a, *b) << Describe(key, 1033);
        }
    }
    EXPECT_EQ(chinese.Size() % 2, 0u);
}

TEST_F(ShippedCatalogTest, InsertsAppearWhereCallersFillThem) {
    struct Insert {
        MessageKey key;
        bool hasInsert;
    };
    const Insert inserts[] = {{{11, 42}, true},     {{11, 31}, true},     {{2201, 1100}, true}, {{11, 47}, false},
                              {{11, 48}, false},    {{2201, 211}, false}, {{11, 317}, true},    {{11, 318}, true},
                              {{11, 319}, true},    {{11, 320}, true},    {{11, 334}, true},    {{2201, 1012}, true},
                              {{2201, 1013}, true}, {{2201, 1200}, true}, {{2201, 1201}, true}, {{11, 304}, false},
                              {{2201, 1010}, false}};
    for (const Insert& insert : inserts)
        for (const auto& [file, language] : {std::pair{&english, 1033}, {&chinese, 1033}, {&chinese, 2052}}) {
            const std::string* text = file->Find(language, insert.key.set, insert.key.number);
            ASSERT_NE(text, nullptr) << Describe(insert.key, language);
            EXPECT_EQ(text->find("%1") != std::string::npos, insert.hasInsert) << Describe(insert.key, language);
            EXPECT_EQ(text->find("%2"), std::string::npos) << Describe(insert.key, language);
        }
}

TEST_F(ShippedCatalogTest, ProjectorMessagesEndInTextForTheAppendedAddress) {
    for (int n : ProjectorMessages())
        for (const auto& [file, language] : {std::pair{&english, 1033}, {&chinese, 2052}}) {
            const std::string* text = file->Find(language, 2201, n);
            ASSERT_NE(text, nullptr) << n;
            ASSERT_GE(text->size(), 3u);
            char last = (*text)[text->size() - 3]; // before the CR LF
            EXPECT_TRUE(last != ' ' && last != '.' && last != '\t') << "2201." << n << ": " << *text;
        }
}

TEST_F(ShippedCatalogTest, EnglishTextsFollowTheResourceDefaults) {
    const std::pair<int, const char*> defaults[] = {
        {1, "Select Projector"}, {2, "Configuration"},   {5, "NETWORK"}, {6, "Port No "}, {16, "Power On"},
        {17, "Power Off"},       {28, "Always on top "}, {29, "up"},     {30, "down"},    {54, "&Hide"},
        {57, "&Show"},           {61, "C&onfig"},        {70, "Cancel"}, {71, "OK"},
    };
    for (const auto& [number, text] : defaults) {
        const std::string* found = english.Find(1033, 11, number);
        ASSERT_NE(found, nullptr) << number;
        EXPECT_EQ(*found, std::string(text) + "\r\n") << number;
    }
    const std::pair<int, const char*> connection[] = {{86, "Projector Count Over !!"},
                                                      {9, "An IP Address is not specified."},
                                                      {8, "An Port number is not specified."},
                                                      {85, "The port number is illegal."}};
    for (const auto& [number, text] : connection)
        EXPECT_EQ(*english.Find(1033, 2201, number), std::string(text) + "\r\n") << number;
}

TEST_F(ShippedCatalogTest, ChineseTextsAreTranslated) {
    // Product names and technical input names may stay as they are; these may not.
    for (MessageKey key : {MessageKey{11, 2}, MessageKey{11, 16}, MessageKey{11, 48}, MessageKey{11, 71},
                           MessageKey{2201, 86}, MessageKey{2201, 211}, MessageKey{2201, 2010}, MessageKey{11, 300},
                           MessageKey{11, 330}, MessageKey{11, 340}, MessageKey{2201, 1010}}) {
        const std::string* zh = chinese.Find(2052, key.set, key.number);
        const std::string* en = english.Find(1033, key.set, key.number);
        ASSERT_NE(zh, nullptr);
        ASSERT_NE(en, nullptr);
        EXPECT_NE(*zh, *en) << Describe(key, 2052);
        bool nonAscii = false;
        for (char c : *zh)
            nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
        EXPECT_TRUE(nonAscii) << Describe(key, 2052);
    }
}

// End to end: the shipped files as the program finds them.
class ShippedCatalogLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        setenv("LANG", "en_US.UTF-8", 1);
        CloseCatalog();
    }
    void TearDown() override {
        CloseCatalog();
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(ShippedCatalogLookupTest, TitleAndSlotMessagesFromTheRealCatalogs) {
    test::Sandbox box;
    std::string en;
    ASSERT_TRUE(ReadWholeFile(SourceFile(kDefaultCatalogFile), en, CatalogFile::kMaxFileSize).ok());
    box.Write(kDefaultCatalogFile, en);
    std::string zh;
    ASSERT_TRUE(ReadWholeFile(SourceFile(kChineseCatalogFile), zh, CatalogFile::kMaxFileSize).ok());
    box.Write(kChineseCatalogFile, zh);

    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(CatalogText(11, 42, "XJ-100"), "Orvane - XJ-100");
    EXPECT_EQ(CatalogText(11, 47), "Orvane");
    EXPECT_EQ(CatalogText(2201, 211), "Power On failed");
    CloseCatalog();

    box.Write(kMarkerChinese, "");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(CatalogText(11, 16), "开机");
    EXPECT_EQ(CatalogText(11, 31, "192.168.1.10"), "网络 (192.168.1.10)");
}

TEST_F(ShippedCatalogLookupTest, BuildPutsTheCatalogsBesideTheExecutables) {
    // No program directory override: the catalogs are found beside this test program.
    test::TempDir workDir;
    test::ScopedWorkDir work(workDir.path());
    ASSERT_EQ(OpenCatalog(), 0) << "no " << kDefaultCatalogFile << " in " << ProgramDir();
    EXPECT_EQ(CatalogText(11, 47), "Orvane");
    EXPECT_EQ(CatalogText(11, 71), "OK");
}

} // namespace
} // namespace orvane
