#pragma once

#include "model/AseReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// Scratch ASE files for reader tests: each test writes its own text into a
// fresh temporary folder and reads it back through the file entry point.
class AseTestFiles {
public:
    AseTestFiles()
    {
        char pattern[] = "/tmp/lumenfold-ase-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            folder = pattern;
    }
    ~AseTestFiles()
    {
        for (const std::string& path : written)
            unlink(path.c_str());
        if (!folder.empty())
            rmdir(folder.c_str());
    }
    AseTestFiles(const AseTestFiles&) = delete;
    AseTestFiles& operator=(const AseTestFiles&) = delete;

    std::string write(const std::string& text)
    {
        const std::string path = folder + "/model" + std::to_string(written.size()) + ".ASE";
        std::ofstream(path, std::ios::binary) << text;
        written.push_back(path);
        return path;
    }

    // Writes `text` and reads it; a failed open fails the test.
    MeshLists read(const std::string& text)
    {
        MeshLists lists;
        const std::string path = write(text);
        testing::internal::CaptureStdout();
        const bool opened = AseReader::readFile(path, lists);
        lastOutput = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(opened) << path;
        return lists;
    }

    std::string folder;
    std::string lastOutput;

private:
    std::vector<std::string> written;
};
