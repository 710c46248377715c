#pragma once

#include <string>

// How the explore view fits the screen it opens on: a window of two thirds
// of the screen each way, never smaller than 800 x 600, and text scaled by
// the display's density as the X server's Xft.dpi resource gives it.
class ScreenFit {
public:
    struct Size {
        int width;
        int height;
    };
    static constexpr int kMinWidth = 800;
    static constexpr int kMinHeight = 600;
    // The density text is drawn for at scale 1.
    static constexpr double kBaseDpi = 96.0;

    // The window for a screen of the given size; a size not known (0) gives the least.
    static Size window(int screenWidth, int screenHeight);
    // The text scale from the X resources' text (RESOURCE_MANAGER): Xft.dpi
    // over kBaseDpi, kept within [minimum, maximum]; 1 when the resource is
    // missing or not a number.
    static double textScale(const std::string& resources, double minimum, double maximum);
};
