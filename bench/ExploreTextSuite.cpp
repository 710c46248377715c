// The explore view's names, status line and grown symbols against the plain
// drawing: frames per second of the same view of 100,000 entries drawn both
// ways in this process, at the start view and looking down the row; and the
// real program's start-up to its first frame and its peak resident memory
// with --explore and without, on 100 and 100,000 entries. The names' own
// cost: the start view of 100,000 entries with names against the same view
// without them, and turning with Left held over 100,000 entries against
// turning over 100.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/TreeGenerator.h"
#include "bench/ViewerLaunch.h"
#include "bench/ViewerFrame.h"
#include "explore/ExploreScene.h"
#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "scene/FsNode.h"
#include "tree/EntryTree.h"
#include "text/FontSet.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kFrameTarget = 0.8;
constexpr double kNamesTarget = 0.9;
// Frames of the turning view step the clock as a 60 Hz display would.
constexpr double kTurnFrameSeconds = 1.0 / 60.0;
constexpr double kStartupTarget = 1.15;
constexpr double kMemoryAllowanceMb = 16.0;

// The explore view of `tree` in the bench window, with the scene drawn through
// the program's own ExploreScene.
struct ExploreBench {
    ExploreState state;
    std::unique_ptr<ExploreScene> scene;
};

FontSet* benchFonts()
{
    static std::unique_ptr<FontSet> fonts = [] {
        std::string reason;
        std::unique_ptr<FontSet> opened = FontSet::open("", reason);
        if (!opened)
            std::fprintf(stderr, "no font: %s\n", reason.c_str());
        return opened;
    }();
    return fonts.get();
}

// At the start view, or walked to the row's front and turned right along it.
ExploreBench* exploreView(const EntryTree* tree, bool downTheRow)
{
    auto* view = new ExploreBench;
    view->scene = std::make_unique<ExploreScene>(*benchFonts());
    view->state.setRowShape(view->scene->rowShape());
    view->state.setViewSize(800, 600);
    view->state.show(tree, tree->root());
    view->scene->setViewSize(800, 600, view->state.entryCount());
    if (downTheRow) {
        const double walk = (view->state.camera().position.z - 3.0f) / ExploreState::kWalkSpeed;
        view->state.hold(ExploreState::kWalkForward, true, 0.0);
        view->state.hold(ExploreState::kWalkForward, false, walk);
        view->state.hold(ExploreState::kTurnRight, true, walk);
        view->state.hold(ExploreState::kTurnRight, false, walk + 0.75);
    }
    view->state.select(3);
    ViewerFrame::draw([view] { view->scene->draw(view->state); }, view->state.camera());
    view->scene->prepareMipmaps(view->state);
    return view;
}

void framesAgainstPlain(benchmark::State& state, FsNode* tree, ExploreBench* view)
{
    const Camera& camera = view->state.camera();
    AlternatingTimer timer;
    for (auto _ : state)
        timer.runIteration(
            state, [view, &camera] { ViewerFrame::draw([view] { view->scene->draw(view->state); }, camera); },
            [tree, &camera] { ViewerFrame::draw([tree] { tree->drawChildren(); }, camera); });
    timer.finish(state);
}

void namesAgainstNone(benchmark::State& state, ExploreBench* view)
{
    const Camera& camera = view->state.camera();
    ExploreScene& scene = *view->scene;
    AlternatingTimer timer;
    for (auto _ : state)
        timer.runIteration(
            state,
            [view, &scene, &camera] {
                scene.setNamesShown(true);
                ViewerFrame::draw([view, &scene] { scene.draw(view->state); }, camera);
            },
            [view, &scene, &camera] {
                scene.setNamesShown(false);
                ViewerFrame::draw([view, &scene] { scene.draw(view->state); }, camera);
            });
    scene.setNamesShown(true);
    timer.finish(state);
}

// One frame of a view turning left: the clock moves on a frame, the
// selection follows the middle of the view, as in the program's loop.
void turningFrame(ExploreBench& view, double& clock)
{
    clock += kTurnFrameSeconds;
    view.state.advanceTo(clock);
    ViewerFrame::draw(
        [&view] {
            const RowView::SceneTransform transform = RowView::currentTransform();
            view.state.pickSelection(transform.clipFromScene, transform.viewport, view.scene->layout(view.state), true);
            view.scene->draw(view.state);
        },
        view.state.camera());
}

void turningAgainstSmall(benchmark::State& state, ExploreBench* large, ExploreBench* small)
{
    double largeClock = 0.0;
    double smallClock = 0.0;
    large->state.hold(ExploreState::kTurnLeft, true, largeClock);
    small->state.hold(ExploreState::kTurnLeft, true, smallClock);
    AlternatingTimer timer;
    for (auto _ : state)
        timer.runIteration(
            state, [large, &largeClock] { turningFrame(*large, largeClock); },
            [small, &smallClock] { turningFrame(*small, smallClock); });
    large->state.releaseAll(largeClock);
    small->state.releaseAll(smallClock);
    timer.finish(state);
}

void startupAgainstPlain(benchmark::State& state, const std::string& root)
{
    std::vector<double> explore;
    std::vector<double> plain;
    double peakGrowth = 0.0;
    for (auto _ : state) {
        std::string problem;
        const ViewerLaunch ours = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, "--explore", root}, problem);
        const ViewerLaunch reference = ViewerLaunch::run({LUMENFOLD_BENCH_VIEWER, root}, problem);
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        explore.push_back(ours.firstFrameSeconds);
        plain.push_back(reference.firstFrameSeconds);
        peakGrowth = std::max(peakGrowth, ours.peakMb - reference.peakMb);
        state.SetIterationTime(ours.firstFrameSeconds);
    }
    state.counters["ours_seconds"] = AlternatingTimer::median(explore);
    state.counters["reference_seconds"] = AlternatingTimer::median(plain);
    state.counters["peak_growth_mb"] = peakGrowth;
}

} // namespace

bool registerExploreTextSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    const std::size_t large = quick ? 10000 : 100000;
    const std::string largeRoot = scratch.make(TreeShape::Flat, large);
    const std::string smallRoot = scratch.make(TreeShape::Flat, 100);
    if (largeRoot.empty() || smallRoot.empty()) {
        std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
        return false;
    }
    if (benchFonts() == nullptr)
        return false;
    const std::string count = std::to_string(large);

    FigureTable::Section frames;
    frames.title = "Explore view: frames with names, status line and grown symbols, " + count + " entries";
    frames.oursHeading = "--explore";
    frames.referenceHeading = "plain drawing";
    FsNode* tree = ScanProbe::scan(largeRoot);
    const EntryTree* explored = ScanProbe::scanEntries(largeRoot);
    for (const bool downTheRow : {false, true}) {
        const std::string name = std::string("explore_text/frame/") + (downTheRow ? "row" : "start");
        benchmark::RegisterBenchmark(name.c_str(), framesAgainstPlain, tree, exploreView(explored, downTheRow))
            ->MinTime(2.0)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = downTheRow ? "down the row" : "start view";
        row.ours = name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::PerSecond;
        row.targetRatio = kFrameTarget;
        frames.rows.push_back(row);
    }
    table.addSection(frames);

    FigureTable::Section names;
    names.title = "Explore view: what the names cost, " + count + " entries";
    names.oursHeading = "with names";
    names.referenceHeading = "reference";
    ExploreBench* start = exploreView(explored, false);
    benchmark::RegisterBenchmark("explore_text/names/start", namesAgainstNone, start)
        ->MinTime(2.0)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    const EntryTree* smallTree = ScanProbe::scanEntries(smallRoot);
    benchmark::RegisterBenchmark("explore_text/names/turning", turningAgainstSmall, exploreView(explored, false),
                                 exploreView(smallTree, false))
        ->MinTime(2.0)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    for (const bool turning : {false, true}) {
        FigureTable::Row row;
        row.label = turning ? "turning (Left held), against 100 entries" : "start view, against no names";
        row.ours = turning ? "explore_text/names/turning" : "explore_text/names/start";
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::PerSecond;
        row.targetRatio = kNamesTarget;
        names.rows.push_back(row);
    }
    table.addSection(names);

    FigureTable::Section startup;
    startup.title = "Explore view: the program's start to its first frame (font found, atlas built)";
    startup.oursHeading = "--explore";
    startup.referenceHeading = "plain view";
    for (const auto& [entries, root] :
         {std::make_pair(std::size_t{100}, smallRoot), std::make_pair(large, largeRoot)}) {
        const std::string name = "explore_text/startup/" + std::to_string(entries);
        benchmark::RegisterBenchmark(name.c_str(), startupAgainstPlain, root)
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        FigureTable::Row row;
        row.label = std::to_string(entries) + " entries";
        row.ours = name;
        row.oursCounter = "ours_seconds";
        row.referenceCounter = "reference_seconds";
        row.measure = FigureTable::Measure::Milliseconds;
        row.targetRatio = kStartupTarget;
        if (entries == large) {
            row.extraCounter = "peak_growth_mb";
            row.extraUnit = "MB more peak RSS";
            row.extraLimit = kMemoryAllowanceMb;
        }
        startup.rows.push_back(row);
    }
    table.addSection(startup);
    return true;
}
