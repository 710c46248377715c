#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// How to start a child: changes to the inherited environment, and whether to
// keep its output (captured through pipes) or throw it away.
struct ChildOptions {
    std::map<std::string, std::string> setEnvironment;
    std::vector<std::string> unsetEnvironment;
    // Descriptors of the parent that the child inherits under the same numbers.
    std::vector<int> inheritDescriptors;
    // A descriptor of the parent the child reads as its standard input (a
    // pipe the caller writes); -1 for /dev/null.
    int standardInput = -1;
    bool discardOutput = false;
    // The folder the child starts in; empty for the parent's.
    std::string workingDirectory;
    // Standard error goes to a new pseudo-terminal instead of a pipe; what the
    // child writes there is captured all the same (as the terminal passes it on).
    bool standardErrorOnTerminal = false;
    // Signals the child starts with blocked (as a parent may leave them): one
    // sent to it then waits until the child unblocks it. None by default.
    std::vector<int> blockedSignals;
};

// A child process with its standard output and standard error captured.
// Both pipes are drained together while waiting, so a chatty child never
// blocks on a full pipe. A child still running when this object goes is killed.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is looked up in PATH unless it contains a '/'. False (see error())
    // when the program can't be started at all.
    bool start(const std::vector<std::string>& argv, const ChildOptions& options = ChildOptions());
    const std::string& error() const { return lastError; }
    pid_t pid() const { return childPid; }

    // True while the child has not exited; reads whatever output is waiting.
    bool running();
    // Reads output until the child exits or the timeout passes; true when it exited.
    bool waitForExit(int timeoutMs);
    // Reads output until the child exits, however long it takes, and returns the
    // moment it does (a child without pipes is waited for directly, not polled).
    bool waitForExit();
    // Reads output until `text` shows in standard output (or standard error) or the timeout passes.
    bool waitForOutput(const std::string& text, int timeoutMs, bool onStandardError = false);
    bool sendSignal(int signalNumber);
    // SIGTERM, then SIGKILL if it is still there after graceMs; waits for it.
    void stop(int graceMs = 2000);

    // Processor time (user and system) the running child has used so far, in
    // seconds, read from /proc; -1 when it cannot be read.
    double cpuSeconds() const;

    bool exited() const { return hasExited; }
    // The exit status, or 128 + the signal number when a signal ended it; -1 while running.
    int exitCode() const { return code; }

    const std::string& standardOutput() const { return outText; }
    const std::string& standardError() const { return errText; }

private:
    void pump(int timeoutMs);
    void reap(bool block);
    void closePipes();

    pid_t childPid = -1;
    int outFd = -1;
    int errFd = -1;
    bool hasExited = false;
    int code = -1;
    std::string outText;
    std::string errText;
    std::string lastError;
};
