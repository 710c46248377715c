#pragma once

#include <string>

// A path as the user reads it: runs of '/' made one, "." components left out.
// ".." stays: through a link it need not lead back where the text suggests.
// The folder a path names is unchanged; only its spelling is.
class PathText {
public:
    // "/tmp//tree/./Harbor/" -> "/tmp/tree/Harbor/"; a final '/' stays, a
    // leading one too; "." or "./" alone becomes ".", "" stays "".
    static std::string normal(const std::string& path);
};
