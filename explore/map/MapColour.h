#pragma once

#include "scene/EntryKind.h"

// A colour of the map's boxes, each channel from 0 to 1.
struct MapColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    // The colour of an entry's box by its kind (folder, file, link, other).
    static MapColour ofKind(EntryKind kind);
};
