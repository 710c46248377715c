#pragma once

#include "tree/EntryTree.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// One entry's piece of its folder's platform, in the platform's own unit
// square (0 to 1 along x and z), so that a folder laid out once keeps its
// pieces when the folders above it move.
struct MapCell {
    float x = 0.0f;
    float z = 0.0f;
    float width = 0.0f;
    float depth = 0.0f;
    EntryId entry = kNoEntry;
};

// The order of a folder's entries in its treemap: rows are filled in it.
enum class MapOrder : std::uint8_t {
    Size, // largest first: the squarest pieces
    Name, // in NameOrder, folders and files mixed
};

// The map's treemap of each folder, made the first time the folder is asked
// for and kept. While the scan still counts below a folder its sizes grow, so
// its layout is made again when asked for after kRelayoutMs, and once more
// when its subtree is complete; a platform whose shape has changed is laid
// out again for its new shape. Changing the order or the hidden filter
// forgets every layout.
class MapLayouts {
public:
    static constexpr std::int64_t kRelayoutMs = 250;
    // How much a platform's side ratio may change before it is laid out anew.
    static constexpr double kShapeSlack = 0.02;

    explicit MapLayouts(const EntryTree& tree);

    void setOrder(MapOrder order);
    MapOrder order() const { return entryOrder; }
    void setShowHidden(bool show);
    bool showsHidden() const { return showHidden; }
    void clear();

    // The cells of `folder`'s shown entries on a platform `aspect` times as
    // wide (x) as deep (z), at time `nowMs`: laid out now if they must be.
    // Empty for a folder that is not listed yet or shows nothing.
    // The cells stay where they are until clear().
    struct Cells {
        const MapCell* first = nullptr;
        std::uint32_t count = 0;
        // Whether the folder's subtree was complete when laid out.
        bool complete = false;
    };
    Cells cells(EntryId folder, double aspect, std::int64_t nowMs);

    // The bytes an entry's piece stands for: a complete folder's total, a
    // folder still counted the files found below it so far, a file's (or a
    // link to one) size, anything else nothing.
    std::uint64_t shownBytes(EntryId entry);

    // Folders laid out and entries in their layouts; bytes held for them.
    std::size_t laidOutFolders() const { return folders.size(); }
    std::size_t laidOutEntries() const { return liveCells; }
    std::size_t memoryBytes() const;
    // Layouts made since construction, each relayout counted.
    std::size_t layoutsMade() const { return made; }
    // Grows whenever any cell may have moved: a layout made, or all forgotten.
    std::size_t revision() const { return made + cleared; }

private:
    struct Folder {
        MapCell* first = nullptr;
        std::uint32_t count = 0;
        float aspect = 1.0f;
        bool complete = false;
        std::int64_t laidOutMs = 0;
    };

    void layOut(EntryId folder, Folder& record, double aspect, std::int64_t nowMs);
    // Room for `count` cells that never moves: from the last block while it
    // has room, else from a new one.
    MapCell* allocate(std::uint32_t count);
    std::uint64_t countedSoFar(EntryId folder);

    const EntryTree& tree;
    MapOrder entryOrder = MapOrder::Size;
    bool showHidden = false;
    std::unordered_map<EntryId, Folder> folders;
    static constexpr std::uint32_t kFirstBlockCells = 256;
    static constexpr std::uint32_t kBlockCells = 16384;
    std::vector<std::unique_ptr<MapCell[]>> blocks;
    std::size_t blockCells = 0; // cells allocated in all blocks
    std::uint32_t lastBlockSize = 0;
    std::uint32_t lastBlockRoom = 0; // free cells at the end of the last block
    std::size_t liveCells = 0;
    std::size_t made = 0;
    std::size_t cleared = 0;
    // Sizes of folders still counted, summed once per relayout period.
    std::unordered_map<EntryId, std::uint64_t> soFar;
    std::int64_t soFarPeriod = -1;
    // Reused by each layout.
    std::vector<EntryId> shown;
    std::vector<std::uint64_t> sizes;
    std::vector<double> weights;
    std::vector<std::uint32_t> positions;
};
