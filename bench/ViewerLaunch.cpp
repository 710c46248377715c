#include "bench/ViewerLaunch.h"

#include "bench/ResidentMemory.h"
#include "tools/ChildProcess.h"
#include "tools/PixelProbe.h"
#include "tools/XSession.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kWindowTimeoutMs = 30000;

// Waits until the window's row band shows a lit pixel; false at the deadline.
// The row's middle band, where both views draw the ground axis and symbols;
// every pixel, as an empty folder shows only the axes, a pixel wide.
bool waitForLitFrame(XSession& x, XSession::WindowId window, std::chrono::steady_clock::time_point deadline)
{
    RgbImage band;
    while (std::chrono::steady_clock::now() < deadline) {
        if (x.grabArea(window, 0, 200, 800, 200, band)) {
            for (int y = 0; y < band.height(); ++y)
                for (int xx = 0; xx < band.width(); ++xx)
                    if (PixelProbe::isLit(band.pixel(xx, y)))
                        return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Starts `argv` and finds its window; 0, with `problem` told, when either fails.
XSession::WindowId startWithWindow(ChildProcess& viewer, const std::vector<std::string>& argv,
                                   const ChildOptions& options, XSession& x, std::string& problem)
{
    if (!viewer.start(argv, options)) {
        problem = viewer.error();
        return 0;
    }
    const XSession::WindowId window = x.findWindow("Lumenfold", kWindowTimeoutMs);
    if (window == 0)
        problem = "no viewer window: " + x.error();
    return window;
}

} // namespace

ViewerLaunch ViewerLaunch::run(const std::vector<std::string>& argv, std::string& problem, bool readPeak,
                               const std::map<std::string, std::string>& environment)
{
    ViewerLaunch result;
    ChildProcess viewer;
    ChildOptions options;
    options.discardOutput = true;
    options.setEnvironment = environment;
    XSession x;
    const auto start = std::chrono::steady_clock::now();
    const XSession::WindowId window = startWithWindow(viewer, argv, options, x, problem);
    if (window == 0)
        return result;
    if (waitForLitFrame(x, window, start + std::chrono::milliseconds(kWindowTimeoutMs)))
        result.firstFrameSeconds = secondsSince(start);
    if (readPeak) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        result.peakMb = static_cast<double>(ResidentMemory::peakOf(viewer.pid())) / (1024.0 * 1024.0);
    }
    viewer.stop();
    if (result.firstFrameSeconds < 0.0)
        problem = "the window never showed a frame";
    return result;
}

ViewerLaunch ViewerLaunch::runUntilScanned(const std::vector<std::string>& argv, std::string& problem, int timeoutMs)
{
    ViewerLaunch result;
    ChildProcess viewer;
    XSession x;
    const auto start = std::chrono::steady_clock::now();
    const XSession::WindowId window = startWithWindow(viewer, argv, ChildOptions(), x, problem);
    if (window == 0)
        return result;
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    if (!waitForLitFrame(x, window, deadline)) {
        problem = "the window never showed a frame";
        return result;
    }
    result.firstFrameSeconds = secondsSince(start);
    const int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0 || !viewer.waitForOutput("Scanned", left)) {
        problem = "the viewer did not finish its scan in time";
        viewer.stop();
        return result;
    }
    result.scannedSeconds = secondsSince(start);
    // The folder drawn once the scan is over, its totals and order final.
    if (!waitForLitFrame(x, window, deadline))
        problem = "the window showed nothing after the scan";
    result.peakMb = static_cast<double>(ResidentMemory::peakOf(viewer.pid())) / (1024.0 * 1024.0);
    viewer.stop();
    return result;
}
