#include "scene/RowLayout.h"

#include "scene/IconSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

double settingValue(const IconSettings& settings, const char* key)
{
    return std::atof(settings.get(key).c_str());
}

} // namespace

RowLayout::RowLayout(double symbolSize, double gapX) : size(symbolSize), spaceX(gapX)
{
    box.low[1] = box.high[1] = 1.0;
    box.low[2] = box.high[2] = 1.0;
}

RowLayout::RowLayout(const IconSettings& settings)
    : RowLayout(settingValue(settings, "iconsize"), settingValue(settings, "iconspace_x"))
{
}

const RowLayout& RowLayout::standard()
{
    static const RowLayout layout(*IconSettings::instance());
    return layout;
}

float RowLayout::slotX(std::int64_t slot) const
{
    const double index = static_cast<double>(slot);
    return static_cast<float>(size * index + spaceX * index);
}

void RowLayout::includeSymbol(const MeshVertex& lowest, const MeshVertex& highest)
{
    // Upright at (0, 1, 1), scaled as the icons scale it: the float scale GL gets.
    const double scale = symbolScale();
    const double low[3] = {scale * lowest.x, 1.0 + scale * lowest.z, 1.0 - scale * highest.y};
    const double high[3] = {scale * highest.x, 1.0 + scale * highest.z, 1.0 - scale * lowest.y};
    for (int axis = 0; axis < 3; ++axis) {
        // A negative scale swaps the ends.
        const double from = std::min(low[axis], high[axis]);
        const double to = std::max(low[axis], high[axis]);
        box.low[axis] = hasSymbols ? std::min(box.low[axis], from) : from;
        box.high[axis] = hasSymbols ? std::max(box.high[axis], to) : to;
    }
    hasSymbols = true;
}

void RowLayout::setHeightFactors(std::vector<float> newFactors)
{
    factors = std::move(newFactors);
    largestFactor = 1.0;
    for (float& factor : factors) {
        if (!(factor >= 1.0f) || !std::isfinite(factor))
            factor = 1.0f;
        largestFactor = std::max(largestFactor, static_cast<double>(factor));
    }
}

double RowLayout::heightFactor(std::size_t slot) const
{
    return slot < factors.size() ? factors[slot] : 1.0;
}

RowLayout::Box RowLayout::stretched(double factor) const
{
    Box out = box;
    out.high[1] = box.low[1] + factor * (box.high[1] - box.low[1]);
    return out;
}

RowLayout::Box RowLayout::slotBox(std::size_t slot) const
{
    Box out = stretched(heightFactor(slot));
    const double x = slotX(static_cast<std::int64_t>(slot));
    out.low[0] += x;
    out.high[0] += x;
    return out;
}

RowLayout::Box RowLayout::cullingBox() const
{
    return stretched(largestFactor);
}

RowLayout::Placement RowLayout::placement(std::int64_t slot) const
{
    Placement out;
    out.x = slotX(slot);
    out.scale = symbolScale();
    out.heightScale = out.scale;
    const double factor = slot < 0 ? 1.0 : heightFactor(static_cast<std::size_t>(slot));
    if (factor != 1.0) {
        // Scaling y about the symbol's origin at y 1 by f moves the base from
        // b to 1 + f (b - 1); moving the origin to b + f (1 - b) keeps it at b.
        const double base = box.low[1];
        out.y = static_cast<float>(base + factor * (1.0 - base));
        out.heightScale = static_cast<float>(size * factor);
    }
    return out;
}

VisibleSlots RowLayout::visibleSlots(const double clipFromScene[16], std::size_t count) const
{
    return VisibleSlots::of(clipFromScene, pitch(), cullingBox(), count);
}
