#include "tools/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

std::vector<std::string> buildEnvironment(const ChildOptions& options)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& name : options.unsetEnvironment)
        variables.erase(name);
    for (const auto& [name, value] : options.setEnvironment)
        variables[name] = value;
    std::vector<std::string> result;
    for (const auto& [name, value] : variables)
        result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// A pseudo-terminal as a pipe: [0] the parent's end, [1] the child's. Neither
// becomes a controlling terminal; both close on exec.
bool openTerminal(int ends[2])
{
    const int parentEnd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (parentEnd < 0)
        return false;
    const char* childName = nullptr;
    if (grantpt(parentEnd) != 0 || unlockpt(parentEnd) != 0 || (childName = ptsname(parentEnd)) == nullptr) {
        ::close(parentEnd);
        return false;
    }
    const int childEnd = open(childName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (childEnd < 0) {
        ::close(parentEnd);
        return false;
    }
    ends[0] = parentEnd;
    ends[1] = childEnd;
    return true;
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (childPid > 0 && !hasExited) {
        kill(childPid, SIGKILL);
        reap(true);
    }
    closePipes();
}

bool ChildProcess::start(const std::vector<std::string>& argv, const ChildOptions& options)
{
    if (childPid > 0) {
        lastError = "this child was started already";
        return false;
    }
    if (argv.empty()) {
        lastError = "no program given";
        return false;
    }

    // Everything the child needs is built before it is spawned.
    std::vector<std::string> arguments = argv;
    std::vector<char*> argumentPointers = pointersTo(arguments);
    std::vector<std::string> environment = buildEnvironment(options);
    std::vector<char*> environmentPointers = pointersTo(environment);

    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    const bool errTerminal = options.standardErrorOnTerminal && !options.discardOutput;
    if (!options.discardOutput
        && (pipe2(outPipe, O_CLOEXEC) != 0
            || (errTerminal ? !openTerminal(errPipe) : pipe2(errPipe, O_CLOEXEC) != 0))) {
        lastError = std::string(errTerminal ? "pipe or pseudo-terminal: " : "pipe: ") + std::strerror(errno);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }

    // Spawned rather than forked: the cost of a fork grows with the parent's
    // memory, and the benchmarks time children against their own code.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.standardInput >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.standardInput, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (options.discardOutput) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    }
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
    // Duplicating a descriptor onto itself clears its close-on-exec flag.
    for (int fd : options.inheritDescriptors)
        posix_spawn_file_actions_adddup2(&actions, fd, fd);

    // A test runner may have left these ignored or blocked; the child starts
    // clean, but for the signals it is asked to start with blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signalNumber : {SIGTERM, SIGINT, SIGPIPE})
        sigaddset(&defaults, signalNumber);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signalNumber : options.blockedSignals)
        sigaddset(&blocked, signalNumber);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int failure = posix_spawnp(&pid, argumentPointers[0], &actions, &attributes, argumentPointers.data(),
                                     environmentPointers.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {outPipe[1], errPipe[1]})
        if (fd >= 0)
            ::close(fd);
    if (failure != 0) {
        lastError = "cannot run " + argv[0] + ": " + std::strerror(failure);
        for (int fd : {outPipe[0], errPipe[0]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }

    childPid = pid;
    outFd = outPipe[0];
    errFd = errPipe[0];
    return true;
}

void ChildProcess::pump(int timeoutMs)
{
    pollfd fds[2];
    nfds_t count = 0;
    if (outFd >= 0)
        fds[count++] = pollfd{outFd, POLLIN, 0};
    if (errFd >= 0)
        fds[count++] = pollfd{errFd, POLLIN, 0};
    if (count == 0) {
        if (timeoutMs > 0)
            poll(nullptr, 0, timeoutMs);
        return;
    }
    if (poll(fds, count, timeoutMs) <= 0)
        return;
    for (nfds_t i = 0; i < count; ++i) {
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        std::string& target = fds[i].fd == outFd ? outText : errText;
        if (got > 0) {
            target.append(buffer, static_cast<std::size_t>(got));
        } else {
            int& fd = fds[i].fd == outFd ? outFd : errFd;
            ::close(fd);
            fd = -1;
        }
    }
}

void ChildProcess::reap(bool block)
{
    if (childPid <= 0 || hasExited)
        return;
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(childPid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result != childPid)
        return;
    hasExited = true;
    if (WIFEXITED(status)) {
        code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        code = 128 + WTERMSIG(status);
    }
}

void ChildProcess::closePipes()
{
    for (int* fd : {&outFd, &errFd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

bool ChildProcess::running()
{
    pump(0);
    reap(false);
    return childPid > 0 && !hasExited;
}

bool ChildProcess::waitForExit()
{
    if (childPid <= 0)
        return false;
    while (outFd >= 0 || errFd >= 0)
        pump(-1);
    reap(true);
    return hasExited;
}

bool ChildProcess::waitForExit(int timeoutMs)
{
    if (childPid <= 0)
        return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!hasExited) {
        pump(std::min(remainingMs(deadline), 20));
        reap(false);
        if (!hasExited && remainingMs(deadline) == 0)
            return false;
    }
    // Collect what the child wrote just before it ended (a grandchild may keep
    // the pipes open, so this is bounded too).
    const auto drainDeadline = Clock::now() + std::chrono::milliseconds(500);
    while ((outFd >= 0 || errFd >= 0) && remainingMs(drainDeadline) > 0)
        pump(std::min(remainingMs(drainDeadline), 20));
    return true;
}

bool ChildProcess::waitForOutput(const std::string& text, int timeoutMs, bool onStandardError)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string& haystack = onStandardError ? errText : outText;
    for (;;) {
        if (haystack.find(text) != std::string::npos)
            return true;
        if (remainingMs(deadline) == 0)
            return false;
        if (hasExited && outFd < 0 && errFd < 0)
            return false; // nothing more can come
        pump(std::min(remainingMs(deadline), 20));
        reap(false);
    }
}

bool ChildProcess::sendSignal(int signalNumber)
{
    if (childPid <= 0 || hasExited)
        return false;
    return kill(childPid, signalNumber) == 0;
}

void ChildProcess::stop(int graceMs)
{
    if (childPid <= 0 || hasExited)
        return;
    sendSignal(SIGTERM);
    if (!waitForExit(graceMs)) {
        sendSignal(SIGKILL);
        waitForExit(5000);
    }
}

double ChildProcess::cpuSeconds() const
{
    std::ifstream stat("/proc/" + std::to_string(childPid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // After the name in parentheses: state, then fields 4 to 13, then utime and stime.
    const std::size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos)
        return -1.0;
    std::istringstream fields(text.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 3; field <= 13; ++field)
        fields >> skipped;
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(fields >> user >> system))
        return -1.0;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
