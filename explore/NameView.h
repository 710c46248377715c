#pragma once

#include <cstddef>

class ExploreState;
class RowLayout;
class TextRenderer;

// Draws the shown folder's names in the scene. Each name hangs below its
// symbol in an upright column, read top to bottom, centred on the slot and
// lying on the plane of the symbols' front faces. A column is thinner than
// the slots' pitch, so the names stand in disjoint strips of one plane and
// can never overlap on screen, whatever the view. Only the slots that can
// show and stand near enough to be read get a name; far ones fade out, so a
// long row seen end on shows a few clear names, not noise.
class NameView {
public:
    // Scene units per em, and the longest column: a longer name gets a
    // smaller em so that its column fits (up to 40 characters, then "…").
    static constexpr float kEm = 0.4f;
    static constexpr float kColumnLength = 4.0f;
    // Between the symbol's base and the top of its name.
    static constexpr float kGap = 0.15f;
    // A name's em on screen, in pixels, below which it is left out, and from
    // which on it is drawn fully opaque.
    static constexpr float kSmallestPixels = 7.0f;
    static constexpr float kClearPixels = 10.0f;

    explicit NameView(TextRenderer& text);

    // The raster size for a window `height` pixels tall whose start view
    // stands `startDistance` units in front of the names: the size a kEm
    // name is drawn at there, so the start view samples its glyphs one to
    // one (the same picture with or without mipmaps) and nearer views
    // magnify them.
    void setView(int height, double startDistance);

    // Queues the names under the current GL matrices, after the symbols; the
    // selected entry's name in the highlight colour. The text renderer's
    // draw (or drawScene) draws them, under the same matrices.
    void queue(const ExploreState& state, const RowLayout& layout);

    // How many names the last queue held.
    std::size_t drawnNames() const { return drawn; }

private:
    TextRenderer& text;
    int viewHeight = 600;
    std::size_t drawn = 0;
};
