#include "geometry/Camera.h"
#include "tests/gl/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Matrix = std::array<double, 16>; // column-major, as GL keeps it

struct Vec {
    double x, y, z;
};

Vec sub(Vec a, Vec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec unit(Vec v)
{
    const double length = std::sqrt(dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

// The eye transform: rows side, up, -forward, and the eye moved to the origin.
Matrix lookAt(Vec eye, Vec centre, Vec upHint)
{
    const Vec forward = unit(sub(centre, eye));
    const Vec side = unit(cross(forward, upHint));
    const Vec up = cross(side, forward);
    return {side.x, up.x, -forward.x, 0.0, side.y,          up.y,          -forward.y,        0.0,
            side.z, up.z, -forward.z, 0.0, -dot(side, eye), -dot(up, eye), dot(forward, eye), 1.0};
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix product{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                product[column * 4 + row] += a[k * 4 + row] * b[column * 4 + k];
    return product;
}

Vec toVec(Vector3 v)
{
    return {v.x, v.y, v.z};
}

Matrix modelviewAfterApplyView(const Camera& camera)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.applyView();
    float read[16];
    gltest::currentModelview(read);
    Matrix result{};
    for (int i = 0; i < 16; ++i)
        result[i] = read[i];
    return result;
}

void expectMatrixNear(const Matrix& actual, const Matrix& expected, double tolerance = 1e-4)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance)
            << "entry " << i << " (column " << i / 4 << ", row " << i % 4 << ")";
}

class CameraView : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gltest::ensureContext());
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }
    void TearDown() override
    {
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
};

} // namespace

TEST_F(CameraView, AtTheStartTheWorldSitsOneDownAndThirtyAhead)
{
    const Matrix expected = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, -30, 1};
    expectMatrixNear(modelviewAfterApplyView(Camera::atStart()), expected);
}

TEST_F(CameraView, FollowsATurnedAndPitchedCamera)
{
    Camera camera = Camera::atStart();
    camera.turnLeft(20.0f); // 40 degrees to the left
    camera.pitch(8.0f); // direction y += 0.2
    camera.moveForward(3.0f);

    const Vec eye = toVec(camera.position);
    const Vec direction = toVec(camera.lookDirection);
    const Vec centre = {eye.x + direction.x, eye.y + direction.y, eye.z + direction.z};
    expectMatrixNear(modelviewAfterApplyView(camera), lookAt(eye, centre, {0, 1, 0}));
}

TEST_F(CameraView, LookingBackFacesAwayFromTheViewDirection)
{
    Camera camera = Camera::atStart();
    camera.setLookBack(true);

    // Half a turn about +y: the origin, 30 units ahead before, is now behind the eye.
    const Matrix expected = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, -1, 30, 1};
    expectMatrixNear(modelviewAfterApplyView(camera), expected);

    camera.setLookBack(false);
    expectMatrixNear(modelviewAfterApplyView(camera), lookAt({0, 1, 30}, {0, 1, 29}, {0, 1, 0}));
}

TEST_F(CameraView, MultipliesOntoTheCurrentMatrixInsteadOfReplacingIt)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5.0f, 0.0f, 0.0f);
    Camera::atStart().applyView();
    float read[16];
    gltest::currentModelview(read);

    Matrix actual{};
    for (int i = 0; i < 16; ++i)
        actual[i] = read[i];
    const Matrix translation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    expectMatrixNear(actual, multiply(translation, lookAt({0, 1, 30}, {0, 1, 29}, {0, 1, 0})));
}
