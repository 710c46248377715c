#pragma once

#include "scene/FsNode.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class ExportWriter;

// Writes a scanned tree as an export, depth first, as the disk-usage tools
// see a tree: a link is written as a link and never followed, and a folder
// the scan expanded through a link is written where it stands, with the
// contents the scan found through the link. Files with several names carry
// their identity so that a reader counts them once; links, FIFOs, devices
// and dangling links are looked at again for their own type and bytes.
class TreeExport {
public:
    // `top` is a finished scan; `sharedFiles` what it noted of files with
    // several names; `topName` the top folder's name in the export.
    TreeExport(FsNode& top, const std::vector<SharedFileName>& sharedFiles, std::string topName);

    void write(ExportWriter& writer);

private:
    struct Level {
        // Whose children are written.
        FsNode* contents;
        std::size_t next;
        std::uint64_t device;
    };

    // Writes `node`, and when it is a folder with contents, opens it.
    void visit(FsNode* node, ExportWriter& writer);

    FsNode& top;
    std::string topName;
    std::vector<Level> walk;
    std::vector<std::pair<const FsNode*, const SharedFileName*>> shared;
    std::unordered_set<const FsNode*> written;
};
