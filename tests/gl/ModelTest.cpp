#include "model/Model.h"
#include "tests/gl/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// What feedback mode reports for one vertex, turned back into object
// coordinates (the projection is a known box, the model-view the identity).
struct FedVertex {
    float x, y, z;
    float colour[4];
    float normal[3]; // the eye-space normal, generated into the texture coordinates
};

using FedTriangle = std::vector<FedVertex>;

constexpr float kBox = 10.0f;

void writeModel(const std::string& name, const std::string& text)
{
    std::ofstream(std::string(kSymbolDir) + name + ".ASE", std::ios::binary) << text;
}

std::string modelText(const std::string& materials, const std::string& vertices, const std::string& faces,
                      const std::string& normals)
{
    return "*COMMENT \"test model\"\n*MATERIAL_LIST {\n" + materials + "}\n*GEOMOBJECT {\n\t*MESH {\n"
        + "\t\t*MESH_VERTEX_LIST {\n" + vertices + "\t\t}\n\t\t*MESH_FACE_LIST {\n" + faces + "\t\t}\n"
        + "\t\t*MESH_NORMALS {\n" + normals + "\t\t}\n\t}\n}\n";
}

std::string material(const std::string& ambient, const std::string& diffuse, const std::string& specular,
                     const std::string& transparency)
{
    return "\t*MATERIAL 0 {\n\t\t*MATERIAL_AMBIENT " + ambient + "\n\t\t*MATERIAL_DIFFUSE " + diffuse
        + "\n\t\t*MATERIAL_SPECULAR " + specular + "\n\t\t*MATERIAL_SHINE 0.1\n\t\t*MATERIAL_SHINESTRENGTH 0.2"
        + "\n\t\t*MATERIAL_TRANSPARENCY " + transparency + "\n\t}\n";
}

std::string face(int a, int b, int c, int materialIndex)
{
    return "\t\t\t*MESH_FACE 0: A: " + std::to_string(a) + " B: " + std::to_string(b) + " C: " + std::to_string(c)
        + " AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID " + std::to_string(materialIndex) + "\n";
}

// A model is created through its constructor, which leaves its placement
// open on the model-view stack; this closes it again.
Model* createModel(const std::string& name)
{
    testing::internal::CaptureStdout();
    Model* model = new Model(name);
    testing::internal::GetCapturedStdout();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    return model;
}

// Known matrices and no culling for every test; GL state restored afterwards.
class ModelGl : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gltest::ensureContext());
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glViewport(0, 0, 800, 600);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(-kBox, kBox, -kBox, kBox, -kBox, kBox);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepth);
    }

    void TearDown() override
    {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, stackDepth) << "a test left the model-view stack unbalanced";
        for (; depth > stackDepth; --depth)
            glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
    }

    // Runs `draw` in feedback mode and returns the triangles GL produced.
    template <typename Draw>
    std::vector<FedTriangle> feedback(Draw draw)
    {
        std::vector<GLfloat> buffer(1 << 16);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
        for (GLenum coordinate : {GL_S, GL_T, GL_R})
            glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_R);
        // Texture coordinates only reach feedback from a unit with a usable texture.
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const GLubyte texel[4] = {255, 255, 255, 255};
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glEnable(GL_TEXTURE_2D);
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);

        std::vector<FedTriangle> triangles;
        for (GLint i = 0; i < used;) {
            const GLenum token = static_cast<GLenum>(buffer[i++]);
            if (token == GL_PASS_THROUGH_TOKEN) {
                ++i;
                continue;
            }
            EXPECT_EQ(token, static_cast<GLenum>(GL_POLYGON_TOKEN));
            if (token != GL_POLYGON_TOKEN)
                break;
            const int count = static_cast<int>(buffer[i++]);
            FedTriangle triangle;
            for (int k = 0; k < count; ++k, i += 12) {
                const GLfloat* v = &buffer[i];
                FedVertex vertex{};
                vertex.x = (v[0] / 400.0f - 1.0f) * kBox;
                vertex.y = (v[1] / 300.0f - 1.0f) * kBox;
                vertex.z = -(2.0f * v[2] - 1.0f) * kBox;
                for (int c = 0; c < 4; ++c)
                    vertex.colour[c] = v[4 + c];
                for (int c = 0; c < 3; ++c)
                    vertex.normal[c] = v[8 + c];
                triangle.push_back(vertex);
            }
            triangles.push_back(triangle);
        }
        return triangles;
    }

    GLint stackDepth = 0;
};

void expectPosition(const FedVertex& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-3f);
    EXPECT_NEAR(v.y, y, 1e-3f);
    EXPECT_NEAR(v.z, z, 1e-3f);
}

void expectNormal(const FedVertex& v, float x, float y, float z)
{
    EXPECT_NEAR(v.normal[0], x, 1e-4f);
    EXPECT_NEAR(v.normal[1], y, 1e-4f);
    EXPECT_NEAR(v.normal[2], z, 1e-4f);
}

void expectColour(const FedVertex& v, float r, float g, float b, float a)
{
    EXPECT_NEAR(v.colour[0], r, 2e-3f);
    EXPECT_NEAR(v.colour[1], g, 2e-3f);
    EXPECT_NEAR(v.colour[2], b, 2e-3f);
    EXPECT_NEAR(v.colour[3], a, 2e-3f);
}

const std::string kTwoMaterials = material("0.1 0.2 0.3", "0.4 0.5 0.6", "0.7 0.8 0.9", "0.75")
    + material("0.3 0.2 0.1", "0.6 0.5 0.4", "0.9 0.8 0.7", "0.25");
const std::string kFourVertices = "\t\t\t*MESH_VERTEX 0 0 0 0\n\t\t\t*MESH_VERTEX 1 2 0 0\n"
                                  "\t\t\t*MESH_VERTEX 2 0 3 0\n\t\t\t*MESH_VERTEX 3 1 1 4\n";
const std::string kUpNormals = "\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n"
                               "\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n"
                               "\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n\t\t\t\t*MESH_VERTEXNORMAL 0 0 0 1\n";

// Draws the list with an identity model-view, the way the file has it.
void replay(const Model& model)
{
    glCallList(model.displayList);
}

} // namespace

TEST_F(ModelGl, ListSendsEveryCornerInFileOrderWithItsOwnNormal)
{
    writeModel("modeltest_corners",
               modelText(kTwoMaterials, kFourVertices, face(0, 1, 2, 0) + face(3, 2, 1, 1),
                         "\t\t\t\t*MESH_VERTEXNORMAL 0 1 0 0\n\t\t\t\t*MESH_VERTEXNORMAL 1 0 1 0\n"
                         "\t\t\t\t*MESH_VERTEXNORMAL 2 0 0 1\n\t\t\t\t*MESH_VERTEXNORMAL 3 0 -1 0\n"
                         "\t\t\t\t*MESH_VERTEXNORMAL 2 -1 0 0\n\t\t\t\t*MESH_VERTEXNORMAL 1 0 0 -1\n"));
    const Model* model = createModel("modeltest_corners");
    const std::vector<FedTriangle> triangles = feedback([&] { replay(*model); });

    ASSERT_EQ(triangles.size(), 2u);
    ASSERT_EQ(triangles[0].size(), 3u);
    ASSERT_EQ(triangles[1].size(), 3u);
    expectPosition(triangles[0][0], 0, 0, 0);
    expectPosition(triangles[0][1], 2, 0, 0);
    expectPosition(triangles[0][2], 0, 3, 0);
    expectPosition(triangles[1][0], 1, 1, 4);
    expectPosition(triangles[1][1], 0, 3, 0);
    expectPosition(triangles[1][2], 2, 0, 0);
    expectNormal(triangles[0][0], 1, 0, 0);
    expectNormal(triangles[0][1], 0, 1, 0);
    expectNormal(triangles[0][2], 0, 0, 1);
    expectNormal(triangles[1][0], 0, -1, 0);
    expectNormal(triangles[1][1], -1, 0, 0);
    expectNormal(triangles[1][2], 0, 0, -1);
}

TEST_F(ModelGl, ListSetsEachFacesMaterialWithTransparencyAsAlpha)
{
    writeModel("modeltest_materials",
               modelText(kTwoMaterials, kFourVertices, face(0, 1, 2, 1) + face(3, 2, 1, 0), kUpNormals));
    const Model* model = createModel("modeltest_materials");
    glEnable(GL_LIGHTING);
    for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light)
        glDisable(light);
    const GLfloat none[4] = {0, 0, 0, 0};
    const GLfloat white[4] = {1, 1, 1, 1};
    const GLfloat alongZ[4] = {0, 0, 1, 0};
    const GLfloat zero = 0;
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &zero);

    // Scene ambient only: each corner shows the material's ambient colour.
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    std::vector<FedTriangle> triangles = feedback([&] { replay(*model); });
    ASSERT_EQ(triangles.size(), 2u);
    expectColour(triangles[0][2], 0.3f, 0.2f, 0.1f, 0.25f);
    expectColour(triangles[1][0], 0.1f, 0.2f, 0.3f, 0.75f);

    // One head-on light with only a diffuse part: the diffuse colour.
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, alongZ);
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    triangles = feedback([&] { replay(*model); });
    ASSERT_EQ(triangles.size(), 2u);
    expectColour(triangles[0][0], 0.6f, 0.5f, 0.4f, 0.25f);
    expectColour(triangles[1][1], 0.4f, 0.5f, 0.6f, 0.75f);

    // The same light with only a specular part: the specular colour.
    glLightfv(GL_LIGHT0, GL_DIFFUSE, none);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    triangles = feedback([&] { replay(*model); });
    ASSERT_EQ(triangles.size(), 2u);
    expectColour(triangles[0][1], 0.9f, 0.8f, 0.7f, 0.25f);
    expectColour(triangles[1][2], 0.7f, 0.8f, 0.9f, 0.75f);
}

TEST_F(ModelGl, ListSkipsFacesWithoutTheirVerticesAndGivesUnknownMaterialsNeutralGrey)
{
    writeModel("modeltest_badindices",
               modelText(kTwoMaterials, kFourVertices,
                         face(0, 1, 2, 0) + face(0, 1, 4, 0) + face(0, -1, 2, 0) + face(3, 2, 1, 2) + face(3, 2, 1, -1),
                         kUpNormals + kUpNormals + kUpNormals));
    const Model* model = createModel("modeltest_badindices");
    glEnable(GL_LIGHTING);
    for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light)
        glDisable(light);
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);

    const std::vector<FedTriangle> triangles = feedback([&] { replay(*model); });
    ASSERT_EQ(triangles.size(), 3u);
    expectPosition(triangles[1][0], 1, 1, 4);
    expectColour(triangles[1][0], 0.6f, 0.6f, 0.6f, 1.0f);
    expectColour(triangles[2][0], 0.6f, 0.6f, 0.6f, 1.0f);
}

TEST_F(ModelGl, TranslateScaleDrawPutsAModelPointAtTPlusScaledUprightPoint)
{
    writeModel("modeltest_placement", modelText(kTwoMaterials, kFourVertices, face(3, 1, 2, 0), kUpNormals));
    Model* model = createModel("modeltest_placement");
    const std::vector<FedTriangle> triangles = feedback([&] {
        model->translate(1.0f, -2.0f, 0.5f);
        model->scale(0.5f);
        model->draw();
    });
    ASSERT_EQ(triangles.size(), 1u);
    // (x, y, z) turns upright into (x, z, -y), is halved, then moved by T.
    expectPosition(triangles[0][0], 1.0f + 0.5f, -2.0f + 2.0f, 0.5f - 0.5f);
    expectPosition(triangles[0][1], 1.0f + 1.0f, -2.0f, 0.5f);
    expectPosition(triangles[0][2], 1.0f, -2.0f, 0.5f - 1.5f);
    // The model's z axis becomes the scene's up axis; without GL_NORMALIZE the
    // halving scale doubles the eye-space normal.
    expectNormal(triangles[0][0], 0.0f, 2.0f, 0.0f);
}

TEST_F(ModelGl, DrawClosesThePlacementEvenForAModelWithoutFaces)
{
    writeModel("modeltest_empty", "*COMMENT \"test model\"\n");
    Model* model = createModel("modeltest_empty");
    EXPECT_TRUE(model->faces.empty());
    float before[16];
    gltest::currentModelview(before);
    const std::vector<FedTriangle> triangles = feedback([&] {
        model->translate(3.0f, 4.0f, 5.0f);
        model->scale(2.0f);
        model->draw();
    });
    EXPECT_TRUE(triangles.empty());
    float after[16];
    gltest::currentModelview(after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(after[i], before[i]);
}

TEST_F(ModelGl, EachCreatedModelLeavesTheStackOneLevelDeeperAndMovedByOneOneOne)
{
    writeModel("modeltest_stack_a", "");
    writeModel("modeltest_stack_b", "");
    testing::internal::CaptureStdout();
    Model* first = new Model("modeltest_stack_a");
    Model* second = new Model("modeltest_stack_b");
    testing::internal::GetCapturedStdout();

    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, stackDepth + 2);
    float top[16];
    gltest::currentModelview(top);
    EXPECT_FLOAT_EQ(top[12], 2.0f);
    EXPECT_FLOAT_EQ(top[13], 2.0f);
    EXPECT_FLOAT_EQ(top[14], 2.0f);
    glPopMatrix();
    gltest::currentModelview(top);
    EXPECT_FLOAT_EQ(top[12], 1.0f);
    glPopMatrix();
    EXPECT_EQ(first->name, "modeltest_stack_a");
    EXPECT_EQ(second->name, "modeltest_stack_b");
}

TEST_F(ModelGl, LoadPrintsTheLoadingAndDisplayListLines)
{
    writeModel("modeltest_console", modelText(kTwoMaterials, kFourVertices, face(0, 1, 2, 0), kUpNormals));
    testing::internal::CaptureStdout();
    Model* model = new Model("modeltest_console");
    const std::string output = testing::internal::GetCapturedStdout();
    glPopMatrix();
    const std::string path = std::string(kSymbolDir) + "modeltest_console.ASE";
    EXPECT_EQ(output, "Loading " + path + "\nCreating Displaylist: " + path + " ... done\n");
    EXPECT_EQ(model->vertices.size(), 4u);
    EXPECT_EQ(model->materials.size(), 2u);
    EXPECT_NE(model->displayList, 0u);
}

TEST(ModelDeathTest, MissingFileEndsWithAMessageAndExitCodeOne)
{
    // A fresh process for the child, so its exit cannot close the window of this one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Model("modeltest_no_such_symbol"), testing::ExitedWithCode(1),
                "Could not open symbol model: .*modeltest_no_such_symbol\\.ASE");
}
