// The map view: how square the treemap's pieces come out on random folders
// (the median over folders of each folder's worst piece, longer side over
// shorter), and the time to lay those folders out; frames per second of the
// map of a million entries (1,000 folders of 1,000 files) against the map of
// a thousand (10 of 100), at Home and low over it looking along; and the
// layouts' memory per entry laid out, with every folder of the million laid
// out; and the first frame of the million's map after m (its model made, what
// Home shows laid out) against a frame of its row.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/Suites.h"
#include "bench/ViewerFrame.h"
#include "explore/ExploreScene.h"
#include "explore/ExploreState.h"
#include "explore/map/MapFraming.h"
#include "explore/map/MapModel.h"
#include "explore/map/MapNameView.h"
#include "explore/map/MapView.h"
#include "explore/map/SquarifiedLayout.h"
#include "text/FontSet.h"
#include "text/TextRenderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kTargetMedianAspect = 3.0;
constexpr double kTargetFrames = 0.8;
constexpr double kTargetBytesPerEntry = 32.0;
constexpr double kTargetFirstFrame = 2.0;

// Folders of 2 to 10,000 entries, sizes spread evenly over nine decades, each
// in decreasing weight as the map lays them out.
std::vector<std::vector<double>> randomFolders(std::size_t count)
{
    std::mt19937 random(1000);
    std::uniform_int_distribution<std::size_t> entries(2, 10000);
    std::uniform_real_distribution<double> decade(0.0, 9.0);
    std::vector<std::vector<double>> folders(count);
    std::vector<std::uint64_t> sizes;
    for (std::vector<double>& weights : folders) {
        sizes.resize(entries(random));
        for (std::uint64_t& size : sizes)
            size = static_cast<std::uint64_t>(std::pow(10.0, decade(random)));
        SquarifiedLayout::weights(sizes.data(), sizes.size(), weights);
        std::sort(weights.begin(), weights.end(), [](double a, double b) { return a > b; });
    }
    return folders;
}

void layoutOfRandomFolders(benchmark::State& state, std::size_t folderCount)
{
    const std::vector<std::vector<double>> folders = randomFolders(folderCount);
    std::vector<MapRect> pieces;
    std::vector<double> worst(folders.size());
    const MapRect square{0.0, 0.0, 1.0, 1.0};
    for (auto _ : state) {
        for (std::size_t f = 0; f < folders.size(); ++f) {
            pieces.resize(folders[f].size());
            SquarifiedLayout::arrange(folders[f].data(), folders[f].size(), square, pieces.data());
            double folderWorst = 1.0;
            for (const MapRect& piece : pieces)
                folderWorst = std::max(folderWorst, SquarifiedLayout::aspect(piece));
            worst[f] = folderWorst;
        }
        benchmark::DoNotOptimize(pieces.data());
    }
    std::nth_element(worst.begin(), worst.begin() + static_cast<std::ptrdiff_t>(worst.size() / 2), worst.end());
    state.counters["median_worst_aspect"] = worst[worst.size() / 2];
}

// `folders` folders of `files` files each, sizes from 1 kB up, scanned and complete.
std::unique_ptr<EntryTree> foldersOfFiles(int folders, int files)
{
    auto tree = std::make_unique<EntryTree>();
    const EntryId root = tree->makeRoot("/bench/");
    std::vector<EntryId> made;
    std::string name;
    EntryFacts facts;
    facts.kind = EntryKind::Folder;
    for (int f = 0; f < folders; ++f) {
        name = "folder" + std::to_string(f);
        facts.name = name;
        made.push_back(tree->addEntry(root, facts));
    }
    tree->markListed(root);
    facts.kind = EntryKind::File;
    std::mt19937 random(static_cast<unsigned>(folders));
    std::uniform_real_distribution<double> decade(3.0, 9.0);
    for (EntryId folder : made) {
        for (int i = 0; i < files; ++i) {
            name = "file" + std::to_string(i);
            facts.name = name;
            facts.size = facts.countedSize = static_cast<std::uint64_t>(std::pow(10.0, decade(random)));
            tree->addEntry(folder, facts);
        }
        tree->markListed(folder);
        tree->markComplete(folder);
    }
    tree->markComplete(root);
    return tree;
}

// The map of one tree as the view draws it: its boxes, then its names.
struct MapScene {
    std::unique_ptr<EntryTree> tree;
    std::unique_ptr<MapModel> model;
    MapView view;
    std::unique_ptr<TextRenderer> text;
    std::unique_ptr<MapNameView> names;

    MapScene(std::unique_ptr<EntryTree> entries, FontSet& fonts) : tree(std::move(entries))
    {
        model = std::make_unique<MapModel>(*tree);
        model->show(tree->root());
        text = std::make_unique<TextRenderer>(fonts);
        names = std::make_unique<MapNameView>(*text);
    }

    void draw(const Camera& camera)
    {
        ViewerFrame::draw(
            [this] {
                view.draw(*model, 0, kNoEntry);
                names->draw(*model, kNoEntry);
            },
            camera);
    }
};

FontSet* mapFonts()
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

// Low over the map's front edge, looking along it.
Camera lowAlong()
{
    return Camera(Vector3(static_cast<float>(0.5 * MapModel::kSide), 3.0f, static_cast<float>(MapModel::kSide) + 2.0f),
                  Vector3(0.0f, -0.12f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
}

// The two trees, made when a benchmark first needs them and kept for the run.
MapScene* largeScene(bool quick)
{
    static MapScene* scene = new MapScene(foldersOfFiles(quick ? 100 : 1000, 1000), *mapFonts());
    return scene;
}

MapScene* smallScene()
{
    static MapScene* scene = new MapScene(foldersOfFiles(10, 100), *mapFonts());
    return scene;
}

void framesAgainstSmall(benchmark::State& state, bool quick, Camera camera)
{
    MapScene* large = largeScene(quick);
    MapScene* small = smallScene();
    // The first frame lays out what the pose shows; the figure is of the frames after.
    large->draw(camera);
    small->draw(camera);
    AlternatingTimer timer;
    for (auto _ : state)
        timer.runIteration(
            state, [&] { large->draw(camera); }, [&] { small->draw(camera); });
    timer.finish(state);
}

// The first frame after m: a map made anew for the tree, drawn at Home with
// its names; against a frame of the same tree's row at its start view.
void firstFrameAgainstRow(benchmark::State& state, bool quick)
{
    MapScene* large = largeScene(quick);
    static ExploreState* rowState = nullptr;
    static ExploreScene* rowScene = nullptr;
    if (rowScene == nullptr) {
        rowScene = new ExploreScene(*mapFonts());
        rowState = new ExploreState;
        rowState->setRowShape(rowScene->rowShape());
        rowState->setViewSize(800, 600);
        rowState->show(large->tree.get(), large->tree->root());
        rowScene->setViewSize(800, 600, rowState->entryCount());
        ViewerFrame::draw([] { rowScene->draw(*rowState); }, rowState->camera());
        rowScene->prepareMipmaps(*rowState);
    }
    const Camera home = MapFraming::home(800.0 / 600.0);
    AlternatingTimer timer;
    for (auto _ : state)
        timer.runIteration(
            state,
            [&] {
                MapModel model(*large->tree);
                model.show(large->tree->root());
                ViewerFrame::draw(
                    [&] {
                        large->view.draw(model, 0, kNoEntry);
                        large->names->draw(model, kNoEntry);
                    },
                    home);
            },
            [&] { ViewerFrame::draw([] { rowScene->draw(*rowState); }, rowState->camera()); });
    timer.finish(state);
}

void memoryPerEntry(benchmark::State& state, bool quick)
{
    MapScene* large = largeScene(quick);
    double bytes = 0.0;
    for (auto _ : state) {
        MapModel model(*large->tree);
        model.setDetail(0.0, 0.0, 0.0);
        model.show(large->tree->root());
        const Camera home = MapFraming::home(800.0 / 600.0);
        ViewerFrame::draw(
            [&] {
                double clipFromScene[16];
                int viewport[4];
                MapView::currentView(clipFromScene, viewport);
                model.collect(clipFromScene, viewport, 0);
            },
            home);
        bytes = static_cast<double>(model.layouts().memoryBytes())
            / static_cast<double>(std::max<std::size_t>(1, model.layouts().laidOutEntries()));
    }
    state.counters["bytes_per_entry"] = bytes;
}

FigureTable::Row framesRow(const char* label, const std::string& name)
{
    FigureTable::Row row;
    row.label = label;
    row.ours = name;
    row.oursCounter = AlternatingTimer::kOursCounter;
    row.referenceCounter = AlternatingTimer::kReferenceCounter;
    row.measure = FigureTable::Measure::PerSecond;
    row.targetRatio = kTargetFrames;
    return row;
}

} // namespace

bool registerMapSuite(TreeGenerator& /*scratch*/, FigureTable& table, bool quick)
{
    const std::size_t folders = quick ? 100 : 1000;
    benchmark::RegisterBenchmark("map/layout_random_folders", layoutOfRandomFolders, folders)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 1 : 3);

    FigureTable::Row row;
    row.label = quick ? "100 folders" : "1,000 folders";
    row.ours = "map/layout_random_folders";
    row.extraCounter = "median_worst_aspect";
    row.extraUnit = "median worst side ratio";
    row.extraLimit = kTargetMedianAspect;
    row.extraDecimals = 2;
    table.addSection("Map: the treemap of random folders of 2 to 10,000 entries over nine decades of sizes",
                     "lay out all", "", row);

    FontSet* fonts = mapFonts();
    if (fonts == nullptr)
        return false;
    benchmark::RegisterBenchmark("map/frames_home", framesAgainstSmall, quick, MapFraming::home(800.0 / 600.0))
        ->UseManualTime()
        ->Iterations(quick ? 10 : 60);
    benchmark::RegisterBenchmark("map/frames_low", framesAgainstSmall, quick, lowAlong())
        ->UseManualTime()
        ->Iterations(quick ? 10 : 60);
    benchmark::RegisterBenchmark("map/first_frame", firstFrameAgainstRow, quick)
        ->UseManualTime()
        ->Iterations(quick ? 5 : 20);
    benchmark::RegisterBenchmark("map/layout_memory", memoryPerEntry, quick)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    FigureTable::Section frames;
    frames.title = quick ? "Map: frames per second over 100,000 entries against 1,000"
                         : "Map: frames per second over 1,000,000 entries against 1,000";
    frames.oursHeading = quick ? "100,000" : "1,000,000";
    frames.referenceHeading = "1,000";
    frames.rows.push_back(framesRow("Home", "map/frames_home"));
    frames.rows.push_back(framesRow("low, looking along", "map/frames_low"));
    table.addSection(frames);

    FigureTable::Row firstRow;
    firstRow.label = "Home";
    firstRow.ours = "map/first_frame";
    firstRow.oursCounter = AlternatingTimer::kOursCounter;
    firstRow.referenceCounter = AlternatingTimer::kReferenceCounter;
    firstRow.targetRatio = kTargetFirstFrame;
    table.addSection(quick ? "Map: the first frame after m over 100,000 entries against a frame of the row"
                           : "Map: the first frame after m over 1,000,000 entries against a frame of the row",
                     "map, first frame", "row frame", firstRow);

    FigureTable::Row memoryRow;
    memoryRow.label = quick ? "100,000 entries" : "1,000,000 entries";
    memoryRow.ours = "map/layout_memory";
    memoryRow.extraCounter = "bytes_per_entry";
    memoryRow.extraUnit = "bytes per entry laid out";
    memoryRow.extraLimit = kTargetBytesPerEntry;
    memoryRow.extraDecimals = 1;
    table.addSection("Map: the layouts' memory with every folder laid out", "lay out all", "", memoryRow);
    return true;
}
