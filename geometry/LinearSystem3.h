#pragma once

#include "geometry/Vector3.h"

// x * coefX + y * coefY + z * coefZ = rhs, one scalar equation per component,
// solved at construction by a fixed elimination: rows are cross-multiplied
// instead of divided, only the x and y columns are eliminated, the right-hand
// sides are truncated to two decimals, and each variable is read off single rows.
// The results are deliberately those of this procedure, not of a general solver.
class LinearSystem3 {
public:
    LinearSystem3(Vector3 coefX, Vector3 coefY, Vector3 coefZ, Vector3 rhs);

    bool solvable = false;
    Vector3 solution; // (0, 0, 0) when not solvable
    Vector3 coefX;
    Vector3 coefY;
    Vector3 coefZ;
    Vector3 rhs;

    // Ei * 100 truncated to a 32-bit integer, then divided by 100. Out-of-range
    // values and infinities saturate; NaN stays NaN.
    static float truncateToHundredths(float value);

private:
    bool solve();
};
