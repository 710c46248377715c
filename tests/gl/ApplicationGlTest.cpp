#include "app/Application.h"
#include "tests/gl/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Matrix = std::array<double, 16>; // column-major

// The 60-degree perspective the viewer wants, worked out here: near is the
// float 0.1 widened to double, far is 1000.
Matrix perspective(double aspect)
{
    const double pi = std::acos(-1.0);
    const double focal = 1.0 / std::tan(30.0 * pi / 180.0);
    const double nearPlane = static_cast<double>(0.1f);
    const double farPlane = 1000.0;
    Matrix m{};
    m[0] = focal / aspect;
    m[5] = focal;
    m[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    m[11] = -1.0;
    m[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);
    return m;
}

std::array<float, 4> viewport()
{
    GLint read[4];
    glGetIntegerv(GL_VIEWPORT, read);
    return {static_cast<float>(read[0]), static_cast<float>(read[1]), static_cast<float>(read[2]),
            static_cast<float>(read[3])};
}

void expectProjectionNear(const Matrix& expected)
{
    float read[16];
    gltest::currentProjection(read);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(std::isfinite(read[i])) << "entry " << i;
        EXPECT_NEAR(read[i], expected[i], 1e-4 * std::max(1.0, std::fabs(expected[i]))) << "entry " << i;
    }
}

std::array<float, 4> lightValue(GLenum light, GLenum name)
{
    std::array<float, 4> value{-9.0f, -9.0f, -9.0f, -9.0f};
    glGetLightfv(light, name, value.data());
    return value;
}

void expectFour(const std::array<float, 4>& actual, std::array<float, 4> expected, const char* what)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4f) << what << " component " << i;
}

void expectThree(const std::array<float, 4>& actual, std::array<float, 3> expected, const char* what)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4f) << what << " component " << i;
}

// Keeps each test's GL changes from leaking into the next one in the same process.
class ApplicationGl : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gltest::ensureContext());
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    void TearDown() override
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
    }
};

} // namespace

TEST_F(ApplicationGl, ResizeWindowCoversTheWindowWithASixtyDegreePerspective)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);

    EXPECT_TRUE(Application::resizeWindow(800, 600));

    expectFour(viewport(), {0, 0, 800, 600}, "viewport");
    expectProjectionNear(perspective(800.0 / 600.0));
    // It leaves the model-view matrix current and reset for the next frame.
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float modelview[16];
    gltest::currentModelview(modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << "entry " << i;
}

TEST_F(ApplicationGl, ResizeWindowFollowsTheNewSizeAndAspect)
{
    Application::resizeWindow(640, 480);
    expectFour(viewport(), {0, 0, 640, 480}, "viewport");
    expectProjectionNear(perspective(640.0 / 480.0));

    // A wide window squeezes x, not y: the vertical field of view stays 60 degrees.
    Application::resizeWindow(1000, 250);
    expectFour(viewport(), {0, 0, 1000, 250}, "viewport");
    expectProjectionNear(perspective(4.0));
}

TEST_F(ApplicationGl, ResizeWindowToZeroHeightKeepsTheProjectionFinite)
{
    Application::resizeWindow(800, 0);
    expectFour(viewport(), {0, 0, 800, 0}, "viewport");
    // Treated as one pixel high for the aspect ratio.
    expectProjectionNear(perspective(800.0));
}

TEST_F(ApplicationGl, InitGlSetsTheFixedRenderState)
{
    EXPECT_TRUE(Application::initGL());

    GLint value = 0;
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);

    float clearColour[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    for (float channel : clearColour)
        EXPECT_EQ(channel, 0.0f);
    float clearDepth = -1.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ApplicationGl, InitGlSetsTheLightModelShininessAndBothLights)
{
    Application::initGL();

    std::array<float, 4> ambient{};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    expectFour(ambient, {0.8f, 0.8f, 0.8f, 0.0f}, "light model ambient");
    float shininess = -1.0f;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, 0.5f);

    expectFour(lightValue(GL_LIGHT0, GL_AMBIENT), {0.5f, 0.5f, 0.5f, 1.0f}, "light 0 ambient");
    expectFour(lightValue(GL_LIGHT0, GL_DIFFUSE), {1, 1, 1, 1}, "light 0 diffuse");
    expectFour(lightValue(GL_LIGHT0, GL_SPECULAR), {1, 1, 1, 1}, "light 0 specular");
    expectFour(lightValue(GL_LIGHT0, GL_POSITION), {-200.0f, 50.0f, 0.0f, 0.1f}, "light 0 position");

    expectFour(lightValue(GL_LIGHT2, GL_AMBIENT), {1, 1, 1, 1}, "light 2 ambient");
    expectFour(lightValue(GL_LIGHT2, GL_DIFFUSE), {1, 1, 1, 1}, "light 2 diffuse");
    expectFour(lightValue(GL_LIGHT2, GL_SPECULAR), {1, 1, 1, 1}, "light 2 specular");
    expectFour(lightValue(GL_LIGHT2, GL_POSITION), {-5.0f, 25.0f, 0.0f, 1.0f}, "light 2 position");
    expectThree(lightValue(GL_LIGHT2, GL_SPOT_DIRECTION), {5.0f, -25.0f, 0.0f}, "light 2 spot direction");
    EXPECT_FLOAT_EQ(lightValue(GL_LIGHT2, GL_SPOT_CUTOFF)[0], 5.0f);
    EXPECT_FLOAT_EQ(lightValue(GL_LIGHT2, GL_SPOT_EXPONENT)[0], 5.0f);
}

TEST_F(ApplicationGl, LightPositionsAreTakenUnderTheModelviewCurrentAtInitAndStayFixedToTheEye)
{
    // What loading two symbol models leaves current: a translation by (2, 2, 2).
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(2.0f, 2.0f, 2.0f);
    Application::initGL();

    // GL stores positions in eye coordinates: (x + 2w, y + 2w, z + 2w, w).
    expectFour(lightValue(GL_LIGHT0, GL_POSITION), {-199.8f, 50.2f, 0.2f, 0.1f}, "light 0 position");
    expectFour(lightValue(GL_LIGHT2, GL_POSITION), {-3.0f, 27.0f, 2.0f, 1.0f}, "light 2 position");
    // A direction is not moved by a translation.
    expectThree(lightValue(GL_LIGHT2, GL_SPOT_DIRECTION), {5.0f, -25.0f, 0.0f}, "light 2 spot direction");

    // Later matrix changes (the projection set-up, each frame's view) don't move them.
    Application::resizeWindow(800, 600);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, -1.0f, -30.0f);
    expectFour(lightValue(GL_LIGHT0, GL_POSITION), {-199.8f, 50.2f, 0.2f, 0.1f}, "light 0 position after a view");
    expectFour(lightValue(GL_LIGHT2, GL_POSITION), {-3.0f, 27.0f, 2.0f, 1.0f}, "light 2 position after a view");
}
