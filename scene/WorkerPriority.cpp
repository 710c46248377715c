#include "scene/WorkerPriority.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

int WorkerPriority::nicenessBelow(int own)
{
    return std::max(own, std::min(own + kStep, kLowest));
}

void WorkerPriority::lowerCallingThread()
{
    // -1 is a niceness too: only errno tells a failure.
    errno = 0;
    const id_t self = static_cast<id_t>(gettid());
    const int own = getpriority(PRIO_PROCESS, self);
    if (own == -1 && errno != 0)
        return;
    setpriority(PRIO_PROCESS, self, nicenessBelow(own));
}

int WorkerPriority::raiseThreadsBelowWorkers()
{
    // System calls only, no allocation: a signal handler calls this too.
    errno = 0;
    const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (own == -1 && errno != 0)
        return 0;
    const int worker = nicenessBelow(own);
    const int tasks = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (tasks < 0)
        return 0;
    int raised = 0;
    alignas(dirent64) char buffer[4096];
    for (;;) {
        const ssize_t filled = getdents64(tasks, buffer, sizeof buffer);
        if (filled <= 0)
            break;
        for (ssize_t at = 0; at < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            pid_t tid = 0;
            const char* digit = entry->d_name;
            for (; *digit >= '0' && *digit <= '9'; ++digit)
                tid = tid * 10 + (*digit - '0');
            if (tid <= 0 || *digit != '\0')
                continue;
            const int policy = sched_getscheduler(tid);
            errno = 0;
            const int niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
            const bool lowClass = policy == SCHED_BATCH || policy == SCHED_IDLE;
            const bool tooNice = !(niceness == -1 && errno != 0) && niceness > worker;
            if (lowClass) {
                const sched_param ordinary{};
                sched_setscheduler(tid, SCHED_OTHER, &ordinary);
            }
            if (tooNice)
                setpriority(PRIO_PROCESS, static_cast<id_t>(tid), worker);
            raised += lowClass || tooNice ? 1 : 0;
        }
    }
    close(tasks);
    return raised;
}
