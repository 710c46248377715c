#include "scene/WorkerPriority.h"

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
