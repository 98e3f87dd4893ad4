#include "accounts/UserStore.h"

#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace accounts {
namespace {

constexpr const char* kKnownLine =
    "anna:00112233445566778899aabbccddeeff:100000:349385d8369097aac69c91b9cf79c08cc236bd0eea62faca19643b117ca1f56e";

// The four fields of a record line, or none when there are not exactly four.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, ':');)
        fields.push_back(f);
    return fields.size() == 4 ? fields : std::vector<std::string>{};
}

bool IsLowerHex(const std::string& text, std::size_t length) {
    return text.size() == length && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

class UserStoreTest : public ::testing::Test {
protected:
    std::string Path() const { return dir_.File(kUserFileName); }
    std::string Text() const { return dir_.Read(kUserFileName); }
    std::vector<std::string> RecordLines() const {
        std::vector<std::string> lines;
        std::istringstream in(Text());
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line[0] != '#')
                lines.push_back(line);
        }
        return lines;
    }
    mode_t Mode() const {
        struct stat st {};
        stat(Path().c_str(), &st);
        return st.st_mode & 07777;
    }

    orvane::test::TempDir dir_;
};

TEST_F(UserStoreTest, AMissingFileIsAnEmptyList) {
    UserStore store(Path());
    EXPECT_EQ(store.Load(), kStoreOk);
    EXPECT_TRUE(store.Loaded());
    EXPECT_TRUE(store.Empty());
    EXPECT_FALSE(store.Verify("anna", "x"));
    EXPECT_FALSE(orvane::FileExists(Path())); // reading never creates the file
}

TEST_F(UserStoreTest, UsersAreStoredAsSaltedDigestsInAPrivateFile) {
    ::mode_t old = umask(0); // the mode must not depend on the caller's umask
    UserStore store(Path());
    ASSERT_EQ(store.Add("anna", "Tr0ub4dor&3"), kStoreOk);
    ASSERT_EQ(store.Add("bert", "Tr0ub4dor&3"), kStoreOk);
    umask(old);

    EXPECT_EQ(Mode(), 0600u);
    const std::string text = Text();
    EXPECT_EQ(text.find("Tr0ub4dor"), std::string::npos);

    std::vector<std::string> lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    std::vector<std::string> a = Fields(lines[0]), b = Fields(lines[1]);
    ASSERT_EQ(a.size(), 4u) << lines[0];
    ASSERT_EQ(b.size(), 4u) << lines[1];
    EXPECT_EQ(a[0], "anna");
    EXPECT_EQ(b[0], "bert");
    EXPECT_TRUE(IsLowerHex(a[1], 32)) << a[1]; // 16 bytes of salt
    EXPECT_TRUE(IsLowerHex(a[3], 64)) << a[3]; // 32 bytes of SHA-256
    ASSERT_FALSE(a[2].empty());
    EXPECT_EQ(a[2].find_first_not_of("0123456789"), std::string::npos);
    EXPECT_GE(std::stoi(a[2]), 100000);
    EXPECT_NE(a[1], b[1]); // own salts
    EXPECT_NE(a[3], b[3]); // so the same password gives different digests

    // Another store object (another program) sees them.
    UserStore other(Path());
    ASSERT_EQ(other.Load(), kStoreOk);
    EXPECT_EQ(other.Names(), (std::vector<std::string>{"anna", "bert"}));
    EXPECT_TRUE(other.Verify("anna", "Tr0ub4dor&3"));
    EXPECT_FALSE(other.Verify("anna", "tr0ub4dor&3"));
    EXPECT_FALSE(other.Verify("anna", "Tr0ub4dor&"));
    EXPECT_FALSE(other.Verify("anna", ""));
    EXPECT_FALSE(other.Verify("Anna", "Tr0ub4dor&3"));
    EXPECT_FALSE(other.Verify("carl", "Tr0ub4dor&3"));
}

TEST_F(UserStoreTest, AReplacedFileKeepsItsPrivateMode) {
    dir_.Write(kUserFileName, std::string(kKnownLine) + "\n");
    chmod(Path().c_str(), 0644);
    UserStore store(Path());
    ASSERT_EQ(store.Add("bert", "pw"), kStoreOk);
    EXPECT_EQ(Mode(), 0600u);
}

TEST_F(UserStoreTest, RefusedChangesLeaveTheFileAlone) {
    dir_.Write(kUserFileName, std::string(kKnownLine) + "\n");
    const std::string before = Text();
    UserStore store(Path());
    EXPECT_EQ(store.Add("anna", "other"), kStoreExists);
    EXPECT_EQ(store.Add("an:na", "pw"), kStoreBadName);
    EXPECT_EQ(store.Add("", "pw"), kStoreBadName);
    EXPECT_EQ(store.Add("carl", ""), kStoreBadPassword);
    EXPECT_EQ(store.ChangePassword("carl", "pw"), kStoreNotFound);
    EXPECT_EQ(store.ChangePassword("anna", ""), kStoreBadPassword);
    EXPECT_EQ(store.Remove("carl"), kStoreNotFound);
    EXPECT_EQ(store.Remove("anna"), kStoreLastUser);
    EXPECT_EQ(Text(), before);
    EXPECT_TRUE(store.Verify("anna", "correct horse"));
}

TEST_F(UserStoreTest, ChangingAPasswordReplacesSaltAndDigest) {
    dir_.Write(kUserFileName, std::string(kKnownLine) + "\n");
    UserStore store(Path());
    ASSERT_EQ(store.ChangePassword("anna", "new secret"), kStoreOk);
    EXPECT_TRUE(store.Verify("anna", "new secret"));
    EXPECT_FALSE(store.Verify("anna", "correct horse"));
    std::vector<std::string> lines = RecordLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("anna:", 0), 0u);
    EXPECT_EQ(lines[0].find("00112233445566778899aabbccddeeff"), std::string::npos);
}

TEST_F(UserStoreTest, RemovingAUserKeepsTheOthers) {
    UserStore store(Path());
    ASSERT_EQ(store.Add("anna", "a"), kStoreOk);
    ASSERT_EQ(store.Add("bert", "b"), kStoreOk);
    ASSERT_EQ(store.Add("carl", "c"), kStoreOk);
    ASSERT_EQ(store.Remove("bert"), kStoreOk);
    UserStore reread(Path());
    ASSERT_EQ(reread.Load(), kStoreOk);
    EXPECT_EQ(reread.Names(), (std::vector<std::string>{"anna", "carl"}));
    EXPECT_TRUE(reread.Verify("carl", "c"));
    EXPECT_FALSE(reread.Verify("bert", "b"));
}

TEST_F(UserStoreTest, ChangesMadeMeanwhileByAnotherProgramAreKept) {
    UserStore first(Path());
    UserStore second(Path());
    ASSERT_EQ(first.Load(), kStoreOk);
    ASSERT_EQ(second.Load(), kStoreOk);
    ASSERT_EQ(first.Add("anna", "a"), kStoreOk);
    ASSERT_EQ(second.Add("bert", "b"), kStoreOk); // second still had the empty list in memory
    EXPECT_EQ(second.Names(), (std::vector<std::string>{"anna", "bert"}));
    EXPECT_EQ(second.Add("anna", "again"), kStoreExists);
}

TEST_F(UserStoreTest, CorruptLinesAreSkippedAndDropLaterOnlyThemselves) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((i * 37 + 11) & 0xFF);
    dir_.Write(kUserFileName, "# a comment\n"
                              "\n" +
                                  std::string(kKnownLine) +
                                  "\r\n"
                                  "bert:zz:100000:00\n"
                                  "carl:00112233445566778899aabbccddeeff:5:" +
                                  std::string(64, '0') +
                                  "\n"
                                  "just some words\n" +
                                  std::string(kKnownLine) + "\n" + // the same name again
                                  garbage + "\n" + std::string(100000, 'x') + "\n");
    UserStore store(Path());
    ASSERT_EQ(store.Load(), kStoreOk);
    EXPECT_EQ(store.Names(), std::vector<std::string>{"anna"});
    EXPECT_GE(store.SkippedLines(), 5u);
    EXPECT_TRUE(store.Verify("anna", "correct horse"));
    EXPECT_FALSE(store.Verify("carl", ""));

    ASSERT_EQ(store.Add("dora", "d"), kStoreOk);
    std::vector<std::string> lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], kKnownLine);
    EXPECT_EQ(lines[1].rfind("dora:", 0), 0u);
}

TEST_F(UserStoreTest, AnUnreadableFileIsNeverReplaced) {
    // A directory where the file should be: there, but not readable as a file.
    ASSERT_EQ(mkdir(Path().c_str(), 0700), 0);
    UserStore store(Path());
    EXPECT_EQ(store.Load(), kStoreReadError);
    EXPECT_FALSE(store.Loaded());
    EXPECT_TRUE(store.Empty());
    EXPECT_EQ(store.Add("anna", "a"), kStoreReadError);
    struct stat st {};
    ASSERT_EQ(stat(Path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(UserStoreTest, AnOversizedFileIsRefused) {
    dir_.Write(kUserFileName, std::string(kKnownLine) + "\n" + std::string(kMaxUserFileSize, '#'));
    UserStore store(Path());
    EXPECT_EQ(store.Load(), kStoreReadError);
}

TEST_F(UserStoreTest, AFailedWriteChangesNothing) {
    UserStore store(dir_.File("missing-dir/users.txt"));
    EXPECT_EQ(store.Add("anna", "a"), kStoreWriteError);
    EXPECT_FALSE(store.Contains("anna"));
    EXPECT_TRUE(store.Empty());
}

TEST_F(UserStoreTest, TheDefaultFileLiesBesideTheProgramUnlessOverridden) {
    orvane::test::Sandbox box;
    EXPECT_EQ(UserFilePath(), orvane::ProgramDir() + "/OrvaneUsers.txt");
    SetUserFilePath(Path());
    EXPECT_EQ(UserFilePath(), Path());
    EXPECT_EQ(UserStore().Path(), Path());
    SetUserFilePath("");
    EXPECT_EQ(UserFilePath(), box.File("OrvaneUsers.txt"));
}

} // namespace
} // namespace accounts
