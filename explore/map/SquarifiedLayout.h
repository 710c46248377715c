#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A rectangle on the map's ground: x and z of its near-left corner, and its
// extent along each.
struct MapRect {
    double x = 0.0;
    double z = 0.0;
    double width = 0.0;
    double depth = 0.0;

    double area() const { return width * depth; }
};

// Divides a rectangle among entries so that each one's area is proportional
// to its weight and the pieces come out as near square as the order allows.
// Entries are laid in rows along the shorter side of what is still free; an
// entry joins the current row while that makes the row's worst side ratio no
// worse, otherwise the row is closed and the next one starts. Given in
// decreasing weight the rows come out near square; in any other order the
// entries keep that order, row by row, and the pieces are less square.
class SquarifiedLayout {
public:
    // An entry of no size gets this share of the others' total, so that it
    // still shows; all such entries together get at most kEmptyTotalShare.
    static constexpr double kEmptyShare = 0.002;
    static constexpr double kEmptyTotalShare = 0.05;

    // The weights the layout divides by for entries of `sizes` bytes: the
    // sizes, with the share above for the empty ones (all equal when every
    // entry is empty).
    static void weights(const std::uint64_t* sizes, std::size_t count, std::vector<double>& out);

    // `area` less `margin` on every side (nothing left when the margin is wider).
    static MapRect inset(const MapRect& area, double margin);

    // Fills out[0, count) with the pieces of `area` for weights[0, count),
    // in that order. The pieces tile the area exactly; weights that are not
    // positive and finite get nothing (an empty piece at the area's corner).
    static void arrange(const double* weights, std::size_t count, const MapRect& area, MapRect* out);

    // The longer side over the shorter of a piece (1 for a square; infinite
    // for an empty one).
    static double aspect(const MapRect& piece);
};
