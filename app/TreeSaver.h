#pragma once

#include "exchange/EntryTreeExport.h"
#include "exchange/ExportEntry.h"

#include <ctime>
#include <string>

// Saves the explore view's tree as an export file (Ctrl+S): in `folder`
// ("" for the working one) as lumenfold-YYYYMMDD-HHMMSS.json in local time,
// with -1, -2 ... added while a file of that name is there. The export is
// written to a hidden file beside it first and given its name only once it
// is whole, never in place of a file that is there: a failed save leaves
// nothing behind.
class TreeSaver {
public:
    // On success true with the file's path in `path`; else false with the
    // reason in `error`.
    static bool save(const EntryTree& tree, const EntryTreeExport::Options& options, const ExportMetadata& metadata,
                     const std::string& folder, std::time_t when, std::string& path, std::string& error);
};
