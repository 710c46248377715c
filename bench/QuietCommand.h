#pragma once

#include <string>
#include <vector>

// Runs an external program with its standard output thrown away, for timing
// reference tools against our own code on the same input.
class QuietCommand {
public:
    explicit QuietCommand(std::vector<std::string> arguments);

    // Runs it to the end; true when it started and exited with status 0.
    // On failure error() says why.
    bool run();
    const std::string& error() const { return lastError; }

private:
    std::vector<std::string> arguments;
    std::string lastError;
};
