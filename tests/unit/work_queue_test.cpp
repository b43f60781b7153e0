#include <gtest/gtest.h>

#include <utility>

#include "gfx/WorkQueue.h"

namespace vellumo {
namespace {

using Queue = WorkQueue<int>;
using Step = Queue::Step;

TEST(WorkQueue, RunsInOrderAndIsIdleOnlyOnceTheLastJobIsDone) {
    Queue q;
    EXPECT_TRUE(q.Idle());
    EXPECT_EQ(q.WhatNext(0).step, Step::Wait);
    EXPECT_EQ(q.WhatNext(0).waitMs, 0u);
    q.Push(1);
    q.Push(2);
    EXPECT_FALSE(q.Idle());
    ASSERT_EQ(q.WhatNext(0).step, Step::Run);
    EXPECT_EQ(q.Take(), 1);
    q.Done();
    ASSERT_EQ(q.WhatNext(0).step, Step::Run);
    EXPECT_EQ(q.Take(), 2);
    // Taken but still running: whoever waits for the files must go on waiting.
    EXPECT_FALSE(q.Idle());
    EXPECT_EQ(q.WhatNext(0).step, Step::Wait);
    q.Done();
    EXPECT_TRUE(q.Idle());
}

TEST(WorkQueue, AJobWaitsForItsMomentUnlessTheOwnerHurries) {
    Queue q;
    q.Push(7, 1400);
    for (const auto& [now, wait] : {std::pair{1000u, 400u}, std::pair{1399u, 1u}}) {
        const Queue::Next next = q.WhatNext(now);
        EXPECT_EQ(next.step, Step::Wait) << now;
        EXPECT_EQ(next.waitMs, wait) << now;
    }
    EXPECT_EQ(q.WhatNext(1400).step, Step::Run);
    EXPECT_EQ(q.WhatNext(5000).step, Step::Run);

    // The program ending: the write starts at once, and so do later ones.
    q.Hurry();
    EXPECT_EQ(q.WhatNext(1000).step, Step::Run);
    q.Push(8, 9000);
    EXPECT_EQ(q.Take(), 7);
    q.Done();
    EXPECT_EQ(q.WhatNext(1000).step, Step::Run);
}

TEST(WorkQueue, StoppingEndsTheThreadOnlyOnceEveryQueuedJobHasRun) {
    Queue q;
    q.Push(1, 5000);
    q.Push(2, 6000);
    q.Stop();
    // Nothing queued before the end is dropped, nor kept waiting.
    for (const int expected : {1, 2}) {
        ASSERT_EQ(q.WhatNext(0).step, Step::Run);
        EXPECT_EQ(q.Take(), expected);
        q.Done();
    }
    EXPECT_EQ(q.WhatNext(0).step, Step::End);
    EXPECT_TRUE(q.Idle());
}

TEST(WorkQueue, WaitLeftCountsDownToZeroAndKeepsForever) {
    constexpr std::uint64_t kForever = 0xFFFFFFFF;
    EXPECT_EQ(WaitLeft(100, 100, 3000, kForever), 3000u);
    EXPECT_EQ(WaitLeft(100, 3099, 3000, kForever), 1u);
    EXPECT_EQ(WaitLeft(100, 3100, 3000, kForever), 0u);
    EXPECT_EQ(WaitLeft(100, 9999, 3000, kForever), 0u);
    // A clock read before the start (another thread's) spends nothing.
    EXPECT_EQ(WaitLeft(100, 50, 3000, kForever), 3000u);
    EXPECT_EQ(WaitLeft(100, 1u << 30, kForever, kForever), kForever);
}

}  // namespace
}  // namespace vellumo
