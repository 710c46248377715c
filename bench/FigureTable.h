#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

// Collects the benchmark results as they are reported (passing them on to the
// console as usual) and prints afterwards one table in which every figure of
// ours stands beside its reference, with the ratio and the target. Of several
// repetitions of one benchmark the fastest is kept.
class FigureTable : public benchmark::ConsoleReporter {
public:
    // How a pair of runs compares.
    enum class Measure {
        // Seconds per iteration, shown in milliseconds; ratio ours / reference.
        Milliseconds,
        // Iterations per second (frames); ratio ours / reference.
        PerSecond,
        // Bytes per second (the "bytes" counter), shown in MB/s; ratio ours / reference.
        MegabytesPerSecond,
        // A length in scene units, taken from the counters as it is; ratio ours /
        // reference, within targetRatio of 1 (equal within a share).
        Units,
    };

    struct Row {
        std::string label;
        std::string ours; // benchmark name of our code
        std::string reference; // benchmark name of the reference, may be empty
        // Or: counters of our run holding each side's seconds per iteration
        // (see AlternatingTimer); used when set.
        std::string oursCounter;
        std::string referenceCounter;
        Measure measure = Measure::Milliseconds;
        // Largest (Milliseconds) or smallest (per-second measures) acceptable
        // ratio, or the largest distance of the ratio from 1 (Units); 0 for none.
        double targetRatio = 0.0;
        // A counter of our run to show after the ratio, with its own upper bound (0 for none).
        std::string extraCounter;
        std::string extraUnit;
        double extraLimit = 0.0;
        // Decimals the counter is shown with (its bound too).
        int extraDecimals = 0;
    };

    struct Section {
        std::string title;
        std::string oursHeading;
        std::string referenceHeading;
        std::vector<Row> rows;
    };

    explicit FigureTable(OutputOptions options = OO_Defaults) : ConsoleReporter(options) {}

    void addSection(Section section) { sections.push_back(std::move(section)); }
    // A section of one row.
    void addSection(std::string title, std::string oursHeading, std::string referenceHeading, Row row)
    {
        sections.push_back({std::move(title), std::move(oursHeading), std::move(referenceHeading), {std::move(row)}});
    }

    void ReportRuns(const std::vector<Run>& reports) override;

    // Prints the table to `out`; returns the number of targets missed. A row
    // whose run was filtered out shows "not run" and misses nothing.
    int print(std::FILE* out) const;

    // The figure of one run in the row's measure; false when the run is absent or failed.
    bool figure(const std::string& name, Measure measure, double& value) const;
    bool counter(const std::string& name, const std::string& counterName, double& value) const;
    // A row's two figures, from their runs or from our run's counters.
    bool oursFigure(const Row& row, double& value) const;
    bool referenceFigure(const Row& row, double& value) const;

    // Ratio of ours to the reference, and whether it meets the target. Against
    // a reference of zero (an idle window that used no processor time) any
    // time of ours is infinitely more, and none at all is as little.
    static double ratio(double ours, double reference)
    {
        return reference > 0.0 ? ours / reference : (ours > 0.0 ? HUGE_VAL : 0.0);
    }
    static bool meetsTarget(Measure measure, double ratioValue, double target);

private:
    // Converts seconds per iteration of `run` into the measure.
    static bool inMeasure(const Run& run, double seconds, Measure measure, double& value);

    std::vector<Section> sections;
    std::map<std::string, Run> runs;
    // Runs that reported an error; a name in neither was not run (filtered out).
    std::set<std::string> failedRuns;
};
