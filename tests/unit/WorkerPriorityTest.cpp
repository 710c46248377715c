#include "scene/WorkerPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

TEST(WorkerPriority, TheWorkerRunsOneStepBelowTheProcessAndNeverAboveIt)
{
    EXPECT_EQ(WorkerPriority::nicenessBelow(0), 1);
    // A process raised above the default keeps its worker raised too.
    EXPECT_EQ(WorkerPriority::nicenessBelow(-5), -4);
    EXPECT_EQ(WorkerPriority::nicenessBelow(19), 19);
    // Within the disk priority level of a process at the default niceness.
    EXPECT_EQ((WorkerPriority::nicenessBelow(0) + 20) / 5, (0 + 20) / 5);

    // A thread started at niceness 10 ends one step below that, not at a fixed value.
    int lowered = 0;
    std::thread([&] {
        const id_t self = static_cast<id_t>(gettid());
        ASSERT_EQ(setpriority(PRIO_PROCESS, self, 10), 0);
        WorkerPriority::lowerCallingThread();
        lowered = getpriority(PRIO_PROCESS, self);
    }).join();
    EXPECT_EQ(lowered, 11);
}
