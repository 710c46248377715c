#include "explore/StatusBand.h"

#include "text/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kPadding = 6;
constexpr int kMargin = 10;
// Opaque: the band is drawn without blending, which software GL pays for per pixel.
constexpr TextRenderer::Color kBand{0.08f, 0.08f, 0.1f, 1.0f};
constexpr TextRenderer::Color kMessage{0.55f, 0.8f, 1.0f, 1.0f};
constexpr TextRenderer::Color kTitle{1.0f, 1.0f, 1.0f, 1.0f};
constexpr TextRenderer::Color kDetails{0.75f, 0.75f, 0.75f, 1.0f};

} // namespace

StatusBand::StatusBand(TextRenderer& renderer) : text(renderer)
{
}

void StatusBand::setWindowSize(int width, int height)
{
    windowWidth = std::max(1, width);
    windowHeight = std::max(1, height);
    text.setWindowSize(windowWidth, windowHeight);
    text.setScreenPixelSize(static_cast<int>(std::lround(std::clamp(windowHeight / 40, 13, 24) * scale)));
    padding = static_cast<int>(std::lround(kPadding * scale));
}

void StatusBand::setTextScale(double textScale)
{
    scale = textScale;
    setWindowSize(windowWidth, windowHeight);
}

void StatusBand::queue(const std::string& message, const StatusText::Lines& lines,
                       const std::vector<LegendLine>& legend)
{
    struct Line {
        const std::string* words;
        TextRenderer::Color colour;
        const GroupColour* swatch;
    };
    std::vector<Line> shown;
    for (const LegendLine& line : legend)
        shown.push_back({&line.words, kDetails, &line.colour});
    if (!message.empty())
        shown.push_back({&message, kMessage, nullptr});
    shown.push_back({&lines.title, kTitle, nullptr});
    shown.push_back({&lines.details, kDetails, nullptr});

    const int lineHeight = text.screenLineHeight();
    const int height = static_cast<int>(shown.size()) * lineHeight + 2 * padding;
    bandTop = windowHeight - height;
    text.addScreenBand(0.0f, static_cast<float>(bandTop), static_cast<float>(windowWidth), static_cast<float>(height),
                       kBand);
    const float room = static_cast<float>(windowWidth - 2 * kMargin);
    int baseline = bandTop + padding + text.screenAscent();
    const int swatch = text.screenAscent();
    for (const Line& line : shown) {
        float left = static_cast<float>(kMargin);
        if (line.swatch != nullptr) {
            const TextRenderer::Color colour{line.swatch->r / 255.0f, line.swatch->g / 255.0f, line.swatch->b / 255.0f,
                                             1.0f};
            text.addScreenBand(left, static_cast<float>(baseline - swatch), static_cast<float>(swatch),
                               static_cast<float>(swatch), colour);
            left += static_cast<float>(swatch + kMargin);
        }
        text.addScreenText(*line.words, left, static_cast<float>(baseline), line.colour, TextRenderer::kWhole,
                           room - (left - static_cast<float>(kMargin)));
        baseline += lineHeight;
    }
}
