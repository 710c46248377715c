#include "explore/KeyHelpPanel.h"

#include "explore/KeyHelp.h"
#include "text/TextRenderer.h"

#include <algorithm>

namespace {

constexpr int kPadding = 14;
constexpr int kGap = 24;
// Translucent, so the scene shows through around the text.
constexpr TextRenderer::Color kPanel{0.05f, 0.05f, 0.08f, 0.82f};
constexpr TextRenderer::Color kKeys{1.0f, 0.85f, 0.4f, 1.0f};
constexpr TextRenderer::Color kAction{0.9f, 0.9f, 0.9f, 1.0f};

} // namespace

KeyHelpPanel::KeyHelpPanel(TextRenderer& renderer) : text(renderer)
{
}

void KeyHelpPanel::setWindowSize(int width, int height)
{
    windowWidth = std::max(1, width);
    windowHeight = std::max(1, height);
}

void KeyHelpPanel::draw()
{
    const std::vector<KeyHelp::Key>& keys = KeyHelp::keys();
    float keyColumn = 0.0f;
    float actionColumn = 0.0f;
    for (const KeyHelp::Key& key : keys) {
        keyColumn = std::max(keyColumn, text.screenWidth(key.keys));
        actionColumn = std::max(actionColumn, text.screenWidth(key.action));
    }
    const int lineHeight = text.screenLineHeight();
    const float width = std::min(keyColumn + kGap + actionColumn + 2 * kPadding, static_cast<float>(windowWidth));
    const float height = static_cast<float>(static_cast<int>(keys.size()) * lineHeight + 2 * kPadding);
    const float left = std::max(0.0f, (static_cast<float>(windowWidth) - width) / 2.0f);
    const float top = std::max(0.0f, (static_cast<float>(windowHeight) - height) / 2.0f);
    text.addScreenBand(left, top, width, height, kPanel);
    const float room = width - keyColumn - kGap - 2 * kPadding;
    float baseline = top + kPadding + static_cast<float>(text.screenAscent());
    for (const KeyHelp::Key& key : keys) {
        text.addScreenText(key.keys, left + kPadding, baseline, kKeys);
        text.addScreenText(key.action, left + kPadding + keyColumn + kGap, baseline, kAction, TextRenderer::kWhole,
                           room);
        baseline += static_cast<float>(lineHeight);
    }
    text.drawScreen();
}
