#include "bench/QuietCommand.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

QuietCommand::QuietCommand(std::vector<std::string> commandArguments) : arguments(std::move(commandArguments))
{
}

bool QuietCommand::run()
{
    if (arguments.empty()) {
        lastError = "no program given";
        return false;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        lastError = "cannot start " + arguments[0] + ": " + std::strerror(spawned);
        return false;
    }

    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            lastError = "cannot wait for " + arguments[0] + ": " + std::strerror(errno);
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    lastError = arguments[0] + " failed with status " + std::to_string(status);
    return false;
}
