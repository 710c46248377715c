#pragma once

#include "exchange/ExportEntry.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes an export in the terminal disk-usage tools' JSON format, minor
// version 2, as it is handed the tree: the top folder, then depth first each
// folder begun, its entries, its end. It holds one block of output and the
// open folders' devices, whatever the tree's size. Names are written byte for
// byte, with '"', '\\' and control characters escaped.
class ExportWriter {
public:
    // Writes to `descriptor`, which the caller keeps open.
    ExportWriter(int descriptor, const ExportMetadata& metadata);
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    void beginFolder(const ExportEntry& folder);
    // Anything but a folder with entries written below it.
    void entry(const ExportEntry& entry);
    void endFolder();
    // Closes the export and writes out what is held; false when a write
    // failed, with the reason in problem().
    bool finish();
    const std::string& problem() const { return fault; }

private:
    void info(const ExportEntry& entry, bool top);
    void text(std::string_view bytes);
    void name(std::string_view bytes);
    void number(const char* key, std::uint64_t value);
    void flushIfFull();
    void flush();

    int fd;
    std::string buffer;
    std::vector<std::uint64_t> devices;
    std::string fault;
};
