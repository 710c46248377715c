#pragma once

#include "exchange/ExportEntry.h"
#include "tree/EntryTree.h"

#include <sys/stat.h>

#include <cstdint>
#include <vector>

class ExportWriter;

// Writes an explore view's tree, once its source has ended, as an export,
// depth first and without recursion, as the disk-usage tools see a tree: a
// link is written as a link and never followed, a folder reached again is
// written once, files with several names carry their identity so that a
// reader counts them once, and folders left unentered carry their reason.
class EntryTreeExport {
public:
    struct Options {
        // The top folder's device, which its entries share unless they say otherwise.
        std::uint64_t topDevice = 0;
        // The tree is a scan of this machine: entries are looked at again for
        // their blocks on disk and links for their own type and bytes, which
        // a scan (following links) did not keep. An imported tree has its
        // links' from its export already, and no blocks.
        bool scannedHere = false;
    };

    EntryTreeExport(const EntryTree& tree, Options options);
    void write(ExportWriter& writer);

private:
    struct Level {
        // Whose entries are written, and the next one.
        EntryId contents;
        std::uint32_t next;
    };

    // Writes `entry`, and when it is a folder with entries to write, opens it.
    void visit(EntryId entry, ExportWriter& writer);
    // `own`: the entry's own status, when looked up.
    void describeLink(EntryId entry, const struct stat* own, ExportEntry& facts) const;

    const EntryTree& tree;
    Options options;
    std::vector<Level> walk;
    // Folders whose entries were written, for one reached again.
    std::vector<bool> written;
};
