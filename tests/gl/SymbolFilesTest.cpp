#include "model/Model.h"
#include "tests/gl/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Copies a shipped symbol file into the test's symbol folder under its own name.
std::string installSymbol(const std::string& symbol, const std::string& testName)
{
    std::ifstream source(std::string(LUMENFOLD_SOURCE_DIR) + "/symbols/standard/" + symbol + ".ASE", std::ios::binary);
    EXPECT_TRUE(source.is_open()) << symbol;
    std::ofstream(std::string(kSymbolDir) + testName + ".ASE", std::ios::binary) << source.rdbuf();
    return testName;
}

class ShippedSymbol : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(ShippedSymbol, LoadsWithExactlyTheTwoConsoleLines)
{
    ASSERT_TRUE(gltest::ensureContext());
    const std::string name = installSymbol(GetParam(), std::string("symbolfilestest_") + GetParam());
    testing::internal::CaptureStdout();
    const Model* model = new Model(name);
    const std::string output = testing::internal::GetCapturedStdout();
    glPopMatrix();

    const std::string path = std::string(kSymbolDir) + name + ".ASE";
    EXPECT_EQ(output, "Loading " + path + "\nCreating Displaylist: " + path + " ... done\n");
    EXPECT_FALSE(model->faces.empty());
    EXPECT_NE(model->displayList, 0u);
}

INSTANTIATE_TEST_SUITE_P(Symbols, ShippedSymbol, testing::Values("folder", "file"));
