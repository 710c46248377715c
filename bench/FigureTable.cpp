#include "bench/FigureTable.h"

#include <cmath>
#include <cstdio>

namespace {

const char* unitOf(FigureTable::Measure measure)
{
    switch (measure) {
    case FigureTable::Measure::Milliseconds:
        return "ms";
    case FigureTable::Measure::PerSecond:
        return "/s";
    case FigureTable::Measure::MegabytesPerSecond:
        return "MB/s";
    case FigureTable::Measure::Units:
        return "units";
    }
    return "";
}

std::string formatValue(double value, FigureTable::Measure measure)
{
    char text[64];
    std::snprintf(text, sizeof text, value >= 100.0 ? "%.0f %s" : "%.3g %s", value, unitOf(measure));
    return text;
}

} // namespace

namespace {

double secondsPerIteration(const benchmark::BenchmarkReporter::Run& run)
{
    return run.iterations > 0 ? run.real_accumulated_time / static_cast<double>(run.iterations) : 0.0;
}

} // namespace

void FigureTable::ReportRuns(const std::vector<Run>& reports)
{
    // Of repeated runs the fastest counts: on a shared machine every slower
    // one was slowed by someone else's work.
    for (const Run& run : reports) {
        if (run.run_type == Run::RT_Iteration && run.error_occurred)
            failedRuns.insert(run.run_name.function_name);
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0)
            continue;
        const auto known = runs.find(run.run_name.function_name);
        if (known == runs.end() || secondsPerIteration(run) < secondsPerIteration(known->second))
            runs[run.run_name.function_name] = run;
    }
    ConsoleReporter::ReportRuns(reports);
}

bool FigureTable::inMeasure(const Run& run, double seconds, Measure measure, double& value)
{
    if (!(seconds > 0.0))
        return false;
    switch (measure) {
    case Measure::Milliseconds:
        value = seconds * 1e3;
        return true;
    case Measure::PerSecond:
        value = 1.0 / seconds;
        return true;
    case Measure::MegabytesPerSecond: {
        const auto bytes = run.counters.find("bytes");
        if (bytes == run.counters.end())
            return false;
        value = bytes->second.value / seconds / 1e6;
        return true;
    }
    case Measure::Units:
        value = seconds;
        return true;
    }
    return false;
}

bool FigureTable::figure(const std::string& name, Measure measure, double& value) const
{
    const auto found = runs.find(name);
    return found != runs.end() && inMeasure(found->second, secondsPerIteration(found->second), measure, value);
}

bool FigureTable::oursFigure(const Row& row, double& value) const
{
    if (row.oursCounter.empty())
        return figure(row.ours, row.measure, value);
    const auto found = runs.find(row.ours);
    double seconds = 0.0;
    return found != runs.end() && counter(row.ours, row.oursCounter, seconds)
        && inMeasure(found->second, seconds, row.measure, value);
}

bool FigureTable::referenceFigure(const Row& row, double& value) const
{
    if (row.referenceCounter.empty())
        return !row.reference.empty() && figure(row.reference, row.measure, value);
    const auto found = runs.find(row.ours);
    double seconds = 0.0;
    return found != runs.end() && counter(row.ours, row.referenceCounter, seconds)
        && inMeasure(found->second, seconds, row.measure, value);
}

bool FigureTable::counter(const std::string& name, const std::string& counterName, double& value) const
{
    const auto found = runs.find(name);
    if (found == runs.end())
        return false;
    const auto entry = found->second.counters.find(counterName);
    if (entry == found->second.counters.end())
        return false;
    value = entry->second.value;
    return true;
}

bool FigureTable::meetsTarget(Measure measure, double ratioValue, double target)
{
    if (target <= 0.0)
        return true;
    if (measure == Measure::Units)
        return std::fabs(ratioValue - 1.0) <= target;
    return measure == Measure::Milliseconds ? ratioValue <= target : ratioValue >= target;
}

int FigureTable::print(std::FILE* out) const
{
    int missed = 0;
    std::fprintf(out, "\n");
    for (const Section& section : sections) {
        std::fprintf(out, "%s\n", section.title.c_str());
        std::fprintf(out, "  %-28s %14s %14s %8s %10s   %s\n", "", section.oursHeading.c_str(),
                     section.referenceHeading.c_str(), "ratio", "target", "");
        for (const Row& row : section.rows) {
            if (runs.count(row.ours) == 0 && failedRuns.count(row.ours) == 0
                && (row.reference.empty()
                    || (runs.count(row.reference) == 0 && failedRuns.count(row.reference) == 0))) {
                std::fprintf(out, "  %-28s %14s\n", row.label.c_str(), "not run");
                continue;
            }
            double ours = 0.0;
            const bool haveOurs = oursFigure(row, ours);
            double reference = 0.0;
            const bool hasReference = !row.reference.empty() || !row.referenceCounter.empty();
            const bool haveReference = hasReference && referenceFigure(row, reference);

            const std::string oursText = haveOurs ? formatValue(ours, row.measure) : "failed";
            const std::string referenceText
                = !hasReference ? "-" : (haveReference ? formatValue(reference, row.measure) : "failed");
            std::string ratioText = "-";
            std::string targetText = "-";
            std::string verdict;
            if (haveOurs && haveReference) {
                const double value = ratio(ours, reference);
                char text[32];
                std::snprintf(text, sizeof text, "%.2f", value);
                ratioText = text;
                if (row.targetRatio > 0.0) {
                    const char* bound
                        = row.measure == Measure::Units ? "1 +-" : (row.measure == Measure::Milliseconds ? "<=" : ">=");
                    std::snprintf(text, sizeof text, "%s %.2f", bound, row.targetRatio);
                    targetText = text;
                    const bool met = meetsTarget(row.measure, value, row.targetRatio);
                    verdict = met ? "met" : "MISSED";
                    missed += met ? 0 : 1;
                }
            } else if (row.targetRatio > 0.0) {
                verdict = "MISSED";
                ++missed;
            }

            std::string extra;
            double extraValue = 0.0;
            if (!row.extraCounter.empty() && counter(row.ours, row.extraCounter, extraValue)) {
                char text[96];
                std::snprintf(text, sizeof text, "%.*f %s", row.extraDecimals, extraValue, row.extraUnit.c_str());
                extra = text;
                if (row.extraLimit > 0.0) {
                    const bool met = extraValue <= row.extraLimit;
                    std::snprintf(text, sizeof text, " (<= %.*f: %s)", row.extraDecimals, row.extraLimit,
                                  met ? "met" : "MISSED");
                    extra += text;
                    missed += met ? 0 : 1;
                }
            } else if (!row.extraCounter.empty()) {
                extra = row.extraUnit + " unknown";
            }

            std::fprintf(out, "  %-28s %14s %14s %8s %10s   %s%s%s\n", row.label.c_str(), oursText.c_str(),
                         referenceText.c_str(), ratioText.c_str(), targetText.c_str(), verdict.c_str(),
                         verdict.empty() || extra.empty() ? "" : "; ", extra.c_str());
        }
        std::fprintf(out, "\n");
    }
    return missed;
}
