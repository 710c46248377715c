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

    // Raises every thread of the process that runs below the worker's
    // priority (a library's background thread, such as the GL driver's shader
    // cache writer, which runs at the lowest niceness in the batch class) to
    // the worker's niceness in the ordinary class. The process ends only
    // once each of its threads has run once more, and a busy machine leaves
    // such a thread waiting for a second or more. Without the privilege to
    // raise a niceness, only the class changes. Makes system calls only, so
    // a signal handler may call it. Returns how many it raised.
    static int raiseThreadsBelowWorkers();
};
