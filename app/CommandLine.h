#pragma once

#include <string>
#include <vector>

// What the program was asked to do by its arguments (argv without the program
// name). Only reads the words: whether the folder exists is checked later.
//
//   lumenfold [--help | -h | --version] [--] [FOLDER]
//
// "--" ends the options, so that a folder whose name begins with '-' can be
// given; a lone "-" is a folder name.
class CommandLine {
public:
    enum class Action { ShowScene, ShowHelp, ShowVersion, UsageError };

    explicit CommandLine(const std::vector<std::string>& arguments);

    Action action() const { return chosen; }
    // The folder to show; empty when none was given (ShowScene only).
    const std::string& folder() const { return folderArgument; }
    bool hasFolder() const { return folderGiven; }
    // What is wrong, for "lumenfold: <problem>" (UsageError only); words
    // from the command line in it are escaped for the terminal.
    const std::string& problem() const { return usageProblem; }

private:
    Action chosen = Action::ShowScene;
    std::string folderArgument;
    bool folderGiven = false;
    std::string usageProblem;
};
