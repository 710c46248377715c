#include "explore/map/MapModel.h"

#include "explore/SizeScale.h"
#include "explore/map/ScreenBox.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace {

std::atomic<std::uint64_t> collectionsMade{0};

void setBox(MapBox& box, const MapRect& rect, double bottom, double top)
{
    box.low[0] = static_cast<float>(rect.x);
    box.low[1] = static_cast<float>(bottom);
    box.low[2] = static_cast<float>(rect.z);
    box.high[0] = static_cast<float>(rect.x + rect.width);
    box.high[1] = static_cast<float>(top);
    box.high[2] = static_cast<float>(rect.z + rect.depth);
}

} // namespace

MapModel::MapModel(const EntryTree& entryTree) : tree(entryTree), folderLayouts(entryTree)
{
}

void MapModel::show(EntryId folder)
{
    top = folder;
    collected.clear();
    last.keep = false;
}

void MapModel::setDetail(double lump, double cell, double smallest)
{
    last.keep = false;
    lumpPixels = lump;
    cellPixels = cell;
    smallestPixels = smallest;
}

MapRect MapModel::innerOf(const MapRect& platform)
{
    return SquarifiedLayout::inset(platform, kMarginShare * std::min(platform.width, platform.depth));
}

MapRect MapModel::placed(const MapCell& cell, const MapRect& inner)
{
    const MapRect piece{inner.x + cell.x * inner.width, inner.z + cell.z * inner.depth, cell.width * inner.width,
                        cell.depth * inner.depth};
    return SquarifiedLayout::inset(piece, 0.5 * kGapShare * std::min(piece.width, piece.depth));
}

double MapModel::blockHeight(EntryId entry)
{
    return kBlockUnit * SizeScale::heightFactor(folderLayouts.shownBytes(entry));
}

bool MapModel::sameAsLast(const double clipFromScene[16], const int viewport[4]) const
{
    return last.keep && last.layoutRevision == folderLayouts.revision()
        && std::equal(clipFromScene, clipFromScene + 16, last.clipFromScene)
        && std::equal(viewport, viewport + 4, last.viewport);
}

const std::vector<MapBox>& MapModel::collect(const double clipFromScene[16], const int viewport[4], std::int64_t nowMs)
{
    if (sameAsLast(clipFromScene, viewport))
        return collected;
    stamp = ++collectionsMade;
    collected.clear();
    last.keep = false;
    if (top == kNoEntry)
        return collected;
    visitFolder(top, MapRect{0.0, 0.0, kSide, kSide}, 0.0, View{clipFromScene, viewport, nowMs});
    // While anything below is still counted its sizes grow from frame to
    // frame, and its layouts follow the clock.
    last.keep = tree.isComplete(top);
    last.layoutRevision = folderLayouts.revision();
    std::copy(clipFromScene, clipFromScene + 16, last.clipFromScene);
    std::copy(viewport, viewport + 4, last.viewport);
    return collected;
}

float MapModel::visitFolder(EntryId folder, const MapRect& rect, double base, const View& view)
{
    MapBox stack;
    setBox(stack, rect, base, base + kStep + kHeadroom);
    if (ScreenBox(view.clipFromScene, view.viewport, stack.low, stack.high).outside())
        return static_cast<float>(base);
    MapBox platform;
    setBox(platform, rect, base, base + kStep);
    const ScreenBox seen(view.clipFromScene, view.viewport, platform.low, platform.high);
    const double pixels = seen.pixels();
    const EntryId contents = tree.contents(folder);
    const bool listed = contents != kNoEntry && tree.isListed(contents);
    // Seen edge on, a platform's entries share the little area it covers on
    // screen, however wide it is. (The count is read only when the span
    // leaves it to decide: a far folder's listing is one read from memory
    // nothing else needs.)
    // The shown folder itself is always laid out, so its entries show
    // however many they are.
    const bool small = pixels < lumpPixels
        || std::min(pixels * pixels, seen.area())
            < cellPixels * cellPixels * (listed ? static_cast<double>(tree.entries(contents).size()) : 0.0);
    if (folder != top && small) {
        const double height = kStep + std::min(blockHeight(folder), kTallestShare * std::min(rect.width, rect.depth));
        // The lump holds the platform's box: where that shows big enough, so does the lump.
        if (!seen.outside() && pixels >= smallestPixels)
            pushBlock(folder, rect, base, height, MapBoxKind::Lump);
        else
            addBlock(folder, rect, base, height, MapBoxKind::Lump, view);
        return static_cast<float>(base + height);
    }

    const std::size_t index = collected.size();
    platform.entry = folder;
    platform.kind = MapBoxKind::Platform;
    platform.entryKind = tree.kind(folder);
    platform.counting = !tree.isComplete(folder);
    collected.push_back(platform);
    float reach = platform.high[1];

    const MapRect inner = innerOf(rect);
    if (listed && inner.width > 0.0 && inner.depth > 0.0) {
        const MapLayouts::Cells cells = folderLayouts.cells(contents, inner.width / inner.depth, view.nowMs);
        const double floor = base + kStep;
        for (std::uint32_t i = 0; i < cells.count; ++i) {
            const MapCell& cell = cells.first[i];
            const MapRect piece = placed(cell, inner);
            if (!(piece.width > 0.0) || !(piece.depth > 0.0))
                continue;
            const EntryId entry = cell.entry;
            if (tree.kind(entry) == EntryKind::Folder && tree.contents(entry) == entry) {
                reach = std::max(reach, visitFolder(entry, piece, floor, view));
                continue;
            }
            const std::size_t before = collected.size();
            // Never taller than its footprint is wide: a forest of needles
            // would hide what stands behind it.
            const double height = std::min(blockHeight(entry), kTallestShare * std::min(piece.width, piece.depth));
            addBlock(entry, piece, floor, height, MapBoxKind::Block, view);
            if (collected.size() > before)
                reach = std::max(reach, collected.back().high[1]);
        }
    }
    collected[index].reach = reach;
    collected[index].end = static_cast<std::uint32_t>(collected.size());
    return reach;
}

void MapModel::addBlock(EntryId entry, const MapRect& rect, double base, double height, MapBoxKind kind,
                        const View& view)
{
    MapBox box;
    setBox(box, rect, base, base + height);
    const ScreenBox seen(view.clipFromScene, view.viewport, box.low, box.high);
    if (seen.outside() || seen.pixels() < smallestPixels)
        return;
    pushBlock(entry, rect, base, height, kind);
}

void MapModel::pushBlock(EntryId entry, const MapRect& rect, double base, double height, MapBoxKind kind)
{
    MapBox box;
    setBox(box, rect, base, base + height);
    box.entry = entry;
    box.kind = kind;
    box.entryKind = tree.kind(entry);
    box.counting = kind == MapBoxKind::Lump && !tree.isComplete(entry);
    box.reach = box.high[1];
    box.end = static_cast<std::uint32_t>(collected.size() + 1);
    collected.push_back(box);
}

bool MapModel::enters(const SlotPicker::Ray& ray, const float low[3], const float high[3], double& t)
{
    double enter = 0.0;
    double leave = 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double origin = ray.origin[axis];
        const double direction = ray.direction[axis];
        if (direction == 0.0) {
            if (origin < low[axis] || origin > high[axis])
                return false;
            continue;
        }
        double a = (low[axis] - origin) / direction;
        double b = (high[axis] - origin) / direction;
        if (a > b)
            std::swap(a, b);
        enter = std::max(enter, a);
        leave = std::min(leave, b);
        if (enter > leave)
            return false;
    }
    t = enter;
    return true;
}

std::optional<std::size_t> MapModel::pick(const SlotPicker::Ray& ray) const
{
    std::optional<std::size_t> best;
    double bestT = std::numeric_limits<double>::infinity();
    std::size_t i = 0;
    while (i < collected.size()) {
        const MapBox& box = collected[i];
        double t = 0.0;
        if (box.kind == MapBoxKind::Platform) {
            const float stackHigh[3] = {box.high[0], box.reach, box.high[2]};
            if (!enters(ray, box.low, stackHigh, t) || t > bestT) {
                i = std::max<std::size_t>(box.end, i + 1);
                continue;
            }
        }
        if (enters(ray, box.low, box.high, t) && t < bestT) {
            bestT = t;
            best = i;
        }
        ++i;
    }
    return best;
}

const MapBox* MapModel::boxOf(EntryId entry) const
{
    for (const MapBox& box : collected)
        if (box.entry == entry)
            return &box;
    return nullptr;
}

std::optional<MapBox> MapModel::platformOf(EntryId folder, std::int64_t nowMs)
{
    if (top == kNoEntry || folder == kNoEntry)
        return std::nullopt;
    // The folders from the shown one down to `folder`.
    std::vector<EntryId> chain;
    for (EntryId at = folder; at != top; at = tree.parent(at)) {
        if (at == kNoEntry)
            return std::nullopt;
        chain.push_back(at);
    }
    MapRect rect{0.0, 0.0, kSide, kSide};
    double base = 0.0;
    EntryId parent = top;
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
        const MapRect inner = innerOf(rect);
        if (!(inner.width > 0.0) || !(inner.depth > 0.0))
            return std::nullopt;
        const MapLayouts::Cells cells = folderLayouts.cells(tree.contents(parent), inner.width / inner.depth, nowMs);
        const MapCell* cell
            = std::find_if(cells.first, cells.first + cells.count, [&](const MapCell& c) { return c.entry == *at; });
        if (cell == cells.first + cells.count)
            return std::nullopt;
        rect = placed(*cell, inner);
        base += kStep;
        parent = *at;
    }
    MapBox box;
    setBox(box, rect, base, base + kStep);
    box.entry = folder;
    box.kind = MapBoxKind::Platform;
    box.entryKind = tree.kind(folder);
    box.counting = !tree.isComplete(folder);
    return box;
}
