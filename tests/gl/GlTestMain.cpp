#include "tests/gl/GlContext.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display; running them does.
    if (!testing::GTEST_FLAG(list_tests) && !gltest::ensureContext()) {
        std::fprintf(stderr, "GL tests need a display with GLX (run them under Xvfb)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
