#include "catalog/MessageCatalog.h"

#include "catalog/CatalogFile.h"

#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvane {
namespace {

// Sets the message locale through LC_ALL for the scope and puts all three variables
// back afterwards.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* lcAll) {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        if (lcAll != nullptr)
            setenv("LC_ALL", lcAll, 1);
    }
    ~ScopedLocale() {
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i])
                setenv(kNames[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

constexpr const char* kDefaultCatalog = "[1033]\n"
                                        "11.1 = def-en-1\n"
                                        "11.2 = def-en-2 %1 and %2\n"
                                        "2201.5 = abc\n"
                                        "2201.6 = line1\\nline2\n"
                                        "[2052]\n"
                                        "11.1 = def-zh-1\n";

constexpr const char* kChineseCatalog = "[2052]\n"
                                        "11.1 = 中文一\n"
                                        "11.3 = only-2052\n"
                                        "[1033]\n"
                                        "11.1 = zhs-en-1\n"
                                        "11.4 = zhs-en-4\n";

std::string Lookup(int set, int number) {
    char buffer[1024];
    GetCatalogText(set, number, sizeof buffer, buffer);
    return buffer;
}

class MessageCatalogTest : public ::testing::Test {
protected:
    void SetUp() override { CloseCatalog(); }
    void TearDown() override { CloseCatalog(); }

    void WriteBothCatalogs() const {
        box.Write(kDefaultCatalogFile, kDefaultCatalog);
        box.Write(kChineseCatalogFile, kChineseCatalog);
    }
    void Touch(const char* name) const { box.Write(name, ""); }
    void Remove(const char* name) const { std::remove(box.File(name).c_str()); }

    test::Sandbox box;
    ScopedLocale locale{"en_US.UTF-8"};
};

TEST_F(MessageCatalogTest, WithoutCatalogEveryLookupReadsNoMessageCatalog) {
    EXPECT_FALSE(IsCatalogOpen());
    EXPECT_EQ(Lookup(11, 47), "No Message Catalog");
    EXPECT_EQ(OpenCatalog(), -1);
    EXPECT_FALSE(IsCatalogOpen());
    EXPECT_EQ(Lookup(2201, 8), "No Message Catalog");
    EXPECT_EQ(CatalogText(11, 42, "model"), "No Message Catalog");
}

TEST_F(MessageCatalogTest, EnglishSystemLoadsTheDefaultCatalog) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_TRUE(IsCatalogOpen());
    EXPECT_EQ(Lookup(11, 1), "def-en-1");
    EXPECT_EQ(Lookup(11, 4), "No Message Catalog"); // only in the Chinese catalog
}

TEST_F(MessageCatalogTest, ChineseSystemLoadsTheChineseCatalogAndFallsBackTo1033) {
    WriteBothCatalogs();
    ScopedLocale chinese("zh_CN.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "中文一");
    EXPECT_EQ(Lookup(11, 3), "only-2052");
    EXPECT_EQ(Lookup(11, 4), "zhs-en-4");
    EXPECT_EQ(Lookup(11, 2), "No Message Catalog");
}

TEST_F(MessageCatalogTest, OtherSystemLanguagesFallBackTo1033) {
    WriteBothCatalogs();
    ScopedLocale german("de_DE.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "def-en-1");
}

TEST_F(MessageCatalogTest, GetschOnAnEnglishSystemLoadsTheChineseCatalogUnder1033) {
    WriteBothCatalogs();
    Touch(kMarkerChinese);
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "zhs-en-1");
    EXPECT_EQ(Lookup(11, 4), "zhs-en-4");
    EXPECT_EQ(Lookup(11, 3), "No Message Catalog");
}

TEST_F(MessageCatalogTest, GetschOnAChineseSystemStillEndsUnder1033) {
    WriteBothCatalogs();
    Touch(kMarkerChinese);
    ScopedLocale chinese("zh_CN.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    // Found under 2052 first, but the 1033 text is kept instead...
    EXPECT_EQ(Lookup(11, 1), "zhs-en-1");
    // ...and a text that exists under 2052 alone is not shown at all.
    EXPECT_EQ(Lookup(11, 3), "No Message Catalog");
}

TEST_F(MessageCatalogTest, GetengLooksUpUnder1033InWhicheverCatalogIsLoaded) {
    WriteBothCatalogs();
    ScopedLocale chinese("zh_CN.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "中文一");
    Touch(kMarkerEnglish);
    EXPECT_EQ(Lookup(11, 1), "zhs-en-1");
    EXPECT_EQ(Lookup(11, 3), "No Message Catalog");
    Remove(kMarkerEnglish);
    EXPECT_EQ(Lookup(11, 1), "中文一");
}

TEST_F(MessageCatalogTest, MarkerCreatedAfterOpeningChangesTheLanguageButNotTheCatalog) {
    WriteBothCatalogs();
    ScopedLocale chinese("zh_CN.UTF-8");
    Touch(kMarkerEnglish); // GETENG does not influence the choice of catalog
    ASSERT_EQ(OpenCatalog(), 0);
    Remove(kMarkerEnglish);
    EXPECT_EQ(Lookup(11, 3), "only-2052"); // the Chinese catalog was loaded

    CloseCatalog();
    ScopedLocale english("en_US.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    Touch(kMarkerChinese);
    EXPECT_EQ(Lookup(11, 1), "def-en-1"); // still the default catalog
    Remove(kMarkerChinese);
}

TEST_F(MessageCatalogTest, MissingChosenCatalogMeansNoCatalog) {
    box.Write(kDefaultCatalogFile, kDefaultCatalog);
    Touch(kMarkerChinese);
    EXPECT_EQ(OpenCatalog(), -1);
    EXPECT_EQ(Lookup(11, 1), "No Message Catalog");
}

TEST_F(MessageCatalogTest, SearchGoesProgramFolderExecutableWorkingDirectoryDataDirectory) {
    // The sandbox puts every directory back when it goes.
    test::TempDir programDir, executableDir, dataDir;
    SetProgramDir(programDir.path());
    SetInstallDirs(executableDir.path(), dataDir.path());
    dataDir.Write(kDefaultCatalogFile, "[1033]\n11.1 = from data dir\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "from data dir");

    box.Write(kDefaultCatalogFile, "[1033]\n11.1 = from working dir\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "from working dir");

    executableDir.Write(kDefaultCatalogFile, "[1033]\n11.1 = beside the executable\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "beside the executable");

    programDir.Write(kDefaultCatalogFile, "[1033]\n11.1 = from program dir\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "from program dir");
}

TEST_F(MessageCatalogTest, ReopeningReplacesAndClosingDropsTheCatalog) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    box.Write(kDefaultCatalogFile, "[1033]\n11.1 = changed\n");
    EXPECT_EQ(Lookup(11, 1), "def-en-1"); // loaded once, not read per lookup
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "changed");
    CloseCatalog();
    EXPECT_FALSE(IsCatalogOpen());
    EXPECT_EQ(Lookup(11, 1), "No Message Catalog");
    CloseCatalog(); // closing twice is harmless
}

TEST_F(MessageCatalogTest, ThreeLettersAndCrLfGiveTheThreeLetters) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(2201, 5), "abc");
    EXPECT_EQ(Lookup(2201, 6), "line1\nline2");
}

TEST_F(MessageCatalogTest, SetsAreSeparate) {
    box.Write(kDefaultCatalogFile, "[1033]\n11.8 = ui eight\n2201.8 = error eight\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 8), "ui eight");
    EXPECT_EQ(Lookup(2201, 8), "error eight");
    EXPECT_EQ(Lookup(12, 8), "No Message Catalog");
    EXPECT_EQ(Lookup(11, -1), "No Message Catalog");
}

TEST_F(MessageCatalogTest, BufferIsCutAndAlwaysTerminated) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    GetCatalogText(11, 1, 4, buffer);
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(buffer[4], 'X');

    GetCatalogText(11, 1, 1, buffer);
    EXPECT_STREQ(buffer, "");

    std::memset(buffer, 'X', sizeof buffer);
    GetCatalogText(11, 1, 0, buffer);
    EXPECT_EQ(buffer[0], 'X');
    GetCatalogText(11, 1, 0, nullptr);

    GetCatalogText(11, 1, 9, buffer);
    EXPECT_STREQ(buffer, "def-en-1");

    GetCatalogText(11, 99, 3, buffer);
    EXPECT_STREQ(buffer, "No");
}

TEST_F(MessageCatalogTest, CutNeverSplitsAChineseCharacter) {
    WriteBothCatalogs();
    ScopedLocale chinese("zh_CN.UTF-8");
    ASSERT_EQ(OpenCatalog(), 0);
    char buffer[16];
    GetCatalogText(11, 1, 10, buffer);
    EXPECT_STREQ(buffer, "中文一");
    GetCatalogText(11, 1, 9, buffer);
    EXPECT_STREQ(buffer, "中文");
    GetCatalogText(11, 1, 7, buffer);
    EXPECT_STREQ(buffer, "中文");
    GetCatalogText(11, 1, 5, buffer);
    EXPECT_STREQ(buffer, "中");
    GetCatalogText(11, 1, 3, buffer);
    EXPECT_STREQ(buffer, "");
}

TEST_F(MessageCatalogTest, InsertsComeFromIntsAndStrings) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    const std::string model = "XJ-100";
    const char label[64] = "HDMI";
    char buffer[64];
    GetCatalogText(11, 2, sizeof buffer, buffer, model, 42);
    EXPECT_STREQ(buffer, "def-en-2 XJ-100 and 42");
    GetCatalogText(11, 2, sizeof buffer, buffer, label, std::string_view("sv"));
    EXPECT_STREQ(buffer, "def-en-2 HDMI and sv");
    GetCatalogText(11, 2, sizeof buffer, buffer, -7L, 9u);
    EXPECT_STREQ(buffer, "def-en-2 -7 and 9");

    std::vector<std::string> args{"v1", "v2"};
    GetCatalogText(11, 2, sizeof buffer, buffer, args);
    EXPECT_STREQ(buffer, "def-en-2 v1 and v2");
    EXPECT_EQ(CatalogText(11, 2, args), "def-en-2 v1 and v2");
}

TEST_F(MessageCatalogTest, InsertsWithoutArgumentsStayAsWritten) {
    WriteBothCatalogs();
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(CatalogText(11, 2), "def-en-2 %1 and %2");
    EXPECT_EQ(CatalogText(11, 2, "one"), "def-en-2 one and %2");
    EXPECT_EQ(CatalogText(11, 2, "a", "b", "c"), "def-en-2 a and b");
}

TEST_F(MessageCatalogTest, CatalogTextHasTheLimitOfA1024ByteBuffer) {
    box.Write(kDefaultCatalogFile, "[1033]\n11.1 = " + std::string(2000, 'x') + "\n11.2 = %1\n");
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(CatalogText(11, 1), std::string(1023, 'x'));
    // An insert can make a short text long.
    EXPECT_EQ(CatalogText(11, 2, std::string(1500, 'y')), std::string(1023, 'y'));
}

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_UNDER_ASAN 1
#endif
#endif

TEST_F(MessageCatalogTest, InsertsStopExpandingAtTheCut) {
#ifdef ORVANE_UNDER_ASAN
    GTEST_SKIP() << "the address sanitizer's shadow memory does not fit under an address-space limit";
#else
    // 600 KB of inserts with a 1000-character argument would expand to 300 MB.
    std::string inserts;
    for (int i = 0; i < 300000; ++i)
        inserts += "%1";
    box.Write(kDefaultCatalogFile, "[1033]\n11.1 = " + inserts + "\n");
    ASSERT_EQ(OpenCatalog(), 0);
    // In a child whose address space leaves 128 MB to spare, so that building the whole
    // expansion fails there instead of burdening the machine.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t spare = 128u * 1024u * 1024u;
        const rlimit limit{static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + spare,
                           RLIM_INFINITY};
        if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(3);
        _exit(CatalogText(11, 1, std::string(1000, 'a')) == std::string(1023, 'a') ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the lookup died, signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

TEST_F(MessageCatalogTest, MalformedCatalogStillLoadsItsGoodLines) {
    std::string content =
        "\x01\x02garbage\xFF\n[nonsense]\n11.1 = lost\n[1033]\nno equals\n11.2 = " + std::string(10000, 'z') +
        "\n11.3 = good\n";
    box.Write(kDefaultCatalogFile, content);
    ASSERT_EQ(OpenCatalog(), 0);
    EXPECT_EQ(Lookup(11, 1), "No Message Catalog");
    EXPECT_EQ(Lookup(11, 2), std::string(1023, 'z'));
    EXPECT_EQ(Lookup(11, 3), "good");

    std::string binary;
    for (int i = 0; i < 8192; ++i)
        binary += static_cast<char>((i * 37) & 0xFF);
    box.Write(kDefaultCatalogFile, binary);
    EXPECT_EQ(OpenCatalog(), 0); // readable, so loaded, but it holds no text
    EXPECT_EQ(Lookup(11, 3), "No Message Catalog");
}

TEST_F(MessageCatalogTest, LookupsFromTwoThreadsWhileTheCatalogChanges) {
    WriteBothCatalogs();
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    auto reader = [&] {
        while (!stop.load()) {
            std::string text = CatalogText(11, 2, "x", 1);
            if (text != "def-en-2 x and 1" && text != "No Message Catalog")
                ++wrong;
        }
    };
    std::thread a(reader);
    std::thread b(reader);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(OpenCatalog(), 0);
        CloseCatalog();
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(MessageCatalogTest, SystemDefaultLanguageReadsLcAllThenLcMessagesThenLang) {
    {
        ScopedLocale none(nullptr);
        EXPECT_EQ(SystemDefaultLanguage(), 1033);
        setenv("LANG", "zh_CN.UTF-8", 1);
        EXPECT_EQ(SystemDefaultLanguage(), 2052);
        setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
        EXPECT_EQ(SystemDefaultLanguage(), 1031);
        setenv("LC_ALL", "ja_JP.UTF-8", 1);
        EXPECT_EQ(SystemDefaultLanguage(), 1041);
        setenv("LC_ALL", "", 1); // empty counts as unset
        EXPECT_EQ(SystemDefaultLanguage(), 1031);
        setenv("LC_MESSAGES", "", 1);
        EXPECT_EQ(SystemDefaultLanguage(), 2052);
        setenv("LANG", "C", 1);
        EXPECT_EQ(SystemDefaultLanguage(), 1033);
    }
    EXPECT_EQ(SystemDefaultLanguage(), 1033); // the fixture's locale is back
}

TEST(CatalogTextIn, TheChosenLanguageThen1033ThenNoMessageCatalog) {
    CatalogFile catalog;
    catalog.Parse("[2052]\n11.1 = yi\n[1033]\n11.1 = one\n11.2 = two %1\n");
    struct Case {
        const CatalogFile* file;
        int language;
        int number;
        const char* text;
    };
    const Case cases[] = {
        {&catalog, 2052, 1, "yi"},
        {&catalog, 1033, 1, "one"},
        {&catalog, 2052, 2, "two %1"},
        {&catalog, 1031, 2, "two %1"},
        {&catalog, 2052, 3, "No Message Catalog"},
        {nullptr, 1033, 1, "No Message Catalog"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CatalogTextIn(c.file, c.language, 11, c.number), c.text) << c.language << " " << c.number;
    const std::string insert[] = {"x"};
    EXPECT_EQ(CatalogTextIn(&catalog, 1033, 11, 2, insert), "two x");
}

} // namespace
} // namespace orvane
