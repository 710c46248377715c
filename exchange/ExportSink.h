#pragma once

#include "exchange/ExportEntry.h"

// Receives an export as it is read, in the file's order: each folder's own
// entry, then its entries (folders nested in turn), then its end. The entries
// and their names are only valid during the call.
class ExportSink {
public:
    virtual ~ExportSink() = default;
    // The file's version and metadata, before any entry.
    virtual void metadata(const ExportMetadata& data) = 0;
    // A folder whose entries follow until the matching endFolder(); the first
    // call is the top folder.
    virtual void beginFolder(const ExportEntry& folder) = 0;
    // An entry of the innermost folder begun: anything but a folder with
    // entries (a folder that was not entered comes here too).
    virtual void entry(const ExportEntry& entry) = 0;
    virtual void endFolder() = 0;
    // Reading stopped at a fault: what was handed on so far stands, and the
    // folders begun and not ended are never ended. Called at most once.
    virtual void stopped(const ExportProblem& problem) = 0;
};
