#include "app/QuitSignals.h"

#include "app/ScanProgressLine.h"
#include "scene/WorkerPriority.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace {

// Lock-free atomics: the handler reads them.
std::atomic<ScanProgressLine*> gProgressLine{nullptr};
std::atomic<bool> gStartingUp{true};
volatile std::sig_atomic_t gRequested = 0;
// The thread whose event loop reads the request.
pthread_t gMainThread;

constexpr int kQuitSignals[] = {SIGINT, SIGTERM};

// Only async-signal-safe work: a write, _exit, an atomic store.
void onQuitSignal(int signalNumber)
{
    if (gStartingUp.load()) {
        if (ScanProgressLine* line = gProgressLine.load())
            line->eraseFromSignalHandler();
        WorkerPriority::raiseThreadsBelowWorkers();
        _exit(0);
    }
    gRequested = 1;
    // A signal sent to the process may land on any thread that does not block
    // it; the event loop's wait is cut short only on the main thread.
    if (pthread_equal(pthread_self(), gMainThread) == 0)
        pthread_kill(gMainThread, signalNumber);
}

void eraseAtExit()
{
    if (ScanProgressLine* line = gProgressLine.load())
        line->erase();
}

} // namespace

void QuitSignals::install()
{
    gMainThread = pthread_self();
    static_assert(std::atomic<ScanProgressLine*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
                  "the signal handler reads these");
    sigset_t quitSet;
    sigemptyset(&quitSet);
    for (int signalNumber : kQuitSignals) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onQuitSignal;
        sigemptyset(&action.sa_mask);
        // Calls the main thread is in go on after a recorded request.
        action.sa_flags = SA_RESTART;
        sigaction(signalNumber, &action, nullptr);
        sigaddset(&quitSet, signalNumber);
    }
    sigprocmask(SIG_UNBLOCK, &quitSet, nullptr);
}

void QuitSignals::setProgressLine(ScanProgressLine* line)
{
    static const bool registered = std::atexit(eraseAtExit) == 0;
    (void)registered;
    gProgressLine.store(line);
}

void QuitSignals::startupOver()
{
    gStartingUp.store(false);
}

bool QuitSignals::takeRequest()
{
    if (gRequested == 0)
        return false;
    gRequested = 0;
    return true;
}
