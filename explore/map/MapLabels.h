#pragma once

#include "explore/map/MapModel.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

// Where the map's names go, worked out from its boxes and the view alone: a
// folder's name runs along the front edge of its platform, in the margin
// before its entries; any other entry's name along the front of its block's
// top. A folder whose margin is too thin for a readable name has it floating
// over the front of its entries instead. Names lean back halfway between
// upright and flat, so that they read from above and from low over the map alike.
// Each name is as large as its place allows; it is kept only when its letters
// are at least kSmallestPixels tall on screen (fading in up to kClearPixels,
// as the row's names do), and only when it overlaps no larger name on screen
// (a folder's counting kFolderWeight times its size).
// Names are drawn depth-tested against the boxes, so a block in front hides them.
class MapLabels {
public:
    static constexpr float kSmallestPixels = 7.0f;
    static constexpr float kClearPixels = 10.0f;
    static constexpr std::size_t kMostNames = 400;
    static constexpr float kUp[3] = {0.0f, 0.70710678f, -0.70710678f};
    // A folder's name over its entries is at most this share of its depth tall.
    static constexpr float kOverShare = 0.2f;
    // Where names overlap, the larger wins, a folder's counting this many times its size.
    static constexpr double kFolderWeight = 2.0;

    struct Label {
        EntryId entry = kNoEntry;
        // The left end of the baseline; the reading direction is +x and the
        // letters' up is kUp.
        float origin[3] = {0.0f, 0.0f, 0.0f};
        float em = 0.0f;
        float alpha = 1.0f;
    };

    // The width of a name in scene units for an em of 1.
    using WidthOf = std::function<float(EntryId entry)>;

    // The names that show for `boxes` through clipFromScene in `viewport`,
    // largest first.
    static std::vector<Label> place(const std::vector<MapBox>& boxes, const double clipFromScene[16],
                                    const int viewport[4], const WidthOf& widthOf);
};
