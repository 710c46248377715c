// Frame: the viewer's drawing path (clear, view, axes, the root's
// drawChildren, swap) against a bare loop that replays the same display lists
// at every slot without any per-icon work, frame about frame; and the
// drawing path with many entries against the same view of a small folder.
#include "bench/AlternatingTimer.h"
#include "bench/FigureTable.h"
#include "bench/ScanProbe.h"
#include "bench/Suites.h"
#include "bench/ViewerFrame.h"
#include "bench/TreeGenerator.h"
#include "geometry/Camera.h"
#include "model/Model.h"
#include "scene/FsNode.h"
#include "scene/Icon.h"
#include "scene/RowLayout.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kTargetRatioAt1000 = 0.9;
// A large folder against a small one in the same view.
constexpr double kTargetRatioToSmall = 0.9;

// Where the bare loop puts one symbol: the row layout's placement of its slot,
// and the display list of the child's type.
struct Placement {
    RowLayout::Placement at;
    GLuint list;
};

const Camera& startCamera()
{
    static const Camera camera = Camera::atStart();
    return camera;
}

const Camera& downTheRowCamera()
{
    // At the origin, turned right by 90 degrees: looking along the row to +x.
    static const Camera camera = [] {
        Camera turned(Vector3(0.0f, 1.0f, 0.0f), Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
        turned.turnRight(45.0f);
        return turned;
    }();
    return camera;
}

// One frame as the viewer draws it, with `drawScene` in place of the scene.
template <typename DrawScene>
void drawFrame(DrawScene drawScene, const Camera& camera = startCamera())
{
    ViewerFrame::draw(drawScene, camera);
}

void drawPlacements(const std::vector<Placement>& placements)
{
    for (const Placement& placement : placements) {
        glPushMatrix();
        glTranslatef(placement.at.x, placement.at.y, placement.at.z);
        glScalef(placement.at.scale, placement.at.heightScale, placement.at.scale);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        glCallList(placement.list);
        glPopMatrix();
    }
}

void drawSceneAgainstBare(benchmark::State& state, FsNode* root, const std::vector<Placement>* placements)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        timer.runIteration(
            state, [root] { drawFrame([root] { root->drawChildren(); }); },
            [placements] { drawFrame([placements] { drawPlacements(*placements); }); });
    }
    timer.finish(state);
}

void drawLargeAgainstSmall(benchmark::State& state, FsNode* large, FsNode* small, const Camera* camera)
{
    AlternatingTimer timer;
    for (auto _ : state) {
        timer.runIteration(
            state, [large, camera] { drawFrame([large] { large->drawChildren(); }, *camera); },
            [small, camera] { drawFrame([small] { small->drawChildren(); }, *camera); });
    }
    timer.finish(state);
}

// The scanned flat tree of `entries`, kept for the whole run; null on failure.
FsNode* scannedFlatTree(TreeGenerator& scratch, std::size_t entries)
{
    static std::map<std::size_t, FsNode*> trees;
    FsNode*& tree = trees[entries];
    if (tree == nullptr) {
        const std::string root = scratch.make(TreeShape::Flat, entries);
        if (root.empty()) {
            std::fprintf(stderr, "cannot make the tree: %s\n", scratch.error().c_str());
            return nullptr;
        }
        tree = ScanProbe::scan(root);
    }
    return tree;
}

// Frame rates with many entries beside those with few, in one view, each pair
// timed in alternation.
bool registerLargeFolders(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    struct Pair {
        const char* view;
        const char* viewLabel;
        const Camera* camera;
        std::size_t large;
        std::size_t small;
    };
    const Pair pairs[] = {
        {"start", "start view", &startCamera(), 10000, 100},
        {"start", "start view", &startCamera(), 100000, 100},
        {"row", "down the row", &downTheRowCamera(), 100000, 1000},
    };

    FigureTable::Section section;
    section.title = "Frame: a large top folder against a small one, same view (entries large / small)";
    section.oursHeading = "large folder";
    section.referenceHeading = "small folder";
    for (const Pair& pair : pairs) {
        if (quick && pair.large > 10000)
            continue;
        FsNode* large = scannedFlatTree(scratch, pair.large);
        FsNode* small = scannedFlatTree(scratch, pair.small);
        if (large == nullptr || small == nullptr)
            return false;

        const std::string name = std::string("frame/") + pair.view + "/" + std::to_string(pair.large) + "-vs-"
            + std::to_string(pair.small);
        benchmark::RegisterBenchmark(name.c_str(), drawLargeAgainstSmall, large, small, pair.camera)
            ->MinTime(2.0)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();

        FigureTable::Row row;
        row.label
            = std::string(pair.viewLabel) + ", " + std::to_string(pair.large) + " / " + std::to_string(pair.small);
        row.ours = name;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::PerSecond;
        row.targetRatio = kTargetRatioToSmall;
        section.rows.push_back(row);
    }
    table.addSection(section);
    return true;
}

} // namespace

bool registerFrameSuite(TreeGenerator& scratch, FigureTable& table, bool quick)
{
    FigureTable::Section section;
    section.title = "Frame: the drawing path against a bare replay of the same display lists at every slot";
    section.oursHeading = "drawn frames";
    section.referenceHeading = "bare frames";

    for (const std::size_t entries : {1u, 100u, 1000u, 10000u}) {
        if (quick && entries > 1000)
            continue;
        // Both kept for the whole run, like the viewer's scene.
        FsNode* scene = scannedFlatTree(scratch, entries);
        if (scene == nullptr)
            return false;
        static std::deque<std::vector<Placement>> allPlacements;
        std::vector<Placement>* placements = &allPlacements.emplace_back();
        for (std::size_t i = 0; i < scene->children.size(); ++i)
            placements->push_back(Placement{RowLayout::standard().placement(static_cast<std::int64_t>(i)),
                                            scene->children[i]->icon->model->displayList});

        const std::string suffix = std::to_string(entries);
        benchmark::RegisterBenchmark(("frame/" + suffix).c_str(), drawSceneAgainstBare, scene, placements)
            ->MinTime(2.0)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();

        FigureTable::Row row;
        row.label = suffix + (entries == 1 ? " entry" : " entries");
        row.ours = "frame/" + suffix;
        row.oursCounter = AlternatingTimer::kOursCounter;
        row.referenceCounter = AlternatingTimer::kReferenceCounter;
        row.measure = FigureTable::Measure::PerSecond;
        row.targetRatio = entries == 1000 ? kTargetRatioAt1000 : 0.0;
        section.rows.push_back(row);
    }
    table.addSection(section);
    return registerLargeFolders(scratch, table, quick);
}
