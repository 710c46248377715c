#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

class XSession;

// How long a quit may take on this machine as it is now. A limit in
// milliseconds alone measures the machine under load, not the viewer: this one
// adds a multiple of a reference taken beside the quit, at the same moment, so
// a loaded machine raises it and a viewer that dawdles still goes over it.
//
// The reference is a process that holds as much memory and as many threads
// as the viewer (each thread has to be scheduled once more to end, and the
// memory torn down, which takes a while on a busy machine) and keeps one of
// them busy, ended by the same signal the moment the viewer is asked to quit;
// for a request through the X server, the round trips XSession::close makes
// come on top.
//
// The reference ends sooner than the viewer, so a moment in which the whole
// machine stands still (a virtual machine's host taking the cores, a burst of
// reclaim) may fall after it and delay only the viewer. A thread of the test
// sleeps a millisecond at a time from the request until the limit is asked
// for, and every wake-up that comes late adds its delay to the limit.
//
//   QuitReference reference(session.pid());
//   session.sendSignal(SIGTERM);
//   reference.signal(SIGTERM);
//   ... the viewer's exit takes elapsed ms ...
//   EXPECT_LT(elapsed, reference.limitMs());
class QuitReference {
public:
    // The viewer's own allowance, which an idle machine leaves as it is.
    static constexpr double kProgramMs = 200.0;
    static constexpr double kLoadFactor = 4.0;

    // The median time of a few rounds of the round trips XSession::close makes.
    static double roundTripsMs(XSession& x);

    // Starts the reference process like process `like` as it is now, and
    // waits until it holds its memory and threads.
    explicit QuitReference(pid_t like);
    ~QuitReference();
    QuitReference(const QuitReference&) = delete;
    QuitReference& operator=(const QuitReference&) = delete;

    // Sends it `signalNumber`: right after the viewer's request.
    void signal(int signalNumber);
    // Waits until it has ended; the time from signal() until then, in ms.
    double elapsedMs();
    // How long the viewer's quit may have taken: the allowance, the load
    // factor times the reference (plus `throughXMs` for a request that passes
    // the X server), and the time the machine stood still since signal().
    // Ends the watch for standstills; prints the parts.
    double limitMs(double throughXMs = 0.0);

private:
    void watchForStandstills();

    pid_t child = -1;
    int readyFd = -1;
    std::chrono::steady_clock::time_point sent;
    std::chrono::steady_clock::time_point ended;
    std::thread watcher;
    std::atomic<bool> watching{false};
    double standstillMs = 0.0;
    std::thread standstillWatch;
};
