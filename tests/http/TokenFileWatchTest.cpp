#include "http/TokenFileWatch.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using orvane::http::TokenFileWatch;
using orvane::test::TempDir;

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

// What is done to the folder of a watched token file, and what the watch must tell of it.
TEST(TokenFileWatch, TellsWhatBecomesOfTheFileAndOnlyThat) {
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> act;
        bool changed;
        bool lost;
    };
    const std::vector<Case> cases = {
        {"written in place", [](const TempDir& d) { WriteFile(d.File("tokens.txt"), "b"); }, true, false},
        {"replaced by a rename",
         [](const TempDir& d) {
             WriteFile(d.File("tokens.tmp"), "c");
             ASSERT_EQ(std::rename(d.File("tokens.tmp").c_str(), d.File("tokens.txt").c_str()), 0);
         },
         true, false},
        {"removed", [](const TempDir& d) { ASSERT_EQ(unlink(d.File("tokens.txt").c_str()), 0); }, true, false},
        {"its mode changed", [](const TempDir& d) { ASSERT_EQ(chmod(d.File("tokens.txt").c_str(), 0600), 0); }, true,
         false},
        {"another file written", [](const TempDir& d) { WriteFile(d.File("other.txt"), "x"); }, false, false},
        {"the folder renamed",
         [](const TempDir& d) { ASSERT_EQ(std::rename(d.path().c_str(), (d.path() + ".moved").c_str()), 0); }, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir.File("tokens.txt"), "a");
        boost::asio::io_context loop;
        int changed = 0, lost = 0;
        TokenFileWatch watch(
            loop, [&] { ++changed; }, [&] { ++lost; });
        ASSERT_TRUE(watch.Start(dir.File("tokens.txt")));
        c.act(dir);
        loop.run_for(std::chrono::milliseconds(100));
        EXPECT_EQ(changed > 0, c.changed);
        EXPECT_EQ(lost, c.lost ? 1 : 0);
        EXPECT_EQ(watch.Watching(), !c.lost);
        if (c.lost)
            (void)std::rename((dir.path() + ".moved").c_str(), dir.path().c_str());
    }
}

TEST(TokenFileWatch, AFolderThatIsNotThereCannotBeWatched) {
    boost::asio::io_context loop;
    TokenFileWatch watch(
        loop, [] {}, [] {});
    EXPECT_FALSE(watch.Start("/nonexistent-orvane-folder/tokens.txt"));
    EXPECT_FALSE(watch.Watching());
}

} // namespace
