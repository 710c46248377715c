// Navigating the explore view: from a key to the next swapped frame when
// entering a folder of many entries (the first time, which sorts it, and
// again), when coming back into it from one of its folders, and for one
// keystroke of the find field in it; in a folder of a million entries (full
// runs only) entering it, each order and a find keystroke; each against the
// frame of that folder's start view, timed in alternation.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerFrame.h"
#include "explore/EntryOrder.h"
#include "explore/ExploreState.h"
#include "explore/NameSort.h"
#include "explore/RowView.h"
#include "tree/EntryTree.h"

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kEntries = 100000;
constexpr std::size_t kMillion = 1000000;
constexpr double kTargetRatio = 2.0;
constexpr double kTargetRatioFind = 1.5;
constexpr double kTargetRatioMillion = 10.0;

RowView& rowView()
{
    static RowView view;
    return view;
}

// A state showing `top`, as the viewer sets it up.
std::unique_ptr<ExploreState> stateOn(EntryTree* top)
{
    auto state = std::make_unique<ExploreState>();
    state->setRowShape(RowView::shapeOfLoadedSymbols());
    state->show(top, top->root(), "/");
    return state;
}

void drawFrame(const ExploreState& state)
{
    ViewerFrame::draw([&state] { rowView().draw(state); }, state.camera());
}

// The reference: the large folder's start view.
void startFrame(const ExploreState& insideLarge)
{
    drawFrame(insideLarge);
}

void enterFirstTime(benchmark::State& state, EntryTree* top)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state) {
        // A new state keeps no sorted rows.
        const std::unique_ptr<ExploreState> fresh = stateOn(top);
        timer.runIteration(
            state,
            [&] {
                fresh->enter(0);
                drawFrame(*fresh);
            },
            [&] { startFrame(*reference); });
    }
    timer.finish(state);
}

void enterAgain(benchmark::State& state, EntryTree* top)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> explore = stateOn(top);
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state) {
        timer.runIteration(
            state,
            [&] {
                explore->enter(0);
                drawFrame(*explore);
            },
            [&] { startFrame(*reference); });
        explore->back();
    }
    timer.finish(state);
}

void leaveInto(benchmark::State& state, EntryTree* top)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> explore = stateOn(top);
    explore->enter(0);
    // A folder halfway along the row, to come back to.
    std::size_t inner = explore->entryCount() / 2;
    while (inner < explore->entryCount() && !explore->enter(inner))
        ++inner;
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state) {
        timer.runIteration(
            state,
            [&] {
                explore->back();
                drawFrame(*explore);
            },
            [&] { startFrame(*reference); });
        explore->enter(explore->selected());
    }
    timer.finish(state);
}

void findKeystroke(benchmark::State& state, EntryTree* top)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> explore = stateOn(top);
    explore->enter(0);
    explore->openFind();
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state) {
        // The first keystroke searches every name.
        timer.runIteration(
            state,
            [&] {
                explore->typeInFind("7");
                drawFrame(*explore);
            },
            [&] { startFrame(*reference); });
        explore->eraseInFind();
    }
    timer.finish(state);
}

// Each order, the first time it is asked for in a folder entered in the
// order of its listing.
template <SortOrder order>
void sortOrderFirstTime(benchmark::State& state, EntryTree* top)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state) {
        const std::unique_ptr<ExploreState> fresh = stateOn(top);
        fresh->setOrder(SortOrder::Listing);
        fresh->enter(0);
        timer.runIteration(
            state,
            [&] {
                fresh->setOrder(order);
                drawFrame(*fresh);
            },
            [&] { startFrame(*reference); });
    }
    timer.finish(state);
}

// The sort by name alone, of `names`, against the large folder's start-view frame.
void sortAgainstFrame(benchmark::State& state, EntryTree* top, const std::vector<std::string>* names)
{
    AlternatingTimer timer;
    const std::unique_ptr<ExploreState> reference = stateOn(top);
    reference->enter(0);
    for (auto _ : state)
        timer.runIteration(
            state,
            [names] {
                benchmark::DoNotOptimize(NameSort::sorted(
                    static_cast<std::uint32_t>(names->size()),
                    [names](std::uint32_t i) { return std::string_view((*names)[i]); },
                    [](std::uint32_t i) { return static_cast<std::uint8_t>(i % 16 == 0 ? 0 : 1); }));
            },
            [&] { startFrame(*reference); });
    timer.finish(state);
}

struct Case {
    const char* name;
    const char* label;
    void (*run)(benchmark::State&, EntryTree*);
    double targetRatio;
};

// A flat folder of `entries` entries, scanned from a top folder `topName`
// that holds one entry, a link to it; null, with the reason told, when the
// trees cannot be made.
EntryTree* scanLinkedFolder(TreeGenerator& scratch, std::size_t entries, const char* topName)
{
    const std::string large = scratch.make(TreeShape::Flat, entries);
    const std::string top = scratch.scratchFile(topName);
    if (large.empty() || !(mkdir(top.c_str(), 0755) == 0 || errno == EEXIST)
        || symlink(large.c_str(), (top + "/large").c_str()) != 0) {
        std::fprintf(stderr, "cannot make the trees: %s\n", scratch.error().c_str());
        return nullptr;
    }
    return ScanProbe::scanEntries(top + "/");
}

// One benchmark per case on `scanned`, and their section of key-to-frame rows.
void addKeySection(FigureTable& table, std::size_t entries, EntryTree* scanned, const std::vector<Case>& cases)
{
    FigureTable::Section section;
    section.title = "Explore navigation: key to swapped frame, " + std::to_string(entries) + " entries";
    section.oursHeading = "key to frame";
    section.referenceHeading = "start-view frame";
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(c.name, c.run, scanned)
            ->MinTime(2.0)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = c.label;
        row.ours = c.name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::Milliseconds;
        row.targetRatio = c.targetRatio;
        section.rows.push_back(row);
    }
    table.addSection(section);
}

} // namespace

bool registerNavigateSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t entries = quick ? 1000 : kEntries;
    EntryTree* scanned = scanLinkedFolder(scratch, entries, "navigate-top");
    if (scanned == nullptr)
        return false;
    addKeySection(table, entries, scanned,
                  {
                      {"navigate/enter_first", "Enter, the first time (sorted then)", enterFirstTime, kTargetRatio},
                      {"navigate/enter_again", "Enter again (sorted order kept)", enterAgain, kTargetRatio},
                      {"navigate/back_into", "Backspace into it from one of its folders", leaveInto, kTargetRatio},
                      {"navigate/find_keystroke", "One find keystroke in it", findKeystroke, kTargetRatioFind},
                  });
    if (!quick) {
        // A folder of a million entries, in each order.
        EntryTree* million = scanLinkedFolder(scratch, kMillion, "navigate-million-top");
        if (million == nullptr)
            return false;
        addKeySection(
            table, kMillion, million,
            {
                {"navigate/million/enter_first", "Enter, the first time (sorted then)", enterFirstTime,
                 kTargetRatioMillion},
                {"navigate/million/by_name", "Sorted by name (from the listing order)",
                 sortOrderFirstTime<SortOrder::Name>, kTargetRatioMillion},
                {"navigate/million/by_size", "Sorted by size", sortOrderFirstTime<SortOrder::Size>,
                 kTargetRatioMillion},
                {"navigate/million/by_time", "Sorted by time", sortOrderFirstTime<SortOrder::Time>,
                 kTargetRatioMillion},
                {"navigate/million/by_type", "Sorted by type", sortOrderFirstTime<SortOrder::Type>,
                 kTargetRatioMillion},
                {"navigate/million/find_keystroke", "One find keystroke in it", findKeystroke, kTargetRatioMillion},
            });
    }

    // The large folder's names, and ten times as many made from them.
    static std::vector<std::string> names;
    static std::vector<std::string> tenfold;
    const EntryId largeFolder = scanned->contents(scanned->entries(scanned->root())[0]);
    for (const EntryId entry : scanned->entries(largeFolder))
        names.push_back(std::string(scanned->name(entry)));
    for (int copy = 0; copy < 10; ++copy)
        for (const std::string& name : names)
            tenfold.push_back(std::to_string(copy) + (copy % 2 == 0 ? "-" : "_") + name);
    FigureTable::Section sorting;
    sorting.title = "Explore navigation: the sort by name alone against the start-view frame of "
        + std::to_string(entries) + " entries";
    sorting.oursHeading = "sort";
    sorting.referenceHeading = "start-view frame";
    for (const std::vector<std::string>* sorted : {&names, &tenfold}) {
        const std::string count = std::to_string(sorted->size());
        const std::string name = "navigate/name_sort/" + count;
        benchmark::RegisterBenchmark(name.c_str(), sortAgainstFrame, scanned, sorted)
            ->MinTime(2.0)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = count + " names";
        row.ours = name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::Milliseconds;
        row.targetRatio = sorted == &names ? kTargetRatio : kTargetRatioMillion;
        sorting.rows.push_back(row);
    }
    table.addSection(sorting);
    return true;
}
