#pragma once

#include "scene/FsNode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The scan as it was before it worked relative to open folders, kept as the
// reference the scene's scan must match node for node: it types each node by
// making its absolute folder path the working directory, lists "." and copies
// the parent's path into every node. Makes no icons; records instead the
// order in which the scan made them. Each entry's details are looked up
// afresh, a link as itself first.
class ReferenceScan {
public:
    struct Node {
        std::string name;
        std::uint32_t size = 0;
        FsNodeType type = FsNodeType::File;
        bool hidden = false;
        std::int32_t mode = 0;
        std::string path;
        // Found by lstat and stat, and errno of chdir and opendir.
        EntryKind kind = EntryKind::Other;
        std::uint64_t fullSize = 0;
        std::int64_t modifiedTime = 0;
        int enterError = 0;
        std::vector<std::unique_ptr<Node>> children;
        // Position in the order the icons were made, from 0.
        std::size_t iconOrder = 0;
    };

    // Scans the tree below parentPath + name + "/" as the scene's root node
    // would. Leaves the working directory in the last folder entered.
    static std::unique_ptr<Node> scan(const std::string& name, const std::string& parentPath);
};
