#include "explore/DefaultOpener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

constexpr char kProgram[] = "xdg-open";

bool isExecutableFile(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Holds spawn's attributes and file actions for one start, released on every way out.
class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // 0 or an errno value.
    int prepare()
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int problem = posix_spawnattr_setflags(&attributes,
                                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (problem == 0)
            problem = posix_spawnattr_setsigmask(&attributes, &none);
        if (problem == 0)
            problem = posix_spawnattr_setsigdefault(&attributes, &all);
        if (problem == 0)
            problem = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (problem == 0)
            problem = posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (problem == 0)
            problem = posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        if (problem == 0)
            problem = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        return problem;
    }

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
};

} // namespace

std::string DefaultOpener::findOnPath(const std::string& program, const std::string& searchPath)
{
    for (std::size_t start = 0;;) {
        const std::size_t end = searchPath.find(':', start);
        std::string folder = searchPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + program;
        if (isExecutableFile(candidate))
            return candidate;
        if (end == std::string::npos)
            return std::string();
        start = end + 1;
    }
}

std::string DefaultOpener::open(const std::string& absolutePath)
{
    if (absolutePath.empty() || absolutePath[0] != '/')
        return "not an absolute path";
    const char* searchPath = std::getenv("PATH");
    const std::string program = findOnPath(kProgram, searchPath != nullptr ? searchPath : "");
    if (program.empty())
        return std::string(kProgram) + " is not on PATH";

    SpawnSetup setup;
    int problem = setup.prepare();
    pid_t child = -1;
    if (problem == 0) {
        std::string name = kProgram;
        std::string argument = absolutePath;
        char* arguments[] = {name.data(), argument.data(), nullptr};
        problem = posix_spawn(&child, program.c_str(), &setup.actions, &setup.attributes, arguments, environ);
    }
    if (problem != 0)
        return std::string("cannot start ") + kProgram + ": " + std::strerror(problem);

    // Waiting in a thread of its own reaps the child the moment it ends, even
    // while the event loop sleeps; it shares nothing, so it may outlive the loop.
    std::thread([child] {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
    }).detach();
    return std::string();
}
