#include "mainwnd/InstanceLock.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    test::TempDir dir_;
};

// A child process that takes the lock of `model` and holds it until it is killed.
class LockHolder {
public:
    LockHolder(const std::string& dir, const std::string& model) {
        int toParent[2];
        if (pipe(toParent) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(toParent[0]);
            InstanceLock lock(dir);
            char result = static_cast<char>('0' + lock.Take(model) + 1); // '1' taken
            if (write(toParent[1], &result, 1) != 1)
                _exit(2);
            for (;;)
                pause();
        }
        close(toParent[1]);
        char result = 0;
        taken_ = pid_ > 0 && read(toParent[0], &result, 1) == 1 && result == '1';
        close(toParent[0]);
    }
    ~LockHolder() { Kill(); }

    bool Taken() const { return taken_; }
    // The way a crash ends it: no destructor, no clean-up of its own.
    void Kill() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool taken_ = false;
};

TEST(InstanceLockNameTest, ModelNamesBecomeDistinctSafeFileNames) {
    EXPECT_EQ(InstanceLock::FileNameFor("EB-1780W"), "PJT_MUTEX_ORVANE-EB-1780W");
    EXPECT_EQ(InstanceLock::FileNameFor("a/b"), "PJT_MUTEX_ORVANE-a%2Fb");
    EXPECT_EQ(InstanceLock::FileNameFor(".."), "PJT_MUTEX_ORVANE-..");
    EXPECT_EQ(InstanceLock::FileNameFor("Hall 2"), "PJT_MUTEX_ORVANE-Hall%202");
    EXPECT_EQ(InstanceLock::FileNameFor(""), "PJT_MUTEX_ORVANE-");
    // No two names share a file, whatever a plain replacement would have made of them.
    EXPECT_NE(InstanceLock::FileNameFor("a/b"), InstanceLock::FileNameFor("a_b"));
    EXPECT_NE(InstanceLock::FileNameFor("a%2Fb"), InstanceLock::FileNameFor("a/b"));
    EXPECT_NE(InstanceLock::FileNameFor("\xc3\xa9"), InstanceLock::FileNameFor("\xc3\xa8"));
}

TEST(InstanceLockNameTest, LongNamesFitAFileNameAndStayDistinct) {
    std::string a(200, '\xe9'); // 600 bytes once escaped
    std::string b = a;
    b.back() = '\xe8';
    std::string fa = InstanceLock::FileNameFor(a), fb = InstanceLock::FileNameFor(b);
    EXPECT_LE(fa.size(), 255u);
    EXPECT_LE(fb.size(), 255u);
    EXPECT_NE(fa, fb);
    EXPECT_EQ(fa.find('/'), std::string::npos);

    std::string plain(255, 'm');
    EXPECT_LE(InstanceLock::FileNameFor(plain).size(), 255u);
    // Only the first 255 characters name the configuration.
    EXPECT_EQ(InstanceLock::FileNameFor(plain + "x"), InstanceLock::FileNameFor(plain + "y"));
}

TEST_F(InstanceLockTest, ASecondHolderOfTheSameModelIsRefused) {
    InstanceLock first(dir_.path());
    ASSERT_EQ(first.Take("EB-1780W"), InstanceLock::kTaken);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(first.Model(), "EB-1780W");
    EXPECT_EQ(first.Path(), dir_.File("PJT_MUTEX_ORVANE-EB-1780W"));
    struct stat st {};
    ASSERT_EQ(stat(first.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);

    InstanceLock second(dir_.path());
    EXPECT_EQ(second.Take("EB-1780W"), InstanceLock::kHeldElsewhere);
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(second.Take("EB-2250U"), InstanceLock::kTaken); // another configuration runs beside it

    EXPECT_EQ(first.Take("EB-1780W"), InstanceLock::kTaken); // taking what one holds is no conflict
    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_EQ(first.Path(), "");
    InstanceLock third(dir_.path());
    EXPECT_EQ(third.Take("EB-1780W"), InstanceLock::kTaken);
}

TEST_F(InstanceLockTest, TheDestructorReleases) {
    {
        InstanceLock lock(dir_.path());
        ASSERT_EQ(lock.Take("M"), InstanceLock::kTaken);
    }
    InstanceLock again(dir_.path());
    EXPECT_EQ(again.Take("M"), InstanceLock::kTaken);
}

TEST_F(InstanceLockTest, AnotherProcessHoldingTheLockIsSeenAndItsDeathFreesIt) {
    LockHolder child(dir_.path(), "Hall 2");
    ASSERT_TRUE(child.Taken());
    InstanceLock lock(dir_.path());
    EXPECT_EQ(lock.Take("Hall 2"), InstanceLock::kHeldElsewhere);
    EXPECT_EQ(lock.Take("Hall 3"), InstanceLock::kTaken);
    child.Kill();
    EXPECT_EQ(lock.Take("Hall 2"), InstanceLock::kTaken);
}

TEST_F(InstanceLockTest, ALockWeHoldIsSeenByAnotherProcess) {
    InstanceLock lock(dir_.path());
    ASSERT_EQ(lock.Take("X"), InstanceLock::kTaken);
    LockHolder child(dir_.path(), "X");
    EXPECT_FALSE(child.Taken());
    // The child shares our descriptor until it goes (fork keeps it open); only then does
    // the release give the lock up.
    child.Kill();
    lock.Release();
    LockHolder later(dir_.path(), "X");
    EXPECT_TRUE(later.Taken());
}

TEST_F(InstanceLockTest, SwitchingModelsReleasesTheOldOnlyWhenTheNewIsTaken) {
    InstanceLock lock(dir_.path());
    ASSERT_EQ(lock.Take("A"), InstanceLock::kTaken);
    ASSERT_EQ(lock.Take("B"), InstanceLock::kTaken);
    EXPECT_EQ(lock.Model(), "B");
    InstanceLock probe(dir_.path());
    EXPECT_EQ(probe.Take("A"), InstanceLock::kTaken); // A was given up
    EXPECT_EQ(probe.Take("B"), InstanceLock::kHeldElsewhere);
    EXPECT_EQ(probe.Model(), "A"); // a refused switch keeps what it had

    // probe holds A; switching lock to A fails, and lock keeps B.
    EXPECT_EQ(lock.Take("A"), InstanceLock::kHeldElsewhere);
    EXPECT_EQ(lock.Model(), "B");
    InstanceLock other(dir_.path());
    EXPECT_EQ(other.Take("B"), InstanceLock::kHeldElsewhere);
}

TEST_F(InstanceLockTest, APendingLockReplacesTheOldOnlyWhenCommitted) {
    InstanceLock lock(dir_.path());
    ASSERT_EQ(lock.Take("A"), InstanceLock::kTaken);
    InstanceLock probe(dir_.path());

    ASSERT_EQ(lock.TakePending("B"), InstanceLock::kTaken);
    EXPECT_EQ(probe.Take("A"), InstanceLock::kHeldElsewhere); // both held meanwhile
    EXPECT_EQ(probe.Take("B"), InstanceLock::kHeldElsewhere);
    lock.DropPending();
    EXPECT_EQ(lock.Model(), "A");
    EXPECT_EQ(probe.Take("A"), InstanceLock::kHeldElsewhere);
    EXPECT_EQ(probe.Take("B"), InstanceLock::kTaken);
    probe.Release();

    ASSERT_EQ(lock.TakePending("B"), InstanceLock::kTaken);
    lock.CommitPending();
    EXPECT_EQ(lock.Model(), "B");
    EXPECT_EQ(probe.Take("A"), InstanceLock::kTaken);
    EXPECT_EQ(probe.Take("B"), InstanceLock::kHeldElsewhere);

    // The model held already: nothing pending, nothing given up.
    EXPECT_EQ(lock.TakePending("B"), InstanceLock::kTaken);
    EXPECT_FALSE(lock.HasPending());
    lock.DropPending();
    EXPECT_EQ(lock.Model(), "B");
}

TEST_F(InstanceLockTest, ASystemRefusalIsReportedWithItsReason) {
    InstanceLock lock(dir_.File("no-such-dir"));
    EXPECT_EQ(lock.Take("M"), InstanceLock::kSystemError);
    EXPECT_EQ(lock.ErrorNumber(), ENOENT);
    EXPECT_FALSE(lock.ErrorText().empty());
    EXPECT_FALSE(lock.Held());
}

class DefaultDirectoryTest : public ::testing::Test {
protected:
    DefaultDirectoryTest() {
        const char* v = std::getenv("XDG_RUNTIME_DIR");
        hadValue_ = v != nullptr;
        if (hadValue_)
            old_ = v;
    }
    ~DefaultDirectoryTest() override {
        if (hadValue_)
            setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    bool hadValue_ = false;
    std::string old_;
};

TEST_F(DefaultDirectoryTest, TheRuntimeDirectoryIsUsedWhenSet) {
    test::TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    InstanceLock lock;
    ASSERT_EQ(lock.Take("EB-1780W"), InstanceLock::kTaken);
    EXPECT_EQ(lock.Path(), runtime.File("PJT_MUTEX_ORVANE-EB-1780W"));
}

TEST_F(DefaultDirectoryTest, WithoutOneAPrivateFolderInTmpIsUsed) {
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/dir", "/no/such/dir"}) {
        if (value == nullptr)
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", value, 1);
        int error = -1;
        std::string dir = InstanceLock::DefaultDirectory(error);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(dir, "/tmp/orvane-" + std::to_string(geteuid()));
        struct stat st {};
        ASSERT_EQ(lstat(dir.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, geteuid());
    }
}

} // namespace
} // namespace orvane
