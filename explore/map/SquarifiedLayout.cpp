#include "explore/map/SquarifiedLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool usable(double weight)
{
    return weight > 0.0 && std::isfinite(weight);
}

// The worst side ratio of a row of pieces whose areas sum to `sum`, the
// largest being `largest` and the smallest `smallest`, laid along a side of
// length `side`.
double worstRatio(double sum, double largest, double smallest, double side)
{
    const double side2 = side * side;
    const double sum2 = sum * sum;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

} // namespace

void SquarifiedLayout::weights(const std::uint64_t* sizes, std::size_t count, std::vector<double>& out)
{
    out.resize(count);
    double total = 0.0;
    std::size_t empties = 0;
    for (std::size_t i = 0; i < count; ++i) {
        total += static_cast<double>(sizes[i]);
        empties += sizes[i] == 0 ? 1 : 0;
    }
    if (total <= 0.0) {
        std::fill(out.begin(), out.end(), 1.0);
        return;
    }
    const double empty
        = empties == 0 ? 0.0 : std::min(total * kEmptyShare, total * kEmptyTotalShare / static_cast<double>(empties));
    for (std::size_t i = 0; i < count; ++i)
        out[i] = sizes[i] == 0 ? empty : static_cast<double>(sizes[i]);
}

MapRect SquarifiedLayout::inset(const MapRect& area, double margin)
{
    MapRect inner = area;
    const double room = std::min(margin, 0.5 * std::min(area.width, area.depth));
    inner.x += room;
    inner.z += room;
    inner.width = std::max(0.0, area.width - 2.0 * room);
    inner.depth = std::max(0.0, area.depth - 2.0 * room);
    return inner;
}

double SquarifiedLayout::aspect(const MapRect& piece)
{
    const double shorter = std::min(piece.width, piece.depth);
    if (!(shorter > 0.0))
        return std::numeric_limits<double>::infinity();
    return std::max(piece.width, piece.depth) / shorter;
}

void SquarifiedLayout::arrange(const double* weights, std::size_t count, const MapRect& area, MapRect* out)
{
    double total = 0.0;
    std::size_t last = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (usable(weights[i])) {
            total += weights[i];
            last = i;
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        out[i] = MapRect{area.x, area.z, 0.0, 0.0};
    if (!(total > 0.0) || !(area.width > 0.0) || !(area.depth > 0.0))
        return;

    // Areas in the area's units; what is still free, and its weight.
    const double scale = area.area() / total;
    MapRect free = area;
    std::size_t i = 0;
    while (i <= last) {
        if (!usable(weights[i])) {
            out[i] = MapRect{free.x, free.z, 0.0, 0.0};
            ++i;
            continue;
        }
        // Rows run along the free part's shorter side.
        const bool alongX = free.width <= free.depth;
        const double side = alongX ? free.width : free.depth;
        std::size_t end = i;
        double sum = 0.0;
        double largest = 0.0;
        double smallest = std::numeric_limits<double>::infinity();
        double worst = std::numeric_limits<double>::infinity();
        while (end <= last) {
            if (!usable(weights[end])) {
                ++end;
                continue;
            }
            const double piece = weights[end] * scale;
            const double nextSum = sum + piece;
            const double nextWorst = worstRatio(nextSum, std::max(largest, piece), std::min(smallest, piece), side);
            if (sum > 0.0 && nextWorst > worst)
                break;
            sum = nextSum;
            largest = std::max(largest, piece);
            smallest = std::min(smallest, piece);
            worst = nextWorst;
            ++end;
        }
        // The row's thickness across the side; the last row takes what is left.
        const double freeThickness = alongX ? free.depth : free.width;
        const double thickness = end > last ? freeThickness : std::min(freeThickness, sum / side);
        double along = 0.0;
        std::size_t lastInRow = i;
        for (std::size_t k = i; k < end; ++k)
            lastInRow = usable(weights[k]) ? k : lastInRow;
        for (std::size_t k = i; k < end; ++k) {
            const double start = along;
            if (usable(weights[k]))
                along = k == lastInRow ? side : along + weights[k] * scale / thickness;
            const double length = along - start;
            out[k] = alongX ? MapRect{free.x + start, free.z, length, thickness}
                            : MapRect{free.x, free.z + start, thickness, length};
        }
        if (alongX) {
            free.z += thickness;
            free.depth = std::max(0.0, free.depth - thickness);
        } else {
            free.x += thickness;
            free.width = std::max(0.0, free.width - thickness);
        }
        i = end;
    }
    for (; i < count; ++i)
        out[i] = MapRect{free.x, free.z, 0.0, 0.0};
}
