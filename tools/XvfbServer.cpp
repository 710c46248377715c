#include "tools/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(int timeoutMs, Gl gl, int width, int height)
{
    int numberPipe[2] = {-1, -1};
    if (pipe2(numberPipe, O_CLOEXEC) != 0) {
        lastError = std::string("pipe: ") + std::strerror(errno);
        return false;
    }

    ChildOptions options;
    options.inheritDescriptors.push_back(numberPipe[1]);
    options.discardOutput = true;
    // -noreset: the server stays as it is when its last client disconnects,
    // so a harness connection coming and going never resets the viewer's display.
    const bool started = server.start({"Xvfb", "-displayfd", std::to_string(numberPipe[1]), "-screen", "0",
                                       std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                                       "-noreset", gl == Gl::Offered ? "+extension" : "-extension", "GLX"},
                                      options);
    ::close(numberPipe[1]);
    if (!started) {
        ::close(numberPipe[0]);
        lastError = server.error();
        return false;
    }

    // Xvfb writes the display number followed by a newline once it is ready.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (number.find('\n') == std::string::npos) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                  .count();
        if (left <= 0)
            break;
        pollfd fd{numberPipe[0], POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[32];
        const ssize_t got = read(numberPipe[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the server ended before reporting a display
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(numberPipe[0]);

    if (number.find('\n') == std::string::npos || number.size() < 2) {
        lastError = server.running() ? "Xvfb did not report a display in time" : "Xvfb ended at start-up";
        server.stop();
        return false;
    }
    name = ":" + number.substr(0, number.find('\n'));
    return true;
}

void XvfbServer::stop()
{
    server.stop();
}
