#pragma once

#include <string>

// Opens a file or folder with the desktop's default application by starting
// `xdg-open` with its path. The entry itself is never run: only the program
// found on PATH is started, without a shell, the path its one argument.
class DefaultOpener {
public:
    // Empty when the program was started, otherwise why not (e.g. "xdg-open
    // is not on PATH", or the system's reason for a failed start).
    //
    // `absolutePath` must start with '/', so it can never read as an option.
    // The program runs detached: in a session of its own (a terminal's signals
    // do not reach it), standard input from /dev/null, its output and every
    // other descriptor closed to it, default signal handling. It is never
    // waited for here: a thread of its own waits for its end, so no zombie is
    // left, whatever the caller's loop does meanwhile.
    static std::string open(const std::string& absolutePath);

    // The first executable regular file called `program` in the
    // colon-separated folders of `searchPath` (an empty element is the working
    // folder); empty when there is none.
    static std::string findOnPath(const std::string& program, const std::string& searchPath);
};
