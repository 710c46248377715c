#pragma once

#include "tree/EntryTree.h"
#include "types/TypeDatabase.h"

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

    // The entry's type from its name, kind, mode and size.
    static MimeType typeOf(const EntryTree& tree, EntryId entry);
    static TypeGroup groupOf(const EntryTree& tree, EntryId entry);
    // "PNG image" for a file whose type is known; empty for anything else.
    static std::string describe(const EntryTree& tree, EntryId entry);
};
