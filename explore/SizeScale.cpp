#include "explore/SizeScale.h"

#include <cmath>

namespace {

// Decades of bytes from 1 B to 100 GB, grown over kGrowth model heights.
constexpr double kDecades = 11.0;
constexpr double kGrowth = 2.0;

} // namespace

float SizeScale::heightFactor(std::uint64_t bytes)
{
    return static_cast<float>(1.0 + kGrowth * std::log10(1.0 + static_cast<double>(bytes)) / kDecades);
}

std::uint64_t SizeScale::shownBytes(const EntryTree& tree, EntryId entry)
{
    // A folder's total is final only once its subtree is scanned; until then
    // it stands at its smallest.
    if (tree.showsAsFolder(entry))
        return tree.isComplete(entry) ? tree.totalSize(entry) : 0;
    const EntryKind kind = tree.kind(entry);
    if (kind == EntryKind::File || kind == EntryKind::FileLink)
        return tree.byteSize(entry);
    return 0;
}
