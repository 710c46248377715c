#include "explore/map/MapLabels.h"

#include <algorithm>
#include <cmath>

namespace {

struct ScreenRect {
    double left = 0.0;
    double bottom = 0.0;
    double right = 0.0;
    double top = 0.0;

    bool overlaps(const ScreenRect& other) const
    {
        return left < other.right && other.left < right && bottom < other.top && other.bottom < top;
    }
};

struct Candidate {
    MapLabels::Label label;
    ScreenRect rect;
    double pixels = 0.0;
    double rank = 0.0;
};

// Window pixels of a scene point; false when it lies behind the eye.
bool project(const double m[16], const int viewport[4], double x, double y, double z, double& px, double& py)
{
    const double cx = m[0] * x + m[4] * y + m[8] * z + m[12];
    const double cy = m[1] * x + m[5] * y + m[9] * z + m[13];
    const double w = m[3] * x + m[7] * y + m[11] * z + m[15];
    if (!(w > 1e-6))
        return false;
    px = viewport[0] + 0.5 * (cx / w + 1.0) * viewport[2];
    py = viewport[1] + 0.5 * (cy / w + 1.0) * viewport[3];
    return true;
}

// The height on screen of letters `em` tall whose baseline passes through
// (x, y, z) along +x, across the line as it runs on screen: a name seen edge
// on is a thin line, however long. 0 behind the eye.
double letterPixels(const double m[16], const int viewport[4], double x, double y, double z, double em)
{
    double ax = 0.0;
    double ay = 0.0;
    double bx = 0.0;
    double by = 0.0;
    double cx = 0.0;
    double cy = 0.0;
    if (!project(m, viewport, x, y, z, ax, ay)
        || !project(m, viewport, x, y + em * MapLabels::kUp[1], z + em * MapLabels::kUp[2], bx, by)
        || !project(m, viewport, x + em, y, z, cx, cy))
        return 0.0;
    const double along = std::hypot(cx - ax, cy - ay);
    const double across = along > 0.0 ? std::abs((cx - ax) * (by - ay) - (cy - ay) * (bx - ax)) / along : 0.0;
    return std::min(across, along);
}

// A name of `width` (at em 1) at `em` from `origin`: its rectangle on
// screen and the screen height of its letters; false when it cannot show.
bool measure(const double m[16], const int viewport[4], const float origin[3], float em, float width, Candidate& out)
{
    const double x0 = origin[0];
    const double x1 = origin[0] + em * width;
    const double yBase = origin[1];
    const double zBase = origin[2];
    const double yTop = yBase + em * MapLabels::kUp[1];
    const double zTop = zBase + em * MapLabels::kUp[2];
    double xs[4];
    double ys[4];
    if (!project(m, viewport, x0, yBase, zBase, xs[0], ys[0]) || !project(m, viewport, x1, yBase, zBase, xs[1], ys[1])
        || !project(m, viewport, x1, yTop, zTop, xs[2], ys[2]) || !project(m, viewport, x0, yTop, zTop, xs[3], ys[3]))
        return false;
    out.rect.left = std::min({xs[0], xs[1], xs[2], xs[3]});
    out.rect.right = std::max({xs[0], xs[1], xs[2], xs[3]});
    out.rect.bottom = std::min({ys[0], ys[1], ys[2], ys[3]});
    out.rect.top = std::max({ys[0], ys[1], ys[2], ys[3]});
    if (out.rect.right < viewport[0] || out.rect.left > viewport[0] + viewport[2] || out.rect.top < viewport[1]
        || out.rect.bottom > viewport[1] + viewport[3])
        return false;
    out.pixels = letterPixels(m, viewport, 0.5 * (x0 + x1), yBase, zBase, em);
    return true;
}

} // namespace

std::vector<MapLabels::Label> MapLabels::place(const std::vector<MapBox>& boxes, const double clipFromScene[16],
                                               const int viewport[4], const WidthOf& widthOf)
{
    std::vector<Candidate> candidates;
    for (const MapBox& box : boxes) {
        const float width = box.high[0] - box.low[0];
        const float depth = box.high[2] - box.low[2];
        if (!(width > 0.0f) || !(depth > 0.0f))
            continue;
        // Just above the face, so the face does not hide its own name.
        const float lift = 0.02f + 0.002f * std::max(width, depth);
        const float y = box.high[1] + lift;
        // The baseline near the face's front edge, the letters leaning back over it.
        const float lean = -kUp[2];
        const bool platform = box.kind == MapBoxKind::Platform;
        const float margin = static_cast<float>(MapModel::kMarginShare) * std::min(width, depth);
        // Names too small to read even at the most their place allows are
        // left out before they are measured, which costs a text layout.
        float largest = platform ? 0.8f * margin / lean : 0.3f * depth / lean;
        float front = platform ? box.high[2] - 0.1f * margin : box.high[2] - 0.1f * depth;
        float base = y;
        const double middle = 0.5 * (box.low[0] + box.high[0]);
        if (platform && letterPixels(clipFromScene, viewport, middle, y, front, largest) < kSmallestPixels) {
            // A margin too thin for the folder's name: the name floats over
            // the front of its entries instead, above the tallest of them.
            largest = kOverShare * depth / lean;
            front = box.high[2] - margin;
            base = box.reach + lift;
        }
        if (letterPixels(clipFromScene, viewport, middle, base, front, largest) < kSmallestPixels)
            continue;
        const float nameWidth = widthOf(box.entry);
        if (!(nameWidth > 0.0f))
            continue;
        Candidate candidate;
        Label& label = candidate.label;
        label.entry = box.entry;
        label.origin[1] = base;
        if (platform) {
            label.em = std::min(largest, (width - 2.0f * margin) / nameWidth);
            label.origin[0] = box.low[0] + margin;
        } else {
            label.em = std::min(largest, 0.6f * width / nameWidth);
            label.origin[0] = box.low[0] + 0.5f * (width - label.em * nameWidth);
        }
        label.origin[2] = front;
        if (!(label.em > 0.0f))
            continue;
        if (!measure(clipFromScene, viewport, label.origin, label.em, nameWidth, candidate))
            continue;
        if (candidate.pixels < kSmallestPixels)
            continue;
        label.alpha = static_cast<float>(
            std::min(1.0, (candidate.pixels - kSmallestPixels) / (kClearPixels - kSmallestPixels)));
        // Where names would overlap, a folder's wins over a file's up to
        // kFolderWeight times its size.
        candidate.rank = candidate.pixels * (platform ? kFolderWeight : 1.0);
        candidates.push_back(candidate);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.rank > b.rank; });
    std::vector<Label> placed;
    std::vector<ScreenRect> taken;
    for (const Candidate& candidate : candidates) {
        if (placed.size() >= kMostNames)
            break;
        if (std::any_of(taken.begin(), taken.end(), [&](const ScreenRect& r) { return r.overlaps(candidate.rect); }))
            continue;
        taken.push_back(candidate.rect);
        placed.push_back(candidate.label);
    }
    return placed;
}
