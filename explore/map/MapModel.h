#pragma once

#include "explore/map/MapLayouts.h"
#include "explore/map/SquarifiedLayout.h"
#include "scene/EntryKind.h"
#include "scene/SlotPicker.h"
#include "tree/EntryTree.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// What a box of the map stands for.
enum class MapBoxKind : std::uint8_t {
    Platform, // a folder whose entries stand on it
    Block, // a file, a link, anything that is not entered
    Lump, // a folder too small on screen for its entries: one block for all
};

// One box the map draws, in scene coordinates (+y up, the map's ground the
// x-z plane).
struct MapBox {
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    // A platform: the highest y of the boxes standing on it, and one past the
    // last of them in the list (they follow it); others: their own top and index.
    float reach = 0.0f;
    std::uint32_t end = 0;
    EntryId entry = kNoEntry;
    MapBoxKind kind = MapBoxKind::Block;
    EntryKind entryKind = EntryKind::Other;
    // A folder whose subtree is still being counted.
    bool counting = false;
};

// The map of the shown folder's subtree as boxes: the shown folder is a
// square platform kSide wide; each folder's platform, less a margin, is
// shared among its entries by MapLayouts; a sub-folder is a platform one
// step up on its parent's, a file a block whose height follows SizeScale
// (but never taller than its shorter side).
// Each piece is shrunk by a gap so that neighbours stand apart.
//
// The boxes are collected for one view at a time, so the cost follows what
// can be seen: a folder wholly outside the view is left out with all below
// it; a folder below the shown one whose platform spans fewer than kLumpPixels on screen, or
// whose entries would get less than kCellPixels square each of the area it
// covers on screen (small for a platform seen edge on), is one block,
// its entries neither laid out nor drawn; a file under kSmallestPixels is
// left out (its folder's platform shows there).
class MapModel {
public:
    static constexpr double kSide = 64.0;
    static constexpr double kStep = 0.5;
    static constexpr double kBlockUnit = 1.0;
    static constexpr double kMarginShare = 0.04;
    static constexpr double kGapShare = 0.06;
    static constexpr double kLumpPixels = 4.0;
    static constexpr double kCellPixels = 14.0;
    static constexpr double kSmallestPixels = 2.0;
    // How far above a folder's platform what stands on it can rise, for
    // leaving out folders outside the view: blocks of the largest size on
    // sixteen steps of sub-folders.
    // A block stands at most this share of its shorter side tall.
    static constexpr double kTallestShare = 1.0;
    static constexpr double kHeadroom = 16.0 * kStep + 3.0 * kBlockUnit;

    explicit MapModel(const EntryTree& tree);

    // The folder the map is of; nothing shows before it is set.
    void show(EntryId folder);
    EntryId shown() const { return top; }
    const EntryTree& entryTree() const { return tree; }

    MapLayouts& layouts() { return folderLayouts; }
    const MapLayouts& layouts() const { return folderLayouts; }

    // 0 lays out and draws every folder and file whatever its size on screen.
    void setDetail(double lumpPixels, double cellPixels, double smallestPixels);

    // The boxes that can show through clipFromScene (projection times
    // model-view, column-major) in `viewport`, at time `nowMs` (for the
    // layouts of folders still being counted); parents before their entries.
    // The same view again gives the same boxes without visiting the tree,
    // while the shown folder's subtree is complete and the layouts unchanged
    // (a tree changed under a complete folder must clear the layouts, as
    // their cells would be stale too).
    const std::vector<MapBox>& collect(const double clipFromScene[16], const int viewport[4], std::int64_t nowMs);
    const std::vector<MapBox>& boxes() const { return collected; }
    // Names the last collection: a number no other collection of any model
    // has had, new whenever one is made anew rather than kept.
    std::uint64_t collection() const { return stamp; }

    // The box of the last collection the ray (t from 0 to 1) enters first;
    // the earlier one in the list on a tie. Skips the platforms whose whole
    // stack the ray misses.
    std::optional<std::size_t> pick(const SlotPicker::Ray& ray) const;

    // The entry's box in the last collection, if it was there.
    const MapBox* boxOf(EntryId entry) const;

    // Where `folder`'s platform lies when the shown folder's is at its place,
    // laying out the folders between as needed; empty when it is not below
    // the shown folder. For flying to a folder and framing it.
    std::optional<MapBox> platformOf(EntryId folder, std::int64_t nowMs);

    // Whether the ray (t from 0 to 1) enters the box, and where.
    static bool enters(const SlotPicker::Ray& ray, const float low[3], const float high[3], double& t);

private:
    struct View {
        const double* clipFromScene;
        const int* viewport;
        std::int64_t nowMs;
    };

    // Collects the folder's platform at `rect`, from `base` up, and what stands
    // on it; returns the highest y of it all.
    float visitFolder(EntryId folder, const MapRect& rect, double base, const View& view);
    void addBlock(EntryId entry, const MapRect& rect, double base, double height, MapBoxKind kind, const View& view);
    // The same, known to show.
    void pushBlock(EntryId entry, const MapRect& rect, double base, double height, MapBoxKind kind);
    // A piece of a platform as it stands: the cell placed on `inner` and shrunk by the gap.
    static MapRect placed(const MapCell& cell, const MapRect& inner);
    static MapRect innerOf(const MapRect& platform);
    double blockHeight(EntryId entry);

    const EntryTree& tree;
    MapLayouts folderLayouts;
    EntryId top = kNoEntry;
    double lumpPixels = kLumpPixels;
    double cellPixels = kCellPixels;
    double smallestPixels = kSmallestPixels;
    bool sameAsLast(const double clipFromScene[16], const int viewport[4]) const;

    std::vector<MapBox> collected;
    std::uint64_t stamp = 0;
    // What the last collection was made for, while it may be kept.
    struct Seen {
        bool keep = false;
        double clipFromScene[16] = {};
        int viewport[4] = {};
        std::size_t layoutRevision = 0;
    } last;
};
