#include "tests/e2e/QuitReference.h"

#include "tools/XSession.h"

#include <poll.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 3;
// A wake-up later than this after a 1 ms sleep counts as the machine standing
// still; below it is the timer's and the scheduler's ordinary slack.
constexpr double kStandstillMs = 2.0;
// XSession::close: two atoms and a sync.
constexpr int kCloseRoundTrips = 3;

using Clock = std::chrono::steady_clock;

// A number from /proc/<pid>/status, as "Name:   1234 kB" gives it; 0 when missing.
std::size_t statusValue(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::stoul(line.substr(name.size() + 1));
    return 0;
}

void* waitForever(void*)
{
    for (;;)
        pause();
}

} // namespace

double QuitReference::roundTripsMs(XSession& x)
{
    std::vector<double> rounds;
    for (int i = 0; i < kRounds; ++i) {
        const Clock::time_point start = Clock::now();
        for (int trip = 0; trip < kCloseRoundTrips; ++trip)
            x.roundTrip();
        rounds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

QuitReference::QuitReference(pid_t like)
{
    const std::size_t bytes = statusValue(like, "VmRSS") * 1024;
    const std::size_t threads = statusValue(like, "Threads");
    int ready[2];
    if (pipe(ready) != 0)
        return;
    child = fork();
    if (child == 0) {
        // The test has no other thread here, so the child may start its own.
        close(ready[0]);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        void* memory = mmap(nullptr, std::max<std::size_t>(bytes, 1), PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED)
            std::memset(memory, 1, bytes);
        for (std::size_t i = 1; i < threads; ++i) {
            pthread_t thread;
            pthread_create(&thread, nullptr, waitForever, nullptr);
        }
        const char byte = 'r';
        if (write(ready[1], &byte, 1) != 1)
            _exit(1);
        // Busy, as the viewer is in the middle of its work: the scheduler
        // lets a process that just used its share wait longer than one
        // that slept, also for the last steps of ending.
        for (volatile unsigned long spin = 0;; spin = spin + 1) {}
    }
    close(ready[1]);
    readyFd = ready[0];
    char byte = 0;
    if (child < 0 || read(readyFd, &byte, 1) != 1) {
        close(readyFd);
        readyFd = -1;
    }
}

QuitReference::~QuitReference()
{
    watching = false;
    if (standstillWatch.joinable())
        standstillWatch.join();
    if (watcher.joinable())
        watcher.join();
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    if (readyFd >= 0)
        close(readyFd);
}

void QuitReference::signal(int signalNumber)
{
    if (readyFd < 0 || watcher.joinable())
        return;
    sent = Clock::now();
    watching = true;
    standstillWatch = std::thread([this] { watchForStandstills(); });
    kill(child, signalNumber);
    // Its end of the pipe closes as it ends, after its memory is gone.
    watcher = std::thread([this] {
        pollfd closing{readyFd, POLLIN, 0};
        char byte = 0;
        while (poll(&closing, 1, -1) < 0 || read(readyFd, &byte, 1) > 0) {}
        ended = Clock::now();
    });
}

double QuitReference::elapsedMs()
{
    if (!watcher.joinable())
        return 0.0;
    watcher.join();
    return std::chrono::duration<double, std::milli>(ended - sent).count();
}

double QuitReference::limitMs(double throughXMs)
{
    const double referenceMs = elapsedMs();
    watching = false;
    if (standstillWatch.joinable())
        standstillWatch.join();
    std::printf("[ figures  ] reference %.0f ms, X round trips %.0f ms, the machine stood still %.0f ms\n", referenceMs,
                throughXMs, standstillMs);
    return kProgramMs + kLoadFactor * (referenceMs + throughXMs) + standstillMs;
}

void QuitReference::watchForStandstills()
{
    constexpr double kNapMs = 1.0;
    while (watching) {
        const Clock::time_point before = Clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(kNapMs));
        const double lateMs = std::chrono::duration<double, std::milli>(Clock::now() - before).count() - kNapMs;
        if (lateMs > kStandstillMs)
            standstillMs += lateMs;
    }
}
