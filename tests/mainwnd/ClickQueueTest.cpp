#include "mainwnd/ClickQueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

std::vector<int> Drain(ClickQueue& queue) {
    std::vector<int> out;
    for (int id; (id = queue.Take()) != 0;)
        out.push_back(id);
    return out;
}

TEST(ClickQueueTest, RepeatsCountOnceButAlternationsKeepTheirOrder) {
    ClickQueue queue;
    // Power On runs; a double click on it, then Blank On three times, Blank Off, Blank On.
    EXPECT_FALSE(queue.Add(2792, 2792));
    EXPECT_TRUE(queue.Add(2786, 2792));
    EXPECT_FALSE(queue.Add(2786, 2792));
    EXPECT_FALSE(queue.Add(2786, 2792));
    EXPECT_TRUE(queue.Add(2793, 2792));
    EXPECT_TRUE(queue.Add(2786, 2792));
    EXPECT_EQ(Drain(queue), (std::vector<int>{2786, 2793, 2786}));
    // The same button as the one that ran before is a new click once the queue was empty
    // and something else runs.
    EXPECT_TRUE(queue.Add(2792, 2775));
    EXPECT_EQ(queue.Take(), 2792);
}

TEST(ClickQueueTest, OnlyAFewWait) {
    ClickQueue queue;
    for (int id = 1; id <= 10; ++id)
        queue.Add(100 + id, 1);
    EXPECT_EQ(queue.Size(), ClickQueue::kMaxWaiting);
    EXPECT_EQ(Drain(queue), (std::vector<int>{101, 102, 103}));
    EXPECT_TRUE(queue.Empty());
}

} // namespace
} // namespace orvane
