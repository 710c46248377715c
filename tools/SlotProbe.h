#pragma once

#include "picture/RgbImage.h"
#include "tools/ScreenProjection.h"

#include <cstddef>

// Where the viewer's row of symbols shows in a picture of a view, and
// which kind of symbol stands in a slot. Slot i's origin is where the standard
// RowLayout puts it (y 1, z 1); its symbol hangs just below the origin.
class SlotProbe {
public:
    enum class Kind { Empty, Folder, File };

    // Slots seen from the viewer's start.
    SlotProbe(int width, int height);
    // Slots seen through another view (e.g. the explore view's).
    explicit SlotProbe(const ScreenProjection& view);

    ScreenPoint origin(std::size_t index) const;
    // Judges the lit pixels in a box just below the slot's origin, leaving out
    // the columns of the vertical axes: folders are warm (red well above blue),
    // files are white or cool. Empty when too few pixels are lit.
    Kind kindAt(const RgbImage& picture, std::size_t index) const;

    static const char* name(Kind kind);

private:
    ScreenProjection projection;
};
