#include "scene/SlotPicker.h"

#include "scene/RowLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

using Box = RowLayout::Box;

// The inverse of a column-major 4 x 4 matrix by Gauss-Jordan elimination with
// partial pivoting; false when it is singular or not finite.
bool invert(const double matrix[16], double out[16])
{
    double a[4][8];
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            a[row][column] = matrix[4 * column + row];
            a[row][4 + column] = row == column ? 1.0 : 0.0;
        }
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row)
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column]))
                pivot = row;
        if (!(std::fabs(a[pivot][column]) > 0.0) || !std::isfinite(a[pivot][column]))
            return false;
        std::swap(a[pivot], a[column]);
        const double scale = 1.0 / a[column][column];
        for (double& value : a[column])
            value *= scale;
        for (int row = 0; row < 4; ++row) {
            if (row == column)
                continue;
            const double factor = a[row][column];
            for (int k = 0; k < 8; ++k)
                a[row][k] -= factor * a[column][k];
        }
    }
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            out[4 * column + row] = a[row][4 + column];
    return true;
}

// The scene point at normalised device coordinates (x, y, z); false when it
// lies at infinity.
bool unproject(const double inverse[16], double x, double y, double z, double out[3])
{
    const double device[4] = {x, y, z, 1.0};
    double point[4];
    for (int row = 0; row < 4; ++row) {
        point[row] = 0.0;
        for (int column = 0; column < 4; ++column)
            point[row] += inverse[4 * column + row] * device[column];
    }
    if (!(std::fabs(point[3]) > 0.0))
        return false;
    for (int axis = 0; axis < 3; ++axis)
        out[axis] = point[axis] / point[3];
    return std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2]);
}

// Narrows [enter, leave] to the part of the ray inside the box's slab along
// `axis`; false when nothing is left.
bool clipToSlab(const SlotPicker::Ray& ray, const Box& box, int axis, double& enter, double& leave)
{
    const double origin = ray.origin[axis];
    const double direction = ray.direction[axis];
    if (direction == 0.0)
        return origin >= box.low[axis] && origin <= box.high[axis];
    double near = (box.low[axis] - origin) / direction;
    double far = (box.high[axis] - origin) / direction;
    if (near > far)
        std::swap(near, far);
    enter = std::max(enter, near);
    leave = std::min(leave, far);
    return enter <= leave;
}

// Where along the ray (t in [0, 1]) it enters the box; empty when it misses.
std::optional<double> entry(const SlotPicker::Ray& ray, const Box& box)
{
    double enter = 0.0;
    double leave = 1.0;
    for (int axis = 0; axis < 3; ++axis)
        if (!clipToSlab(ray, box, axis, enter, leave))
            return std::nullopt;
    return enter;
}

} // namespace

std::optional<SlotPicker::Ray> SlotPicker::rayThrough(const double clipFromScene[16], const int viewport[4],
                                                      double windowX, double windowY)
{
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return std::nullopt;
    double inverse[16];
    if (!invert(clipFromScene, inverse))
        return std::nullopt;
    const double x = 2.0 * (windowX - viewport[0]) / viewport[2] - 1.0;
    const double y = 2.0 * (windowY - viewport[1]) / viewport[3] - 1.0;
    Ray ray;
    double far[3];
    if (!unproject(inverse, x, y, -1.0, ray.origin) || !unproject(inverse, x, y, 1.0, far))
        return std::nullopt;
    for (int axis = 0; axis < 3; ++axis)
        ray.direction[axis] = far[axis] - ray.origin[axis];
    return ray;
}

std::optional<std::size_t> SlotPicker::pick(const RowLayout& layout, std::size_t count, const Ray& ray)
{
    if (count == 0)
        return std::nullopt;
    // The part of the ray that passes through the height and depth of every
    // slot's box, and the x it spans there.
    const Box reach = layout.cullingBox();
    double enter = 0.0;
    double leave = 1.0;
    if (!clipToSlab(ray, reach, 1, enter, leave) || !clipToSlab(ray, reach, 2, enter, leave))
        return std::nullopt;
    const double xEnter = ray.origin[0] + enter * ray.direction[0];
    const double xLeave = ray.origin[0] + leave * ray.direction[0];

    // Slot i's box starts near i * pitch + low x; two slots more on each side
    // cover the rounding of the slot positions to float.
    const double last = static_cast<double>(count - 1);
    double first = 0.0;
    double end = last;
    const double pitch = layout.pitch();
    if (pitch > 0.0 && std::isfinite(pitch)) {
        first = std::floor((std::min(xEnter, xLeave) - reach.high[0]) / pitch) - 2.0;
        end = std::ceil((std::max(xEnter, xLeave) - reach.low[0]) / pitch) + 2.0;
        if (!(first <= last) || !(end >= 0.0))
            return std::nullopt;
        first = std::max(first, 0.0);
        end = std::min(end, last);
    }
    const auto low = static_cast<std::size_t>(first);
    const auto high = static_cast<std::size_t>(end);

    // With a positive pitch the slots' x extents follow their order, so walking
    // in the ray's x direction meets them in the order the ray can reach them:
    // once a slot's x extent begins after the best hit, none later can beat it.
    const bool ordered = pitch > 0.0 && ray.direction[0] != 0.0;
    const bool forward = ray.direction[0] >= 0.0;
    std::optional<std::size_t> best;
    double bestT = 0.0;
    for (std::size_t step = 0; step <= high - low; ++step) {
        const std::size_t slot = forward ? low + step : high - step;
        const Box box = layout.slotBox(slot);
        if (ordered && best) {
            const double side = forward ? box.low[0] : box.high[0];
            if ((side - ray.origin[0]) / ray.direction[0] > bestT)
                break;
        }
        const std::optional<double> t = entry(ray, box);
        if (t && (!best || *t < bestT || (*t == bestT && slot < *best))) {
            best = slot;
            bestT = *t;
        }
    }
    return best;
}

std::optional<std::size_t> SlotPicker::nearestToCentre(const double clipFromScene[16], const int viewport[4],
                                                       const RowLayout& layout, std::size_t count)
{
    const double centreX = viewport[0] + 0.5 * viewport[2];
    const double centreY = viewport[1] + 0.5 * viewport[3];
    if (const std::optional<Ray> ray = rayThrough(clipFromScene, viewport, centreX, centreY))
        if (const std::optional<std::size_t> hit = pick(layout, count, *ray))
            return hit;

    std::optional<std::size_t> nearest;
    double nearestDistance = 0.0;
    const VisibleSlots slots = layout.visibleSlots(clipFromScene, count);
    for (std::size_t slot = slots.first; slot < slots.end; ++slot) {
        const Box box = layout.slotBox(slot);
        const double centre[4] = {0.5 * (box.low[0] + box.high[0]), 0.5 * (box.low[1] + box.high[1]),
                                  0.5 * (box.low[2] + box.high[2]), 1.0};
        double clip[4];
        for (int row = 0; row < 4; ++row) {
            clip[row] = 0.0;
            for (int column = 0; column < 4; ++column)
                clip[row] += clipFromScene[4 * column + row] * centre[column];
        }
        const double w = clip[3];
        if (!(w > 0.0) || std::fabs(clip[0]) > w || std::fabs(clip[1]) > w || std::fabs(clip[2]) > w)
            continue;
        const double dx = 0.5 * viewport[2] * clip[0] / w;
        const double dy = 0.5 * viewport[3] * clip[1] / w;
        const double distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = slot;
            nearestDistance = distance;
        }
    }
    return nearest;
}
