#pragma once

#include "tests/e2e/ViewerSession.h"

// Reads the reference axes off the live window with one-pixel strips, which is
// fast enough to poll while a key is held. Probe away from the middle right
// of the picture, where the scene's row of symbols stands.
class AxisReading {
public:
    // Row (window coordinate) where the ground axis (x) crosses `column`; -1 when not lit.
    static float groundAxisRow(ViewerSession& session, int column);
    // Column where the vertical axis (y) crosses `row`; -1 when not lit.
    static float verticalAxisColumn(ViewerSession& session, int row);
};
