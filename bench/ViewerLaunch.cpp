#include "bench/ViewerLaunch.h"

#include "bench/ResidentMemory.h"
#include "tools/ChildProcess.h"
#include "tools/PixelProbe.h"
#include "tools/XSession.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kWindowTimeoutMs = 30000;

} // namespace

ViewerLaunch ViewerLaunch::run(const std::vector<std::string>& argv, std::string& problem, bool readPeak,
                               const std::map<std::string, std::string>& environment)
{
    ViewerLaunch result;
    ChildProcess viewer;
    ChildOptions options;
    options.discardOutput = true;
    options.setEnvironment = environment;
    const auto start = std::chrono::steady_clock::now();
    if (!viewer.start(argv, options)) {
        problem = viewer.error();
        return result;
    }
    XSession x;
    const XSession::WindowId window = x.findWindow("Lumenfold", kWindowTimeoutMs);
    if (window == 0) {
        problem = "no viewer window: " + x.error();
        return result;
    }
    // The row's middle band, where both views draw the ground axis and symbols;
    // every pixel, as an empty folder shows only the axes, a pixel wide.
    RgbImage band;
    const auto deadline = start + std::chrono::milliseconds(kWindowTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (x.grabArea(window, 0, 200, 800, 200, band)) {
            bool lit = false;
            for (int y = 0; y < band.height() && !lit; ++y)
                for (int xx = 0; xx < band.width() && !lit; ++xx)
                    lit = PixelProbe::isLit(band.pixel(xx, y));
            if (lit) {
                result.firstFrameSeconds
                    = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (readPeak) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        result.peakMb = static_cast<double>(ResidentMemory::peakOf(viewer.pid())) / (1024.0 * 1024.0);
    }
    viewer.stop();
    if (result.firstFrameSeconds < 0.0)
        problem = "the window never showed a frame";
    return result;
}
