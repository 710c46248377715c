#pragma once

#include <sys/types.h>

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
//   QuitReference reference(session.pid());
//   session.sendSignal(SIGTERM);
//   reference.signal(SIGTERM);
//   ... the viewer's exit takes elapsed ms ...
//   EXPECT_LT(elapsed, QuitReference::limitMs(reference.elapsedMs()));
class QuitReference {
public:
    // The viewer's own allowance, which an idle machine leaves as it is.
    static constexpr double kProgramMs = 200.0;
    static constexpr double kLoadFactor = 4.0;

    static double limitMs(double referenceMs) { return kProgramMs + kLoadFactor * referenceMs; }
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

private:
    pid_t child = -1;
    int readyFd = -1;
    std::chrono::steady_clock::time_point sent;
    std::chrono::steady_clock::time_point ended;
    std::thread watcher;
};
