#include "explore/map/MapLayouts.h"

#include "explore/NameOrder.h"
#include "explore/map/SquarifiedLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

MapLayouts::MapLayouts(const EntryTree& entryTree) : tree(entryTree)
{
}

void MapLayouts::setOrder(MapOrder order)
{
    if (order != entryOrder)
        clear();
    entryOrder = order;
}

void MapLayouts::setShowHidden(bool show)
{
    if (show != showHidden)
        clear();
    showHidden = show;
}

void MapLayouts::clear()
{
    ++cleared;
    folders.clear();
    blocks.clear();
    blockCells = 0;
    lastBlockSize = 0;
    lastBlockRoom = 0;
    liveCells = 0;
    soFar.clear();
}

std::size_t MapLayouts::memoryBytes() const
{
    // The map's nodes hold a key, a record and a pointer; the buckets one pointer each.
    constexpr std::size_t kNode = sizeof(EntryId) + sizeof(Folder) + sizeof(void*);
    return blockCells * sizeof(MapCell) + blocks.capacity() * sizeof(blocks[0]) + folders.size() * kNode
        + folders.bucket_count() * sizeof(void*);
}

MapCell* MapLayouts::allocate(std::uint32_t count)
{
    if (count == 0)
        return nullptr;
    if (count > lastBlockRoom) {
        // Blocks grow with the layouts, so a small tree holds little.
        const std::size_t grown = std::clamp<std::size_t>(blockCells, kFirstBlockCells, kBlockCells);
        lastBlockSize = std::max(count, static_cast<std::uint32_t>(grown));
        blocks.push_back(std::make_unique<MapCell[]>(lastBlockSize));
        blockCells += lastBlockSize;
        lastBlockRoom = lastBlockSize;
    }
    MapCell* room = blocks.back().get() + (lastBlockSize - lastBlockRoom);
    lastBlockRoom -= count;
    return room;
}

std::uint64_t MapLayouts::shownBytes(EntryId entry)
{
    if (tree.showsAsFolder(entry)) {
        const EntryId contents = tree.contents(entry);
        if (contents == kNoEntry)
            return 0;
        if (tree.isComplete(entry))
            return tree.totalSize(entry);
        return countedSoFar(contents);
    }
    const EntryKind kind = tree.kind(entry);
    return kind == EntryKind::File || kind == EntryKind::FileLink ? tree.byteSize(entry) : 0;
}

std::uint64_t MapLayouts::countedSoFar(EntryId folder)
{
    if (tree.isComplete(folder))
        return tree.totalSize(folder);
    const auto known = soFar.find(folder);
    if (known != soFar.end())
        return known->second;
    // A walk of what is listed below, without recursion: deep chains are real.
    std::uint64_t bytes = 0;
    std::vector<EntryId> pending{folder};
    while (!pending.empty()) {
        const EntryId at = pending.back();
        pending.pop_back();
        if (!tree.isListed(at))
            continue;
        if (tree.isComplete(at)) {
            bytes += tree.totalSize(at);
            continue;
        }
        for (EntryId entry : tree.entries(at)) {
            const EntryKind kind = tree.kind(entry);
            if (kind == EntryKind::Folder && tree.contents(entry) == entry)
                pending.push_back(entry);
            else if (kind == EntryKind::File)
                bytes += tree.byteSize(entry);
        }
    }
    soFar.emplace(folder, bytes);
    return bytes;
}

MapLayouts::Cells MapLayouts::cells(EntryId folder, double aspect, std::int64_t nowMs)
{
    if (folder == kNoEntry || !tree.isListed(folder))
        return {};
    // Sizes counted so far are summed again once per period.
    const std::int64_t period = nowMs / kRelayoutMs;
    if (period != soFarPeriod) {
        soFar.clear();
        soFarPeriod = period;
    }
    auto [at, fresh] = folders.try_emplace(folder);
    Folder& record = at->second;
    const bool reshaped = std::abs(aspect - record.aspect) > kShapeSlack * std::max(aspect, 1e-9);
    const bool grown = !record.complete
        && (tree.isComplete(folder) || nowMs - record.laidOutMs >= kRelayoutMs || nowMs < record.laidOutMs);
    if (fresh || reshaped || grown)
        layOut(folder, record, aspect, nowMs);
    return Cells{record.first, record.count, record.complete};
}

void MapLayouts::layOut(EntryId folder, Folder& record, double aspect, std::int64_t nowMs)
{
    ++made;
    record.complete = tree.isComplete(folder);
    record.laidOutMs = nowMs;
    record.aspect = static_cast<float>(aspect);

    shown.clear();
    for (EntryId entry : tree.entries(folder))
        if (showHidden || !tree.hidden(entry))
            shown.push_back(entry);
    const std::uint32_t count = static_cast<std::uint32_t>(shown.size());
    sizes.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        sizes[i] = shownBytes(shown[i]);
    SquarifiedLayout::weights(sizes.data(), count, weights);

    positions.resize(count);
    std::iota(positions.begin(), positions.end(), 0u);
    if (entryOrder == MapOrder::Size)
        std::stable_sort(positions.begin(), positions.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (weights[a] != weights[b])
                return weights[a] > weights[b];
            return NameOrder::before(tree.name(shown[a]), tree.name(shown[b]));
        });
    else
        std::stable_sort(positions.begin(), positions.end(), [&](std::uint32_t a, std::uint32_t b) {
            return NameOrder::before(tree.name(shown[a]), tree.name(shown[b]));
        });
    std::vector<double> ordered(count);
    for (std::uint32_t i = 0; i < count; ++i)
        ordered[i] = weights[positions[i]];
    std::vector<MapRect> pieces(count);
    const double width = aspect > 0.0 && std::isfinite(aspect) ? aspect : 1.0;
    SquarifiedLayout::arrange(ordered.data(), count, MapRect{0.0, 0.0, width, 1.0}, pieces.data());

    // A folder keeps its place in the store while its count stays (a scan
    // lists a folder once); otherwise its cells go to the end.
    if (record.first == nullptr || record.count != count) {
        liveCells -= record.count;
        record.first = allocate(count);
        record.count = count;
        liveCells += count;
    }
    MapCell* out = record.first;
    for (std::uint32_t i = 0; i < count; ++i) {
        const MapRect& piece = pieces[i];
        out[i] = MapCell{static_cast<float>(piece.x / width), static_cast<float>(piece.z),
                         static_cast<float>(piece.width / width), static_cast<float>(piece.depth), shown[positions[i]]};
    }
}
