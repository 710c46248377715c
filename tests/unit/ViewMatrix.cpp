#include "tests/unit/ViewMatrix.h"

#include <cmath>

namespace viewmatrix {

namespace {

Matrix multiply(const Matrix& left, const Matrix& right)
{
    Matrix out{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                out[4 * column + row] += left[4 * k + row] * right[4 * column + k];
    return out;
}

Point normalized(Point v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

Point cross(const Point& a, const Point& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Point& a, const Point& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

} // namespace

Matrix clipFromScene(Point eye, Point direction, double aspect)
{
    const double focal = 1.0 / std::tan(std::acos(-1.0) / 6.0);
    const double nearPlane = 0.1;
    const double farPlane = 1000.0;
    Matrix projection{};
    projection[0] = focal / aspect;
    projection[5] = focal;
    projection[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    projection[11] = -1.0;
    projection[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);

    const Point f = normalized(direction);
    const Point s = normalized(cross(f, {0.0, 1.0, 0.0}));
    const Point u = cross(s, f);
    Matrix view{};
    for (int axis = 0; axis < 3; ++axis) {
        view[4 * axis + 0] = s[axis];
        view[4 * axis + 1] = u[axis];
        view[4 * axis + 2] = -f[axis];
    }
    view[12] = -dot(s, eye);
    view[13] = -dot(u, eye);
    view[14] = dot(f, eye);
    view[15] = 1.0;
    return multiply(projection, view);
}

} // namespace viewmatrix
