#include "model/Model.h"
#include "scene/Icon.h"
#include "scene/IconSettings.h"
#include "scene/RowLayout.h"
#include "scene/SymbolLibrary.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Icons place a model whose display list records, as light positions, where
// three model points end up; GL keeps light positions in eye coordinates, so
// with an identity model-view they read back as exact scene coordinates.
class IconDrawTest : public testing::Test {
protected:
    static constexpr GLenum kOrigin = GL_LIGHT5;
    static constexpr GLenum kModelUp = GL_LIGHT6; // model (0, 0, 1)
    static constexpr GLenum kModelBack = GL_LIGHT7; // model (0, 1, 0)

    void SetUp() override
    {
        std::ofstream(std::string(kSymbolDir) + "iconProbe.ASE") << "*COMMENT \"test model\"\n";
        glMatrixMode(GL_MODELVIEW);
        GLint depthBefore = 0;
        GLint depthAfter = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
        testing::internal::CaptureStdout();
        icon = new Icon("iconProbe");
        testing::internal::GetCapturedStdout();
        // A first load leaves the model's unclosed placement on the stack.
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
        for (; depthAfter > depthBefore; --depthAfter)
            glPopMatrix();

        // The probe model is this test's own, so its list can be replaced.
        icon->model->displayList = glGenLists(1);
        glNewList(icon->model->displayList, GL_COMPILE);
        const GLfloat origin[] = {0.0f, 0.0f, 0.0f, 1.0f};
        const GLfloat up[] = {0.0f, 0.0f, 1.0f, 1.0f};
        const GLfloat back[] = {0.0f, 1.0f, 0.0f, 1.0f};
        glLightfv(kOrigin, GL_POSITION, origin);
        glLightfv(kModelUp, GL_POSITION, up);
        glLightfv(kModelBack, GL_POSITION, back);
        glEndList();

        glLoadIdentity();
    }

    void TearDown() override { glDeleteLists(icon->model->displayList, 1); }

    static void position(GLenum light, GLfloat out[4]) { glGetLightfv(light, GL_POSITION, out); }

    Icon* icon = nullptr;
};

TEST_F(IconDrawTest, SlotOriginIsTheDoubleSumRoundedOnceAtHeightOneDepthOne)
{
    for (int i : {0, 1, 2, 3, 7, 10, 33, 99, 1000, 12345, 99999}) {
        icon->draw(i);
        GLfloat origin[4];
        position(kOrigin, origin);
        const float expected = static_cast<float>(0.5 * i + 0.8 * i);
        EXPECT_EQ(origin[0], expected) << "slot " << i;
        EXPECT_EQ(origin[1], 1.0f) << "slot " << i;
        EXPECT_EQ(origin[2], 1.0f) << "slot " << i;
    }
}

TEST_F(IconDrawTest, ModelIsHalvedAndStoodUpright)
{
    icon->draw(2);
    GLfloat up[4];
    GLfloat back[4];
    position(kModelUp, up);
    position(kModelBack, back);
    const float x = static_cast<float>(0.5 * 2 + 0.8 * 2);
    // Model z becomes scene up, model y scene -z, both scaled by 0.5.
    EXPECT_FLOAT_EQ(up[0], x);
    EXPECT_FLOAT_EQ(up[1], 1.5f);
    EXPECT_NEAR(up[2], 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(back[0], x);
    EXPECT_NEAR(back[1], 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(back[2], 0.5f);
}

TEST_F(IconDrawTest, AHeightFactorStretchesTheSymbolUpFromTheBaseOfTheLayoutsBox)
{
    RowLayout layout(0.5, 0.8);
    MeshVertex lowest;
    lowest.z = -2.0f; // the box's base at scene y 1 - 0.5 * 2 = 0
    layout.includeSymbol(lowest, MeshVertex());
    layout.setHeightFactors({1.0f, 1.0f, 3.0f});
    ASSERT_EQ(layout.symbolBox().low[1], 0.0);

    icon->drawAt(layout.placement(2));
    GLfloat origin[4];
    GLfloat up[4];
    GLfloat back[4];
    position(kOrigin, origin);
    position(kModelUp, up);
    position(kModelBack, back);
    // Every height three times as far above the base, x and z as at factor 1.
    EXPECT_EQ(origin[0], layout.slotX(2));
    EXPECT_FLOAT_EQ(origin[1], 3.0f);
    EXPECT_FLOAT_EQ(up[1], 4.5f);
    EXPECT_FLOAT_EQ(back[2], 0.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(layout.slotBox(2).high[1]), 3.0f);

    // At factor 1 the placement is the icon's own.
    icon->drawAt(layout.placement(1));
    position(kOrigin, origin);
    position(kModelUp, up);
    icon->draw(1);
    GLfloat drawnOrigin[4];
    GLfloat drawnUp[4];
    position(kOrigin, drawnOrigin);
    position(kModelUp, drawnUp);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(origin[axis], drawnOrigin[axis]);
        EXPECT_EQ(up[axis], drawnUp[axis]);
    }
}

TEST_F(IconDrawTest, LeavesTheMatrixStackAsFound)
{
    glTranslatef(3.0f, -2.0f, 7.0f);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    GLfloat before[16];
    GLfloat after[16];
    GLint depthBefore = 0;
    GLint depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    icon->draw(5);

    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], before[i]) << "element " << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(IconModel, IconsOfOneTypeShareTheLibrarysModel)
{
    std::ofstream(std::string(kSymbolDir) + "iconShared.ASE") << "*COMMENT \"test model\"\n";
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    testing::internal::CaptureStdout();
    Icon first("iconShared");
    Icon second("iconShared");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(first.model, second.model);
    EXPECT_EQ(first.model, SymbolLibrary::instance()->get("iconShared"));
    EXPECT_EQ(first.library, SymbolLibrary::instance());
    EXPECT_EQ(first.settings, IconSettings::instance());
    GLint after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    for (; after > depth; --after)
        glPopMatrix();
}

} // namespace
