#include "bench/AlternatingTimer.h"

#include <algorithm>

void AlternatingTimer::finish(benchmark::State& state) const
{
    state.counters[kOursCounter] = median(oursSamples);
    state.counters[kReferenceCounter] = median(referenceSamples);
}

double AlternatingTimer::median(std::vector<double> samples)
{
    if (samples.empty())
        return 0.0;
    const std::size_t middle = samples.size() / 2;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(middle), samples.end());
    const double upper = samples[middle];
    if (samples.size() % 2 != 0)
        return upper;
    const double lower = *std::max_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

FigureTable::Row AlternatingTimer::timedRow(const std::string& label, const std::string& name, double target)
{
    FigureTable::Row row;
    row.label = label;
    row.ours = name;
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::Milliseconds;
    row.targetRatio = target;
    return row;
}
