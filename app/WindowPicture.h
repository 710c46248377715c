#pragma once

#include "picture/RgbImage.h"

// The picture GL has drawn in the back buffer, before it is shown.
class WindowPicture {
public:
    // The window's `width` x `height` pixels, rows top to bottom.
    static RgbImage readBackBuffer(int width, int height);
};
