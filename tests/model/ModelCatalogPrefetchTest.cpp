#include "model/ModelCatalogPrefetch.h"

#include "platform/PrivateProfile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace orvane {
namespace {

constexpr const char* kTwoModels = "[MODEL]\nNum=2\nModel_001=AX-210\nModel_002=CP-22\n[AX-210]\nModelID=101\n";
constexpr const char* kTwoOthers = "[MODEL]\nNum=2\nModel_001=QX-88\nModel_002=LM-10\n[QX-88]\nModelID=101\n";

class ModelCatalogPrefetchTest : public ::testing::Test {
protected:
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
    box_.Write("OrvaneModel.txt", kTwoModels);
    ModelCatalogPrefetch prefetch;
    prefetch.Start();
    ModelList list;
    FileReadResult result;
    ASSERT_TRUE(prefetch.Take(list, result));
    EXPECT_TRUE(result.ok());
    ModelList direct;
    ASSERT_TRUE(LoadModelCatalogFrom(kModelCatalogFile, direct, 0).ok());
    EXPECT_EQ(Names(list), Names(direct));
    EXPECT_EQ(list[0]->ModelID, 101);
    // Handed over once: a second window would read for itself.
    ModelList again = OneRecord("keep");
    EXPECT_FALSE(prefetch.Take(again, result));
    EXPECT_EQ(Names(again), std::vector<std::string>{"keep"});
}

TEST_F(ModelCatalogPrefetchTest, ACatalogChangedSinceTheReadIsLeftToTheWindow) {
    enum Change { Rewritten, Replaced, Removed, Created };
    for (Change change : {Rewritten, Replaced, Removed, Created}) {
        std::remove(box_.File("OrvaneModel.txt").c_str());
        if (change != Created)
            box_.Write("OrvaneModel.txt", kTwoModels);
        ModelCatalogPrefetch prefetch;
        prefetch.Start();
        WaitUntilRead(prefetch);
        switch (change) {
        case Rewritten: // in place, as many bytes, within the same tick of the file's clock
        case Created:
            box_.Write("OrvaneModel.txt", kTwoOthers);
            break;
        case Replaced:
            box_.Write("new.txt", kTwoOthers);
            ASSERT_EQ(std::rename(box_.File("new.txt").c_str(), box_.File("OrvaneModel.txt").c_str()), 0);
            break;
        case Removed:
            ASSERT_EQ(std::remove(box_.File("OrvaneModel.txt").c_str()), 0);
            break;
        }
        ModelList list = OneRecord("keep");
        FileReadResult result;
        EXPECT_FALSE(prefetch.Take(list, result)) << change;
        EXPECT_EQ(Names(list), std::vector<std::string>{"keep"}) << change;
    }
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

TEST(ModelCatalogPause, TheListIsCompleteBeforeThePauseAfterTheLastModel) {
    // The window takes the list as soon as it is complete. With a pause of minutes, a
    // reader that announced the list only after its last pause would hang here.
    const PrivateProfile ini = PrivateProfile::Parse("[MODEL]\nNum=1\nModel_001=A\n[A]\nModelID=7\n");
    std::atomic<bool> hurry{false};
    ModelList list;
    std::vector<std::string> seen;
    int calls = 0;
    ReadModelCatalog(ini, list, 600000, &hurry, [&] {
        ++calls;
        for (const auto& m : list)
            seen.push_back(m->Name + ":" + std::to_string(m->ModelID));
        hurry = true;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, std::vector<std::string>{"A:7"});
}

} // namespace
} // namespace orvane
