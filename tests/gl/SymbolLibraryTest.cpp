#include "model/Model.h"
#include "scene/SymbolLibrary.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Symbol files with names no other test uses; each model load leaves one
// matrix pushed (the model's unclosed placement), which the test pops again.
class SymbolLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* type : {"libraryShape", "LibraryShape", "libraryOther"})
            std::ofstream(std::string(kSymbolDir) + type + ".ASE") << "*COMMENT \"test model\"\n";
    }

    void SetUp() override { glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore); }

    void TearDown() override
    {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        for (; depth > depthBefore; --depth)
            glPopMatrix();
    }

    static int loads(const std::string& output, const std::string& type)
    {
        const std::string line = "Loading " + std::string(kSymbolDir) + type + ".ASE\n";
        int count = 0;
        for (std::size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1))
            ++count;
        return count;
    }

    GLint depthBefore = 0;
};

TEST_F(SymbolLibraryTest, RepeatedRequestsShareOneModelLoadedOnce)
{
    SymbolLibrary library;
    testing::internal::CaptureStdout();
    Model* first = library.get("libraryShape");
    Model* second = library.get("libraryShape");
    const std::string output = testing::internal::GetCapturedStdout();

    EXPECT_EQ(first, second);
    EXPECT_EQ(first->name, "libraryShape");
    EXPECT_EQ(library.models.size(), 1u);
    EXPECT_EQ(loads(output, "libraryShape"), 1);
}

TEST_F(SymbolLibraryTest, KeysDifferingOnlyInCaseAreSeparateModels)
{
    SymbolLibrary library;
    testing::internal::CaptureStdout();
    Model* lower = library.get("libraryShape");
    Model* upper = library.get("LibraryShape");
    const std::string output = testing::internal::GetCapturedStdout();

    EXPECT_NE(lower, upper);
    EXPECT_EQ(upper->name, "LibraryShape");
    EXPECT_EQ(loads(output, "libraryShape"), 1);
    EXPECT_EQ(loads(output, "LibraryShape"), 1);
}

TEST_F(SymbolLibraryTest, KeepsModelsInOrderOfFirstRequest)
{
    SymbolLibrary library;
    testing::internal::CaptureStdout();
    Model* other = library.get("libraryOther");
    Model* shape = library.get("libraryShape");
    library.get("libraryOther");
    testing::internal::GetCapturedStdout();

    ASSERT_EQ(library.models.size(), 2u);
    EXPECT_EQ(library.models[0], other);
    EXPECT_EQ(library.models[1], shape);
}

TEST_F(SymbolLibraryTest, InstanceIsOneLibraryForTheWholeProcess)
{
    EXPECT_EQ(SymbolLibrary::instance(), SymbolLibrary::instance());
    SymbolLibrary fresh;
    EXPECT_NE(&fresh, SymbolLibrary::instance());
}

} // namespace
