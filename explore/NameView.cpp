#include "explore/NameView.h"

#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "explore/StartView.h"
#include "scene/RowLayout.h"
#include "text/TextRenderer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr TextRenderer::Color kNameColour{0.92f, 0.92f, 0.92f, 1.0f};
constexpr TextRenderer::Color kSelectedColour{1.0f, 0.85f, 0.2f, 1.0f};
constexpr int kSmallestRaster = 10;
constexpr int kLargestRaster = 96;

// How far a name may be shrunk on screen from its raster size and still count
// as seen at that size: GL's own level of detail at the start view, where
// names are drawn one texel to a pixel, wavers around zero by its rounding.
constexpr double kFullSizeSlack = 1.02;

// Where a scene point lands in the window, in pixels; false behind the eye.
bool toPixels(const double clip[16], const int viewport[4], const Vector3& p, double& x, double& y)
{
    const double cx = clip[0] * p.x + clip[4] * p.y + clip[8] * p.z + clip[12];
    const double cy = clip[1] * p.x + clip[5] * p.y + clip[9] * p.z + clip[13];
    const double cw = clip[3] * p.x + clip[7] * p.y + clip[11] * p.z + clip[15];
    if (cw <= 1e-9)
        return false;
    x = (cx / cw * 0.5 + 0.5) * viewport[2];
    y = (cy / cw * 0.5 + 0.5) * viewport[3];
    return true;
}

// The fewest pixels one em of a name takes on screen, across and along it, at
// either end; the name's em box starts at `origin` and runs `length` ems down.
double fewestPixelsPerEm(const RowView::SceneTransform& view, const Vector3& origin, float em, float length)
{
    const Vector3 along(0.0f, -em, 0.0f);
    const Vector3 up(em, 0.0f, 0.0f);
    const Vector3 end = origin + along * length;
    const Vector3 pairs[4][2] = {{origin, origin + up}, {end, end + up}, {origin, origin + along}, {end, end - along}};
    double fewest = 1e30;
    for (const auto& pair : pairs) {
        double x0, y0, x1, y1;
        if (!toPixels(view.clipFromScene, view.viewport, pair[0], x0, y0)
            || !toPixels(view.clipFromScene, view.viewport, pair[1], x1, y1))
            return 0.0;
        fewest = std::min(fewest, std::hypot(x1 - x0, y1 - y0));
    }
    return fewest;
}

// Whether a name whose em box starts at `origin` and runs `length` ems down
// faces the window: its reading and up directions fall on the window's axes
// and its box shows as a rectangle, nowhere more than a fraction of a pixel
// off; if so, where and how large it shows.
bool facingOf(const RowView::SceneTransform& view, const Vector3& origin, float em, float length,
              TextRenderer::Facing& facing)
{
    constexpr double kOff = 0.25;
    const Vector3 end = origin + Vector3(0.0f, -em * length, 0.0f);
    const Vector3 up(em, 0.0f, 0.0f);
    double p[4][2];
    const Vector3 corners[4] = {origin, end, origin + up, end + up};
    for (int i = 0; i < 4; ++i)
        if (!toPixels(view.clipFromScene, view.viewport, corners[i], p[i][0], p[i][1]))
            return false;
    const double along[2] = {p[1][0] - p[0][0], p[1][1] - p[0][1]};
    const double across[2] = {p[2][0] - p[0][0], p[2][1] - p[0][1]};
    // The reading direction on one axis, the up direction on the other.
    const int a = std::abs(along[0]) >= std::abs(along[1]) ? 0 : 1;
    if (std::abs(along[1 - a]) > kOff || std::abs(across[a]) > kOff)
        return false;
    const double pixelsPerEm = std::abs(across[1 - a]);
    if (std::abs(p[3][0] - p[1][0] - across[0]) > kOff || std::abs(p[3][1] - p[1][1] - across[1]) > kOff
        || std::abs(std::abs(along[a]) - pixelsPerEm * length) > kOff || pixelsPerEm < 1.0)
        return false;
    const double* clip = view.clipFromScene;
    const double cz = clip[2] * origin.x + clip[6] * origin.y + clip[10] * origin.z + clip[14];
    const double cw = clip[3] * origin.x + clip[7] * origin.y + clip[11] * origin.z + clip[15];
    facing.x = p[0][0];
    facing.y = p[0][1];
    facing.depth = cz / cw;
    facing.along[a] = along[a] > 0.0 ? 1 : -1;
    facing.along[1 - a] = 0;
    facing.up[1 - a] = across[1 - a] > 0.0 ? 1 : -1;
    facing.up[a] = 0;
    facing.pixelsPerEm = pixelsPerEm;
    facing.viewport[0] = view.viewport[2];
    facing.viewport[1] = view.viewport[3];
    return true;
}

// Pixels per scene unit at depth 1 in a view `height` pixels tall.
double pixelsAtUnitDepth(int height)
{
    return 0.5 * height / std::tan(StartView::kFieldOfViewY * kPi / 360.0);
}

} // namespace

NameView::NameView(TextRenderer& renderer) : text(renderer)
{
}

void NameView::setView(int height, double startDistance)
{
    viewHeight = std::max(1, height);
    const double pixels = kEm * pixelsAtUnitDepth(viewHeight) / std::max(startDistance, 0.1);
    text.setScenePixelSize(std::clamp(static_cast<int>(pixels), kSmallestRaster, kLargestRaster));
}

void NameView::queue(const ExploreState& state, const RowLayout& layout)
{
    drawn = 0;
    const std::size_t count = state.entryCount();
    if (count == 0)
        return;
    const RowLayout::Box& symbol = layout.symbolBox();
    const double centreX = 0.5 * (symbol.low[0] + symbol.high[0]);
    const float front = static_cast<float>(symbol.high[2]);
    const float top = static_cast<float>(symbol.low[1]) - kGap;
    const float ascent = static_cast<float>(text.screenAscent()) / static_cast<float>(text.screenPixelSize());
    const float descent = static_cast<float>(text.screenDescent()) / static_cast<float>(text.screenPixelSize());

    // The slots whose columns can show, and of those the ones near enough
    // for a kEm name to reach kSmallestPixels.
    RowLayout::Box columns;
    columns.low[0] = centreX - kEm;
    columns.high[0] = centreX + kEm;
    columns.low[1] = top - kColumnLength - kEm;
    columns.high[1] = top;
    columns.low[2] = columns.high[2] = front;
    const RowView::SceneTransform view = RowView::currentTransform();
    const VisibleSlots seen = VisibleSlots::of(view.clipFromScene, layout.pitch(), columns, count);
    const double raster = text.scenePixelSize();
    const Camera& camera = state.camera();
    const double unitPixels = pixelsAtUnitDepth(viewHeight);
    const double reach = kEm * unitPixels / kSmallestPixels;
    const double eyeSlot = (camera.position.x - centreX) / layout.pitch();
    const double near = std::max(std::floor(eyeSlot - reach / layout.pitch()), 0.0);
    const double far = std::ceil(eyeSlot + reach / layout.pitch()) + 1.0;
    const std::size_t first = std::max(seen.first, static_cast<std::size_t>(std::min(near, 1e15)));
    const std::size_t end = std::min(seen.end, static_cast<std::size_t>(std::clamp(far, 0.0, 1e15)));

    Vector3 look = camera.viewCentre() - camera.position;
    look = look * (1.0f / look.length());
    const EntryTree& tree = *state.shownTree();
    for (std::size_t i = first; i < end; ++i) {
        const std::string name(tree.name(state.entries()[i]));
        const float x = layout.slotX(static_cast<std::int64_t>(i)) + static_cast<float>(centreX);
        const Vector3 start(x, top, front);
        const Vector3 offset = start - camera.position;
        const double depth = offset.x * look.x + offset.y * look.y + offset.z * look.z;
        if (depth <= 0.1)
            continue;
        const float width = text.sceneWidth(name, 1.0f);
        const float em = width > 0.0f ? std::min(kEm, kColumnLength / width) : kEm;
        const float pixels = static_cast<float>(em * unitPixels / depth);
        if (pixels < kSmallestPixels)
            continue;
        TextRenderer::Color colour = i == state.selected() ? kSelectedColour : kNameColour;
        colour.a = std::min(1.0f, (pixels - kSmallestPixels) / (kClearPixels - kSmallestPixels));
        // Glyphs stand along +x from the baseline: centre their ink on the slot.
        const float baseline = x - 0.5f * em * (ascent - descent);
        const Vector3 origin(baseline, top, front);
        const float length = std::max(width, 1.0f);
        const TextRenderer::Seen size = fewestPixelsPerEm(view, origin, em, length) * kFullSizeSlack >= raster
            ? TextRenderer::Seen::AtSizeOrLarger
            : TextRenderer::Seen::Smaller;
        // A name facing the window at its raster size or larger is one quad
        // of its own bitmap; seen slanted or smaller, glyph by glyph.
        TextRenderer::Facing facing;
        if (size == TextRenderer::Seen::AtSizeOrLarger && facingOf(view, origin, em, length, facing)
            && text.addFacingSceneText(name, facing, colour)) {
            ++drawn;
            continue;
        }
        text.addSceneText(name, {baseline, top, front}, {0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, em, colour,
                          LineLayout::kNameCharacters, LineLayout::kUnlimited, size);
        ++drawn;
    }
}
