#pragma once

#include "exchange/ExportInput.h"
#include "exchange/ExportSink.h"

#include <cstddef>

// Reads an export of the terminal disk-usage tools' JSON format (major
// version 1, any minor version up to 10000: minor versions only add fields,
// and fields it does not know are skipped) into a sink, streaming: memory
// stays small whatever the file's size, and nesting of any depth is read
// without recursion. Names are taken byte for byte, JSON escapes decoded
// (surrogate pairs too) and other bytes not checked, since the tools write
// names that are not UTF-8 as they are.
//
// Bad input stops the reading with an ExportProblem naming the byte offset
// in the uncompressed text; what was handed to the sink before stays.
// Several entries of one name in one folder are handed on as they come.
class ExportReader {
public:
    // Names longer than this are refused (a file system allows 255 bytes,
    // the top folder's path some kilobytes).
    static constexpr std::size_t kLongestName = 64 * 1024;

    // Reads all of `input`; true when the export was read whole. Otherwise
    // the sink's stopped() was called, and `problem` says the same.
    static bool read(ExportInput& input, ExportSink& sink, ExportProblem* problem = nullptr);
};
