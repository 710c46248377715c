#pragma once

#include "tools/ChildProcess.h"

#include <string>

// A private virtual X display. Xvfb picks a free display number itself
// (-displayfd), so any number of servers can run side by side, one per test.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    enum class Gl { Offered, Withheld };

    // Starts Xvfb with one screen of 24-bit colour, 1280 x 1024 unless
    // asked otherwise, and waits until it accepts clients. With Gl::Withheld
    // the server has no GLX, like a display whose driver offers no OpenGL.
    bool start(int timeoutMs = 10000, Gl gl = Gl::Offered, int width = 1280, int height = 1024);
    void stop();

    bool isRunning() { return server.running(); }
    // ":N" once started.
    const std::string& displayName() const { return name; }
    const std::string& error() const { return lastError; }

private:
    ChildProcess server;
    std::string name;
    std::string lastError;
};
