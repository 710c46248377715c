#pragma once

// How much the scan's worker yields to the window's thread. Only a step
// below the process's own niceness: the window's thread sleeps between
// frames and wakes ahead of a thread that has been running, so a small step
// keeps walking smooth, while a large one mostly slows the scan against
// every other process on a busy machine, and, past one step, also lowers its
// disk priority, which follows the niceness in steps of five.
class WorkerPriority {
public:
    static constexpr int kStep = 1;
    static constexpr int kLowest = 19;

    // The worker's niceness for a process at `own`: one step above it,
    // never past the lowest priority and never above the process's own.
    static int nicenessBelow(int own);

    // Lowers the calling thread by that rule from its own niceness; a thread
    // that cannot tell its niceness is left as it is.
    static void lowerCallingThread();
};
