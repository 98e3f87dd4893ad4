#include "model/ModelCatalogPrefetch.h"

#include "platform/PrivateProfile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace orvane {
namespace {

constexpr const char* kTwoModels = "[MODEL]\nNum=2\nModel_001=AX-210\nModel_002=CP-22\n[AX-210]\nModelID=101\n";
constexpr const char* kTwoOthers = "[MODEL]\nNum=2\nModel_001=QX-88\nModel_002=LM-10\n[QX-88]\nModelID=101\n";

class ModelCatalogPrefetchTest : public ::testing::Test {
protected:
    // A catalog as an installation has it: written long before the program starts.
    void WriteOldCatalog(const char* text) {
        box_.Write("OrvaneModel.txt", text);
        const timespec hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, box_.File("OrvaneModel.txt").c_str(), hourAgo, 0), 0);
    }
    static void WaitUntilRead(const ModelCatalogPrefetch& prefetch) {
        while (!prefetch.Ready())
            std::this_thread::yield();
    }
    static std::vector<std::string> Names(const ModelList& list) {
        std::vector<std::string> names;
        for (const auto& m : list)
            names.push_back(m->Name);
        return names;
    }
    static ModelList OneRecord(const char* name) {
        ModelList list;
        list.push_back(std::make_unique<CModelInfo2>());
        list.back()->Name = name;
        return list;
    }
    test::Sandbox box_;
};

TEST_F(ModelCatalogPrefetchTest, AnUnchangedCatalogIsHandedOverAsTheReaderBuildsIt) {
    WriteOldCatalog(kTwoModels);
    ModelCatalogPrefetch prefetch;
    prefetch.Start();
    ModelList list;
    FileReadResult result;
    ASSERT_TRUE(prefetch.Take(list, result));
    EXPECT_TRUE(result.ok());
    ModelList direct;
    LoadModelCatalogFrom(kModelCatalogFile, direct, 0);
    EXPECT_EQ(Names(list), Names(direct));
    EXPECT_EQ(list[0]->ModelID, 101);
    // Handed over once: a second window would read for itself.
    ModelList again = OneRecord("keep");
    EXPECT_FALSE(prefetch.Take(again, result));
    EXPECT_EQ(Names(again), std::vector<std::string>{"keep"});
}

TEST_F(ModelCatalogPrefetchTest, ACatalogChangedSinceTheReadIsLeftToTheWindow) {
    // Rewritten in place with as many bytes, and replaced by another file.
    for (bool replace : {false, true}) {
        WriteOldCatalog(kTwoModels);
        ModelCatalogPrefetch prefetch;
        prefetch.Start();
        WaitUntilRead(prefetch);
        if (replace) {
            box_.Write("new.txt", kTwoOthers);
            ASSERT_EQ(std::rename(box_.File("new.txt").c_str(), box_.File("OrvaneModel.txt").c_str()), 0);
        } else {
            box_.Write("OrvaneModel.txt", kTwoOthers);
        }
        ModelList list = OneRecord("keep");
        FileReadResult result;
        EXPECT_FALSE(prefetch.Take(list, result)) << replace;
        EXPECT_EQ(Names(list), std::vector<std::string>{"keep"});
    }
}

TEST_F(ModelCatalogPrefetchTest, AJustWrittenCatalogIsReadAgain) {
    // Its time stamp could not tell a second write within the same tick.
    box_.Write("OrvaneModel.txt", kTwoModels);
    ModelCatalogPrefetch prefetch;
    prefetch.Start();
    ModelList list;
    FileReadResult result;
    EXPECT_FALSE(prefetch.Take(list, result));
}

TEST_F(ModelCatalogPrefetchTest, AMissingCatalogIsReportedMissing) {
    ModelCatalogPrefetch prefetch;
    prefetch.Start();
    ModelList list = OneRecord("stale");
    FileReadResult result;
    ASSERT_TRUE(prefetch.Take(list, result));
    EXPECT_TRUE(result.missing());
    EXPECT_TRUE(list.empty());
}

TEST_F(ModelCatalogPrefetchTest, NothingStartedNothingHandedOver) {
    ModelCatalogPrefetch prefetch;
    ModelList list;
    FileReadResult result;
    EXPECT_FALSE(prefetch.Take(list, result));
}

TEST(ModelCatalogPause, NoPausesOnceHurried) {
    // A program ending before its window waits for no pause: with a pause of minutes, a
    // reader that still paused would hang here until the test's time-out.
    const PrivateProfile ini = PrivateProfile::Parse("[MODEL]\nNum=3\nModel_001=A\nModel_002=B\nModel_003=C\n");
    const std::atomic<bool> hurry{true};
    ModelList list;
    ReadModelCatalog(ini, list, 600000, &hurry);
    EXPECT_EQ(list.size(), 3u);
}

} // namespace
} // namespace orvane
