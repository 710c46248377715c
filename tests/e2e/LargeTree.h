#pragma once

#include <string>

// A tree whose scan takes several seconds, shared by the end-to-end tests:
// kFolders folders of kFilesPerFolder empty files each, with a marker file.
// It outlives each test process: the first test that needs it makes it, and
// CTest removes it after the end-to-end tests.
class LargeTree {
public:
    static constexpr int kFolders = 500;
    static constexpr int kFilesPerFolder = 1000;

    // Where it is (LUMENFOLD_E2E_TREE).
    static std::string path();
    // Makes it unless it is complete already; false with the reason otherwise.
    static bool make(std::string& error);
};
