#pragma once

#include <map>
#include <string>
#include <vector>

// The real viewer started as a user would start it: the time from its start
// to the first picture in its window that is not all black, and its peak
// resident size then. Needs an X display.
struct ViewerLaunch {
    double firstFrameSeconds = -1.0;
    // From the start to the scan's end (runUntilScanned only).
    double scannedSeconds = -1.0;
    double peakMb = 0.0;

    // Starts `argv` (with `environment` set on top of ours), waits for the
    // first frame, reads the peak when asked (half a second later) and ends
    // the viewer. On failure firstFrameSeconds stays negative and `problem`
    // tells why.
    static ViewerLaunch run(const std::vector<std::string>& argv, std::string& problem, bool readPeak = true,
                            const std::map<std::string, std::string>& environment = {});
    // The same for the explore view (`argv` with --verbose), kept running
    // after its first frame until it prints its "Scanned" line and draws its
    // folder once more; the peak is read then. Fails after `timeoutMs`.
    static ViewerLaunch runUntilScanned(const std::vector<std::string>& argv, std::string& problem, int timeoutMs);
};
