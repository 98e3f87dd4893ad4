// orvanectl against files that are there but cannot be read, and against directories named
// relative to where it was started.

#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"

#include "support/RunProgram.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr const char* kSetpriv = "/usr/bin/setpriv";
constexpr const char* kUnprivilegedUser = "nobody";

std::string ShippedCatalog() {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs orvanectl as a user who is not root: root reads a file whatever its permissions,
// so only another user meets a file that cannot be read. As root the command runs as
// `nobody` through setpriv, on a directory that user may use.
class OrvanectlUnreadable : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() == 0) {
            user_ = getpwnam(kUnprivilegedUser);
            if (user_ == nullptr || access(kSetpriv, X_OK) != 0)
                GTEST_SKIP() << "running as root without " << kSetpriv << " or a user '" << kUnprivilegedUser
                             << "' to drop to; a file without read permission cannot be shown unreadable";
            ASSERT_EQ(chmod(box_.dir().path().c_str(), 0777), 0);
        }
        box_.Write("OrvaneModel.txt", ShippedCatalog());
        // A saved configuration with two projectors and a password: what D1 would lose.
        ModelList list;
        ASSERT_TRUE(LoadModelCatalogFrom(box_.File("OrvaneModel.txt"), list, 0).ok());
        CModelInfo2 model = *list[static_cast<std::size_t>(FindModelIndex(list, "AX-210"))];
        model.PjtNum = 2;
        for (int s = 0; s < 2; ++s) {
            model.ConnectMethod[s] = 1;
            model.PortNo[s] = 23;
            SetText(model.IPAddress[s], "127.0.0.1");
            SetText(model.Password[s], "secret");
        }
        ConfigControls controls;
        controls.modelName = "AX-210";
        controls.rowChecked[0] = true;
        ASSERT_EQ(WriteConfigFiles(model, controls), 0);
        GiveToUser("OrvaneModel.txt");
        GiveToUser("Orvane.txt");
        GiveToUser("AX-210.txt");
    }

    void TearDown() override {
        for (const char* name : {"OrvaneModel.txt", "Orvane.txt", "AX-210.txt", "OrvaneOpt.txt"})
            chmod(box_.File(name).c_str(), 0600);
    }

    void GiveToUser(const char* name) {
        if (user_ != nullptr) {
            ASSERT_EQ(chown(box_.File(name).c_str(), user_->pw_uid, user_->pw_gid), 0);
        }
    }

    void MakeUnreadable(const char* name) { ASSERT_EQ(chmod(box_.File(name).c_str(), 0), 0); }

    std::string ReadAsOwner(const char* name) {
        chmod(box_.File(name).c_str(), 0600);
        return box_.Read(name);
    }

    test::ProgramResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", box_.dir().path(), "--program-dir", box_.dir().path()});
        if (user_ == nullptr)
            return test::RunProgram("orvanectl", args);
        args.insert(args.begin(),
                    {"--reuid=" + std::string(kUnprivilegedUser), "--regid=" + std::to_string(user_->pw_gid),
                     "--clear-groups", test::BinPath("orvanectl")});
        return test::RunProgram(kSetpriv, args);
    }

    test::Sandbox box_;
    const passwd* user_ = nullptr;
};

TEST_F(OrvanectlUnreadable, UseNeverWritesOverAConfigurationItCannotRead) {
    const std::string perModel = box_.Read("AX-210.txt");
    const std::string current = box_.Read("Orvane.txt");
    MakeUnreadable("AX-210.txt");
    auto r = Ctl({"use", "AX-210"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "orvanectl: cannot read " + box_.File("AX-210.txt") + ": Permission denied\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadAsOwner("AX-210.txt"), perModel);
    EXPECT_EQ(box_.Read("Orvane.txt"), current);
    EXPECT_FALSE(FileExists(box_.File("OrvaneOpt.txt")));
}

TEST_F(OrvanectlUnreadable, AnUnreadableConfigurationOrCatalogFailsNamingIt) {
    MakeUnreadable("Orvane.txt");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"show"}, std::vector<std::string>{"power", "on"}}) {
        auto r = Ctl(command);
        EXPECT_EQ(r.exitCode, 1) << command[0] << ": " << r.out << r.err;
        EXPECT_EQ(r.err, "orvanectl: cannot read ./Orvane.txt: Permission denied\n") << command[0];
        EXPECT_EQ(r.out, "") << command[0];
    }
    MakeUnreadable("OrvaneModel.txt");
    auto r = Ctl({"models"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "orvanectl: cannot read ./OrvaneModel.txt: Permission denied\n");
    EXPECT_EQ(r.out, "");

    box_.Write("OrvaneOpt.txt", "1\r\n1\r\n5\r\n");
    GiveToUser("OrvaneOpt.txt");
    MakeUnreadable("OrvaneOpt.txt");
    r = Ctl({"options"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "orvanectl: cannot read ./OrvaneOpt.txt: Permission denied\n");
}

class OrvanectlFiles : public ::testing::Test {
protected:
    test::ProgramResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", dir_.path(), "--program-dir", dir_.path()});
        return test::RunProgram("orvanectl", args);
    }
    test::TempDir dir_;
};

TEST_F(OrvanectlFiles, EndlessAndBlockingFilesAreRefusedAtOnce) {
    dir_.Write("OrvaneModel.txt", ShippedCatalog());
    // A link to an endless device, then a FIFO without a writer: both read before as if
    // they were configurations, growing without end or waiting for ever.
    ASSERT_EQ(symlink("/dev/zero", dir_.File("Orvane.txt").c_str()), 0);
    auto r = Ctl({"show"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "orvanectl: cannot read ./Orvane.txt: not a regular file\n");
    ASSERT_EQ(unlink(dir_.File("Orvane.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(dir_.File("Orvane.txt").c_str(), 0600), 0);
    r = Ctl({"show"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "orvanectl: cannot read ./Orvane.txt: not a regular file\n");
    // A catalog over its limit.
    dir_.Write("OrvaneModel.txt", "[MODEL]\nNum=1\n" + std::string(kMaxModelCatalogSize, ';'));
    r = Ctl({"models"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "orvanectl: cannot read ./OrvaneModel.txt: larger than 8 MiB\n");
}

TEST(OrvanectlDirectories, RelativeDirectoriesAreTakenFromWhereTheCommandStarted) {
    test::TempDir start;
    ASSERT_EQ(mkdir(start.File("work").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(start.File("prog").c_str(), 0755), 0);
    start.Write("work/OrvaneModel.txt", ShippedCatalog());
    test::ScopedWorkDir here(start.path());
    auto r = test::RunProgram("orvanectl", {"--dir", "work", "--program-dir", "prog", "use", "AX-210"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(start.Read("prog/AX-210.txt").find("MODEL=AX-210\r\n"), std::string::npos);
    EXPECT_NE(start.Read("work/Orvane.txt").find("MODEL=AX-210\r\n"), std::string::npos);
}

} // namespace
} // namespace orvane
