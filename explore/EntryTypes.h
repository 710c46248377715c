#pragma once

#include "types/TypeDatabase.h"

class FsNode;

// The explore view's one way from an entry to its MIME type and group. The
// shared MIME database is read once, on a thread of its own that starts with
// the window, and is long read by the first frame, which waits for it if not.
// Nothing is stored per entry: a type costs a few hash probes to find again.
class EntryTypes {
public:
    // Starts reading the database, if not started yet.
    static void startReading();
    // The database, read by now.
    static const TypeDatabase& database();

    // The entry's type in `types` from its name, kind, mode and size.
    static MimeType typeOf(const FsNode& entry);
    static TypeGroup groupOf(const FsNode& entry);
    // "PNG image" for a file whose type is known; empty for anything else.
    static std::string describe(const FsNode& entry);
};
