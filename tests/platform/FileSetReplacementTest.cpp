#include "platform/FileSetReplacement.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace orvane {
namespace {

class FileSetReplacementTest : public ::testing::Test {
protected:
    // Everything in the directory but the files named, e.g. temporaries left behind.
    int OtherEntries(std::initializer_list<const char*> expected) const {
        int others = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
            const std::string name = e.path().filename().string();
            bool known = false;
            for (const char* x : expected)
                known = known || name == x;
            others += known ? 0 : 1;
        }
        return others;
    }
    test::TempDir dir_;
};

TEST_F(FileSetReplacementTest, AllFilesChangeTogether) {
    dir_.Write("a.txt", "old a");
    FileSetReplacement files;
    ASSERT_EQ(files.Prepare(dir_.File("a.txt"), "new a", 0600), 0);
    ASSERT_EQ(files.Prepare(dir_.File("b.txt"), "new b", 0644), 0);
    // Nothing is visible before the commit.
    EXPECT_EQ(dir_.Read("a.txt"), "old a");
    EXPECT_EQ(dir_.Read("b.txt"), "");
    ASSERT_EQ(files.Commit(), 0);
    EXPECT_EQ(dir_.Read("a.txt"), "new a");
    EXPECT_EQ(dir_.Read("b.txt"), "new b");
    struct stat st;
    ASSERT_EQ(stat(dir_.File("a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(OtherEntries({"a.txt", "b.txt"}), 0);
}

TEST_F(FileSetReplacementTest, AFileThatCannotBePutInPlaceTakesTheOthersBack) {
    dir_.Write("a.txt", "old a");
    FileSetReplacement files;
    ASSERT_EQ(files.Prepare(dir_.File("a.txt"), "new a", 0600), 0);
    ASSERT_EQ(files.Prepare(dir_.File("new.txt"), "new file", 0600), 0);
    ASSERT_EQ(files.Prepare(dir_.File("c.txt"), "new c", 0600), 0);
    // Something takes the last file's place after it was prepared.
    ASSERT_TRUE(std::filesystem::create_directory(dir_.File("c.txt")));
    std::string failed;
    EXPECT_EQ(files.Commit(&failed), -1);
    EXPECT_EQ(failed, dir_.File("c.txt"));
    EXPECT_EQ(dir_.Read("a.txt"), "old a");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new.txt")));
    EXPECT_EQ(OtherEntries({"a.txt", "c.txt"}), 0);
}

TEST_F(FileSetReplacementTest, WhatIsNotCommittedLeavesNothingBehind) {
    dir_.Write("a.txt", "old a");
    {
        FileSetReplacement files;
        ASSERT_EQ(files.Prepare(dir_.File("a.txt"), "new a", 0600), 0);
        // A directory in the way cannot be prepared at all.
        ASSERT_TRUE(std::filesystem::create_directory(dir_.File("d.txt")));
        EXPECT_EQ(files.Prepare(dir_.File("d.txt"), "new d", 0600), -1);
    }
    EXPECT_EQ(dir_.Read("a.txt"), "old a");
    EXPECT_EQ(OtherEntries({"a.txt", "d.txt"}), 0);
}

} // namespace
} // namespace orvane
