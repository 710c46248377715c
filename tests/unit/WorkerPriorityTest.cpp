#include "scene/WorkerPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
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

// A library's thread left at the lowest priority (the GL driver's shader
// cache writer runs at niceness 19 in the batch class) would hold up the end
// of the process on a busy machine: it comes back to the worker's level.
TEST(WorkerPriority, AThreadBelowTheWorkersIsRaisedToThem)
{
    std::mutex lock;
    std::condition_variable changed;
    bool lowered = false;
    bool done = false;
    id_t lowThread = 0;
    std::thread low([&] {
        const sched_param none{};
        ASSERT_EQ(sched_setscheduler(0, SCHED_BATCH, &none), 0);
        ASSERT_EQ(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19), 0);
        std::unique_lock<std::mutex> held(lock);
        lowThread = static_cast<id_t>(gettid());
        lowered = true;
        changed.notify_all();
        changed.wait(held, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&] { return lowered; });
    }
    EXPECT_GE(WorkerPriority::raiseThreadsBelowWorkers(), 1);
    EXPECT_EQ(sched_getscheduler(static_cast<pid_t>(lowThread)), SCHED_OTHER);
    // Lowering a niceness takes the privilege to.
    if (geteuid() == 0) {
        EXPECT_EQ(getpriority(PRIO_PROCESS, lowThread), WorkerPriority::nicenessBelow(getpriority(PRIO_PROCESS, 0)));
    }
    // The calling thread, at the process's own level, is left alone.
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
    {
        std::lock_guard<std::mutex> held(lock);
        done = true;
    }
    changed.notify_all();
    low.join();
}
