#pragma once

#include "explore/StatusText.h"
#include "types/TypeGroup.h"

#include <string>
#include <vector>

class TextRenderer;

// The status line: a dark band along the bottom of the window, in window
// pixels over the scene, holding the explore state's message (when there is
// one) above the title and details lines. A line too wide for the window is
// shortened with "…".
class StatusBand {
public:
    explicit StatusBand(TextRenderer& text);

    // The window's size in pixels; the text grows a little with its height.
    void setWindowSize(int width, int height);
    // The text and its padding this many times their size (the screen's density).
    void setTextScale(double scale);

    // A line of the legend: a swatch of the colour, then the words.
    struct LegendLine {
        GroupColour colour;
        std::string words;
    };

    // Queues the band and its lines as screen text, the legend's lines, when
    // shown, above the message; the text renderer's draw (or drawScreen)
    // draws them over everything.
    void queue(const std::string& message, const StatusText::Lines& lines,
               const std::vector<LegendLine>& legend = std::vector<LegendLine>());

    // The band's top row, in window pixels from the top, at the last queue.
    int top() const { return bandTop; }

private:
    TextRenderer& text;
    int windowWidth = 800;
    int windowHeight = 600;
    int bandTop = 600;
    double scale = 1.0;
    int padding = 6;
};
