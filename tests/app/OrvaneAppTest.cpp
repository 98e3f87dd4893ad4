#include "app/OrvaneApp.h"

#include "catalog/MessageCatalog.h"
#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace orvane {
namespace {

// Plays the login dialogs with a list of DoModal results and writes down every dialog
// and message in order.
class ScriptedLoginUi : public ILoginUi {
public:
    explicit ScriptedLoginUi(std::vector<std::string>& log) : log_(log) {}
    std::deque<int> results;

    int RunLogin(int mode) override {
        log_.push_back("login " + std::to_string(mode));
        if (results.empty()) {
            ADD_FAILURE() << "the gate ran the login more often than scripted";
            return kLoginCancelled;
        }
        int r = results.front();
        results.pop_front();
        return r;
    }
    void RunUserConfig() override { log_.push_back("usercfg"); }
    void ShowMessage(int set, int number, unsigned style) override {
        log_.push_back("message " + std::to_string(set) + "," + std::to_string(number) + "," + std::to_string(style));
    }

private:
    std::vector<std::string>& log_;
};

class OrvaneAppTest : public ::testing::Test {
protected:
    OrvaneAppTest() : ui_(log_) {
        box_.Write(kDefaultCatalogFile, "[1033]\n11.47 = Orvane Test\n");
        box_.Write(kMarkerEnglish, "");
    }
    ~OrvaneAppTest() override { CloseCatalog(); }

    COrvaneApp::Services MakeServices() {
        COrvaneApp::Services s;
        s.loginUi = &ui_;
        s.runMainWindow = [this](int skipConfig) {
            log_.push_back("main " + std::to_string(skipConfig));
            return 1;
        };
        s.openCatalog = [this] {
            ++opens_;
            return OpenCatalog();
        };
        s.closeCatalog = [this] {
            ++closes_;
            CloseCatalog();
        };
        return s;
    }

    // Runs the whole program life of an application object as main does.
    COrvaneApp::Outcome Run(std::vector<int> results, std::vector<std::string> args = {"/opt/orvane/Orvane"}) {
        ui_.results.assign(results.begin(), results.end());
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        COrvaneApp app(MakeServices());
        app.Run(static_cast<int>(argv.size()), argv.data());
        EXPECT_TRUE(ui_.results.empty()) << "scripted logins left over";
        EXPECT_EQ(opens_, 1);
        EXPECT_EQ(closes_, 1);
        EXPECT_FALSE(IsCatalogOpen());
        return app.LastOutcome();
    }

    void MakeUserTool() const { box_.Write("OrvaneUsrEdit", ""); }

    test::Sandbox box_;
    std::vector<std::string> log_;
    ScriptedLoginUi ui_;
    int opens_ = 0;
    int closes_ = 0;
};

using Log = std::vector<std::string>;

TEST_F(OrvaneAppTest, AnAcceptedLoginLeadsToTheMainWindow) {
    EXPECT_EQ(Run({1}), COrvaneApp::Outcome::MainWindowEnded);
    EXPECT_EQ(log_, (Log{"login 2", "main 0"}));
}

TEST_F(OrvaneAppTest, FailedTriesAreRetriedUpToThreeTimes) {
    EXPECT_EQ(Run({0, 4, 1}), COrvaneApp::Outcome::MainWindowEnded);
    EXPECT_EQ(log_, (Log{"login 2", "login 2", "login 2", "main 0"}));
}

TEST_F(OrvaneAppTest, TheThirdFailedTryEndsTheProgramWithAMessage) {
    EXPECT_EQ(Run({0, -1, 7}), COrvaneApp::Outcome::LoginFailed);
    EXPECT_EQ(log_, (Log{"login 2", "login 2", "login 2", "message 2201,1000,16"}));
}

TEST_F(OrvaneAppTest, CancellingOnTheSecondTryEndsSilently) {
    EXPECT_EQ(Run({4, 2}), COrvaneApp::Outcome::LoginCancelled);
    EXPECT_EQ(log_, (Log{"login 2", "login 2"}));
}

TEST_F(OrvaneAppTest, UserAdministrationCountsAsATry) {
    MakeUserTool();
    EXPECT_EQ(Run({3, 3, 3}), COrvaneApp::Outcome::LoginFailed);
    EXPECT_EQ(log_, (Log{"login 2", "usercfg", "login 2", "usercfg", "login 2", "message 2201,1000,16"}));
}

TEST_F(OrvaneAppTest, UserAdministrationThenALogin) {
    MakeUserTool();
    EXPECT_EQ(Run({3, 0, 1}), COrvaneApp::Outcome::MainWindowEnded);
    EXPECT_EQ(log_, (Log{"login 2", "usercfg", "login 2", "login 2", "main 0"}));
}

TEST_F(OrvaneAppTest, UserAdministrationWithoutTheToolEndsTheProgram) {
    EXPECT_EQ(Run({3}), COrvaneApp::Outcome::UserToolMissing);
    EXPECT_EQ(log_, (Log{"login 2", "message 2201,1001,16"}));
}

TEST_F(OrvaneAppTest, TheToolMissingIsNoticedOnALaterTryToo) {
    EXPECT_EQ(Run({0, 3}), COrvaneApp::Outcome::UserToolMissing);
    EXPECT_EQ(log_, (Log{"login 2", "login 2", "message 2201,1001,16"}));
}

TEST_F(OrvaneAppTest, TheToolIsLookedForInTheWorkingDirectory) {
    // The tool beside the program does not count, only ./OrvaneUsrEdit.
    test::TempDir elsewhere;
    elsewhere.Write("OrvaneUsrEdit", "");
    SetProgramDir(elsewhere.path());
    EXPECT_EQ(Run({3}), COrvaneApp::Outcome::UserToolMissing);

    std::vector<std::string> asked;
    COrvaneApp::Services s = MakeServices();
    s.fileExists = [&](const std::string& path) {
        asked.push_back(path);
        return true;
    };
    ui_.results = {3, 1};
    const char* argv[] = {"Orvane"};
    COrvaneApp app(s);
    app.Run(1, argv);
    EXPECT_EQ(asked, (std::vector<std::string>{"./OrvaneUsrEdit"}));
    EXPECT_EQ(app.LastOutcome(), COrvaneApp::Outcome::MainWindowEnded);
}

TEST_F(OrvaneAppTest, AFirstOptionLineOfOneSkipsTheLogin) {
    box_.Write("OrvaneOpt.txt", "1\n");
    EXPECT_EQ(Run({}), COrvaneApp::Outcome::MainWindowEnded);
    EXPECT_EQ(log_, (Log{"main 0"}));
}

TEST_F(OrvaneAppTest, OtherFirstOptionLinesKeepTheLogin) {
    for (const char* text : {"0\n1\n", "\n1\n", "x\n", "", "-0\n"}) {
        log_.clear();
        opens_ = closes_ = 0;
        box_.Write("OrvaneOpt.txt", text);
        EXPECT_EQ(Run({1}), COrvaneApp::Outcome::MainWindowEnded) << text;
        EXPECT_EQ(log_.front(), "login 2") << '"' << text << '"';
    }
}

TEST_F(OrvaneAppTest, TheSecondOptionLineIsHandedToTheMainWindow) {
    box_.Write("OrvaneOpt.txt", "7\n-2\n30\n");
    Run({});
    EXPECT_EQ(log_, (Log{"main 1"}));
}

TEST_F(OrvaneAppTest, SkipUserCheckInAnyCaseSkipsTheLogin) {
    for (const char* arg : {"-SkipUserCheck", "-skipusercheck", "-SKIPUSERCHECK", "-sKiPuSeRcHeCk"}) {
        log_.clear();
        opens_ = closes_ = 0;
        EXPECT_EQ(Run({}, {"/opt/orvane/Orvane", "EB-1780", arg}), COrvaneApp::Outcome::MainWindowEnded);
        EXPECT_EQ(log_, (Log{"main 0"})) << arg;
    }
}

TEST_F(OrvaneAppTest, OnlyTheHyphenFormSkipsTheLogin) {
    for (const char* arg : {"/SkipUserCheck", "SkipUserCheck", "--SkipUserCheck", "-SkipUserCheck2", "-SkipUser"}) {
        log_.clear();
        opens_ = closes_ = 0;
        Run({2}, {"/opt/orvane/Orvane", arg});
        EXPECT_EQ(log_, (Log{"login 2"})) << arg;
    }
}

TEST(SkipUserCheckArgumentTest, MatchesTheWholeWordOnly) {
    EXPECT_TRUE(IsSkipUserCheckArgument("-SkipUserCheck"));
    EXPECT_TRUE(IsSkipUserCheckArgument("-SKIPUSERCHECK"));
    EXPECT_FALSE(IsSkipUserCheckArgument("-SkipUserChec"));
    EXPECT_FALSE(IsSkipUserCheckArgument("-SkipUserCheck "));
    EXPECT_FALSE(IsSkipUserCheckArgument("/SkipUserCheck"));
    EXPECT_FALSE(IsSkipUserCheckArgument("SkipUserCheck"));
    EXPECT_FALSE(IsSkipUserCheckArgument("-"));
    EXPECT_FALSE(IsSkipUserCheckArgument(""));
    EXPECT_FALSE(IsSkipUserCheckArgument(nullptr));
}

TEST_F(OrvaneAppTest, TheTitleComesFromTheCatalogAndTheNameIsCutTo127Bytes) {
    const struct {
        std::size_t titleLength;
        std::size_t nameLength;
    } cases[] = {{126, 126}, {127, 127}, {128, 127}, {600, 127}, {1100, 127}};
    for (const auto& c : cases) {
        box_.Write(kDefaultCatalogFile, "[1033]\n11.47 = " + std::string(c.titleLength, 'T') + "\n");
        COrvaneApp::Services s = MakeServices();
        s.runMainWindow = [](int) { return 1; };
        COrvaneApp app(s);
        const char* argv[] = {"Orvane", "-SkipUserCheck"};
        app.InitInstance(2, argv);
        // The title itself is only bounded by the 1024-byte lookup buffer.
        EXPECT_EQ(app.AppTitle.size(), std::min<std::size_t>(c.titleLength, kCatalogBufferSize - 1));
        EXPECT_EQ(std::strlen(app.AppName()), c.nameLength) << c.titleLength;
        EXPECT_EQ(std::string(app.AppName()), app.AppTitle.substr(0, c.nameLength));
        app.ExitInstance();
    }
}

TEST_F(OrvaneAppTest, TheNameCaptionsTheMessageBoxesWhileTheApplicationLives) {
    box_.Write(kDefaultCatalogFile, "[1033]\n11.47 = Projector Panel\n");
    {
        COrvaneApp app(MakeServices());
        const char* argv[] = {"Orvane", "-SkipUserCheck"};
        app.InitInstance(2, argv);
        // The name made at start-up stays, whatever the catalog says later.
        CloseCatalog();
        EXPECT_EQ(AppName(), "Projector Panel");
        app.ExitInstance();
    }
    EXPECT_EQ(AppName(), "No Message Catalog");
}

TEST_F(OrvaneAppTest, TheNameIsNeverCutInsideACharacter) {
    // 63 two-byte characters fill 126 bytes; the 64th would end at byte 128.
    std::string title;
    for (int i = 0; i < 70; ++i)
        title += "\xc3\xa9";
    box_.Write(kDefaultCatalogFile, "[1033]\n11.47 = " + title + "\n");
    COrvaneApp app(MakeServices());
    const char* argv[] = {"Orvane", "-SkipUserCheck"};
    app.InitInstance(2, argv);
    EXPECT_EQ(std::string(app.AppName()), title.substr(0, 126));
    app.ExitInstance();

    EXPECT_EQ(Utf8CutLength("abc", 5), 3u);
    EXPECT_EQ(Utf8CutLength("ab\xe2\x82\xac", 4), 2u); // the euro sign would be cut
    EXPECT_EQ(Utf8CutLength("ab\xe2\x82\xac", 5), 5u);
}

TEST_F(OrvaneAppTest, WithoutACatalogTheProgramStillRuns) {
    std::remove(kDefaultCatalogFile);
    COrvaneApp app(MakeServices());
    ui_.results = {1};
    const char* argv[] = {"Orvane"};
    app.Run(1, argv);
    EXPECT_EQ(app.AppTitle, kNoMessageCatalog);
    EXPECT_EQ(log_, (Log{"login 2", "main 0"}));
    EXPECT_EQ(closes_, 1);
}

TEST_F(OrvaneAppTest, TheCatalogIsReleasedExactlyOnceHoweverTheProgramEnds) {
    struct Path {
        std::vector<int> results;
        bool tool;
        const char* options;
    };
    const Path paths[] = {
        {{1}, false, "0\n"},    // main window
        {{}, false, "1\n"},     // login skipped
        {{2}, false, "0\n"},    // cancelled
        {{0, 0, 0}, false, ""}, // three failures
        {{3}, false, ""},       // no user tool
        {{3, 3, 3}, true, ""},  // administration three times
    };
    for (const Path& p : paths) {
        std::remove("OrvaneUsrEdit");
        if (p.tool)
            MakeUserTool();
        box_.Write("OrvaneOpt.txt", p.options);
        opens_ = closes_ = 0;
        ui_.results.assign(p.results.begin(), p.results.end());
        COrvaneApp app(MakeServices());
        const char* argv[] = {"Orvane"};
        EXPECT_FALSE(app.InitInstance(1, argv));
        EXPECT_TRUE(IsCatalogOpen());
        EXPECT_EQ(closes_, 0);
        app.ExitInstance();
        app.ExitInstance(); // a second call must not release anything again
        EXPECT_EQ(opens_, 1);
        EXPECT_EQ(closes_, 1);
        EXPECT_FALSE(IsCatalogOpen());
    }
}

TEST_F(OrvaneAppTest, WithoutALoginUiTheGateStaysClosed) {
    COrvaneApp::Services s = MakeServices();
    s.loginUi = nullptr;
    COrvaneApp app(s);
    const char* argv[] = {"Orvane"};
    app.Run(1, argv);
    EXPECT_EQ(app.LastOutcome(), COrvaneApp::Outcome::LoginFailed);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(app.MainWindowResult(), -1);
}

TEST_F(OrvaneAppTest, TheMainWindowsResultIsKeptAndTheObjectIsFoundAsTheCurrentOne) {
    COrvaneApp::Services s = MakeServices();
    s.runMainWindow = [](int) { return 2; };
    COrvaneApp app(s);
    EXPECT_EQ(COrvaneApp::Current(), &app);
    const char* argv[] = {"Orvane", "-SkipUserCheck"};
    app.Run(2, argv);
    EXPECT_EQ(app.MainWindowResult(), 2);
    EXPECT_EQ(app.LoginRequired, 0);
}

} // namespace
} // namespace orvane
