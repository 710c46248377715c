#include "tools/SlotProbe.h"

#include "scene/RowLayout.h"
#include "tools/PixelProbe.h"

#include <cmath>
#include <cstdint>

namespace {

// The box, in world units around the slot origin: wide enough for a symbol's
// core, short of the neighbouring slots (1.3 apart), above the ground axis.
constexpr float kBoxHalfWidth = 0.28f;
constexpr float kBoxTop = 0.9f;
constexpr float kBoxBottom = 0.1f;
// Columns this close to the vertical axes (window coordinates) are left out.
constexpr double kAxisMargin = 3.0;
constexpr int kMinimumLit = 12;
constexpr double kWarmMargin = 60.0;

float slotX(std::size_t index)
{
    return RowLayout::standard().slotX(static_cast<std::int64_t>(index));
}

} // namespace

SlotProbe::SlotProbe(int width, int height) : projection(ScreenProjection::atStart(width, height))
{
}

SlotProbe::SlotProbe(const ScreenProjection& view) : projection(view)
{
}

ScreenPoint SlotProbe::origin(std::size_t index) const
{
    return projection.project(Vector3(slotX(index), 1.0f, 1.0f));
}

SlotProbe::Kind SlotProbe::kindAt(const RgbImage& picture, std::size_t index) const
{
    const float x = slotX(index);
    const ScreenPoint topLeft = projection.project(Vector3(x - kBoxHalfWidth, kBoxTop, 1.0f));
    const ScreenPoint bottomRight = projection.project(Vector3(x + kBoxHalfWidth, kBoxBottom, 1.0f));
    const double axisColumn = projection.project(Vector3(0.0f, 1.0f, 1.0f)).x;
    if (!topLeft.inFront || !bottomRight.inFront)
        return Kind::Empty;

    double red = 0.0;
    double blue = 0.0;
    int lit = 0;
    for (int row = static_cast<int>(std::floor(topLeft.y)); row < static_cast<int>(std::ceil(bottomRight.y)); ++row) {
        for (int column = static_cast<int>(std::floor(topLeft.x)); column < static_cast<int>(std::ceil(bottomRight.x));
             ++column) {
            if (std::fabs(column + 0.5 - axisColumn) <= kAxisMargin)
                continue;
            const Rgb colour = picture.pixel(column, row);
            if (!PixelProbe::isLit(colour))
                continue;
            red += colour.red;
            blue += colour.blue;
            ++lit;
        }
    }
    if (lit < kMinimumLit)
        return Kind::Empty;
    return (red - blue) / lit > kWarmMargin ? Kind::Folder : Kind::File;
}

const char* SlotProbe::name(Kind kind)
{
    switch (kind) {
    case Kind::Folder:
        return "folder";
    case Kind::File:
        return "file";
    case Kind::Empty:
        break;
    }
    return "nothing";
}
