#include "platform/FileUtil.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <set>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace orvane {
namespace {

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.insert(name);
        }
        closedir(d);
    }
    return names;
}

void SetAge(const std::string& path, int seconds) {
    timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimes(path.c_str(), times), 0);
}

TEST(FileUtil, SizeLimitIsEnforcedWhileReading) {
    test::TempDir dir;
    dir.Write("exact.txt", std::string(64, 'x'));
    dir.Write("over.txt", std::string(65, 'x'));
    std::string out;
    EXPECT_TRUE(ReadWholeFile(dir.File("exact.txt"), out, 64).ok());
    EXPECT_EQ(out.size(), 64u);
    const FileReadResult over = ReadWholeFile(dir.File("over.txt"), out, 64);
    EXPECT_TRUE(over.failed());
    EXPECT_EQ(over.reason, "larger than 64 bytes");
    EXPECT_TRUE(out.empty());
    // A file whose size says nothing: /proc files report 0 and still hold text.
    const FileReadResult proc = ReadWholeFile("/proc/self/status", out, 100);
    EXPECT_TRUE(proc.failed());
    EXPECT_EQ(proc.reason, "larger than 100 bytes");
    EXPECT_EQ(ReadFailureText("/x/Orvane.txt", over), "cannot read /x/Orvane.txt: larger than 64 bytes");
}

TEST(FileUtil, OnlyRegularFilesAreReadAndAFifoNeverBlocks) {
    test::TempDir dir;
    const std::string fifo = dir.File("Orvane.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.File("zero.txt").c_str()), 0);

    auto reading = std::async(std::launch::async, [&] {
        std::string out;
        return ReadWholeFile(fifo, out, kMaxSettingsFileSize);
    });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked reader go before failing.
        int fd = open(fifo.c_str(), O_WRONLY);
        close(fd);
        FAIL() << "reading a FIFO blocked";
    }
    const FileReadResult r = reading.get();
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.reason, "not a regular file");

    std::string out;
    EXPECT_EQ(ReadWholeFile(dir.File("zero.txt"), out, kMaxSettingsFileSize).reason, "not a regular file");
    EXPECT_EQ(ReadWholeFile(dir.path(), out, kMaxSettingsFileSize).reason, "is a directory");
    EXPECT_TRUE(ReadWholeFile(dir.File("none.txt"), out, kMaxSettingsFileSize).missing());
    EXPECT_TRUE(ReadWholeFile(dir.File("none/x.txt"), out, kMaxSettingsFileSize).missing());
}

TEST(FileUtil, AFileThatCannotBeReadIsNeverReplaced) {
    test::TempDir dir;
    const std::string fifo = dir.File("Orvane.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileAtomically(fifo, "[GENERAL]\r\n"), -1);
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    dir.Write("big.txt", std::string(100, 'x'));
    EXPECT_TRUE(ProbeReadable(dir.File("big.txt"), 99).failed());
    EXPECT_TRUE(ProbeReadable(dir.File("big.txt"), 100).ok());
    EXPECT_TRUE(ProbeReadable(dir.File("none.txt")).missing());
    // Nothing of the refused writes is left behind.
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"Orvane.txt", "big.txt"}));
}

TEST(FileUtil, TemporaryFilesAreHiddenAndStaleOnesOfTheSameFileRemoved) {
    test::TempDir dir;
    const std::string target = dir.File("AX-210.txt");
    // Left by writes that were killed: two old ones of ours, one young one (a write that
    // may be running now), and files that only look alike.
    const std::set<std::string> kept = {".AX-210.txt.tmp-young1", ".AX-210.txt.tmp-toolong1", ".AX-210.txt.tmp-ab_d3f",
                                        "AX-210.txt.tmp-old123", ".QX-88.txt.tmp-old123"};
    for (const std::string& name : kept)
        dir.Write(name, "x");
    for (const char* name : {".AX-210.txt.tmp-old123", ".AX-210.txt.tmp-ZZ9zz9"})
        dir.Write(name, "x");
    for (const char* name : {".AX-210.txt.tmp-old123", ".AX-210.txt.tmp-ZZ9zz9", ".AX-210.txt.tmp-toolong1",
                             ".AX-210.txt.tmp-ab_d3f", "AX-210.txt.tmp-old123", ".QX-88.txt.tmp-old123"})
        SetAge(dir.File(name), 2 * kStaleTempFileSeconds);
    SetAge(dir.File(".AX-210.txt.tmp-young1"), kStaleTempFileSeconds / 2);

    std::string tmp;
    ASSERT_EQ(PrepareFileReplacement(target, "new", 0600, tmp), 0);
    const std::string name = tmp.substr(tmp.rfind('/') + 1);
    EXPECT_EQ(tmp.substr(0, tmp.rfind('/')), dir.path());
    ASSERT_EQ(name.size(), std::string(".AX-210.txt.tmp-XXXXXX").size());
    EXPECT_EQ(name.substr(0, 16), ".AX-210.txt.tmp-");
    std::set<std::string> expected = kept;
    expected.insert(name);
    EXPECT_EQ(Entries(dir.path()), expected);

    ASSERT_EQ(CommitFileReplacement(tmp, target), 0);
    expected.erase(name);
    expected.insert("AX-210.txt");
    EXPECT_EQ(Entries(dir.path()), expected);
    EXPECT_EQ(dir.Read("AX-210.txt"), "new");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A prepared file that is not wanted goes without a trace.
    ASSERT_EQ(PrepareFileReplacement(target, "newer", 0600, tmp), 0);
    DiscardFileReplacement(tmp);
    EXPECT_EQ(Entries(dir.path()), expected);
    EXPECT_EQ(dir.Read("AX-210.txt"), "new");
}

} // namespace
} // namespace orvane
