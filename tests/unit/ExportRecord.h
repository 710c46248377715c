#pragma once

#include "exchange/ExportReader.h"

#include <string>
#include <vector>

// What a reader handed a sink, one line per call, so that two readings (or
// a reading and what was written) compare as text.
class ExportRecord : public ExportSink {
public:
    void metadata(const ExportMetadata& data) override;
    void beginFolder(const ExportEntry& folder) override;
    void entry(const ExportEntry& entry) override;
    void endFolder() override;
    void stopped(const ExportProblem& problem) override;

    std::vector<std::string> lines;
    ExportProblem problem;
    bool stoppedEarly = false;
    std::size_t entries = 0;
    std::size_t deepest = 0;

    // Reads `bytes` through a file, as the viewer reads an export.
    static ExportRecord of(const std::string& bytes, bool* whole = nullptr);
    static std::string describe(const ExportEntry& entry);

private:
    std::size_t depth = 0;
};
