#include "geometry/LinearSystem3.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct Row {
    Vector3 coefficients;
    float rhs;
};

float component(const Vector3& v, int column)
{
    return column == 0 ? v.x : (column == 1 ? v.y : v.z);
}

// Clears `column` of row q with pivot row p: Rq = Rq * g - Rp * s, no division.
void clearColumn(Row& q, const Row& p, int column)
{
    const float s = component(q.coefficients, column);
    const float g = component(p.coefficients, column);
    q.coefficients = q.coefficients * g - p.coefficients * s;
    q.rhs = static_cast<float>(static_cast<double>(q.rhs) * g - static_cast<double>(p.rhs) * s);
}

} // namespace

LinearSystem3::LinearSystem3(Vector3 x, Vector3 y, Vector3 z, Vector3 rightHandSide)
    : coefX(x), coefY(y), coefZ(z), rhs(rightHandSide)
{
    solvable = solve();
}

float LinearSystem3::truncateToHundredths(float value)
{
    const float scaled = value * 100.0f;
    if (std::isnan(scaled))
        return value;
    std::int32_t whole;
    // 2^31 is exactly representable as a float; anything at or past it saturates.
    if (scaled >= 2147483648.0f)
        whole = std::numeric_limits<std::int32_t>::max();
    else if (scaled < -2147483648.0f)
        whole = std::numeric_limits<std::int32_t>::min();
    else
        whole = static_cast<std::int32_t>(scaled);
    return static_cast<float>(whole) / 100.0f;
}

bool LinearSystem3::solve()
{
    Row rows[3] = {
        {Vector3(coefX.x, coefY.x, coefZ.x), rhs.x},
        {Vector3(coefX.y, coefY.y, coefZ.y), rhs.y},
        {Vector3(coefX.z, coefY.z, coefZ.z), rhs.z},
    };

    // Column x: every row with a nonzero x serves as pivot for the others in turn.
    for (int p = 0; p < 3; ++p) {
        if (rows[p].coefficients.x == 0.0f)
            continue;
        for (int q = 0; q < 3; ++q) {
            if (q != p && rows[q].coefficients.x != 0.0f)
                clearColumn(rows[q], rows[p], 0);
        }
    }

    // Column y: pivots are rows without an x coefficient.
    for (int p = 0; p < 3; ++p) {
        if (rows[p].coefficients.x != 0.0f || rows[p].coefficients.y == 0.0f)
            continue;
        for (int q = 0; q < 3; ++q) {
            if (q != p && rows[q].coefficients.y != 0.0f)
                clearColumn(rows[q], rows[p], 1);
        }
    }

    for (Row& row : rows)
        row.rhs = truncateToHundredths(row.rhs);

    for (const Row& row : rows) {
        if (row.coefficients == Vector3(0.0f, 0.0f, 0.0f) && row.rhs != 0.0f)
            return false;
    }

    // Each variable comes from single rows; a later row overwrites an earlier one.
    float values[3] = {0.0f, 0.0f, 0.0f};
    for (int column = 0; column < 3; ++column) {
        for (const Row& row : rows) {
            const float coefficient = component(row.coefficients, column);
            if (coefficient != 0.0f)
                values[column] = row.rhs / coefficient;
        }
    }

    solution = Vector3(values[0], values[1], values[2]);
    return true;
}
