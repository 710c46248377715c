#include "explore/ExploreState.h"

#include "scene/FsNode.h"

#include <utility>

namespace {

// Whether exactly one of two opposite motions is held: both cancel out.
int direction(std::uint32_t held, std::uint32_t positive, std::uint32_t negative)
{
    return ((held & positive) != 0 ? 1 : 0) - ((held & negative) != 0 ? 1 : 0);
}

} // namespace

ExploreState::ExploreState() : view(Camera::atStart())
{
    frame();
}

void ExploreState::show(FsNode* shown)
{
    folder = shown;
    selection = kNoSelection;
    message.clear();
    shownListed = folder != nullptr && folder->isListed();
    if (scan != nullptr && folder != nullptr && !shownListed)
        scan->requestListing(folder);
    frame();
}

std::size_t ExploreState::entryCount() const
{
    return folder != nullptr && folder->isListed() ? folder->children.size() : 0;
}

void ExploreState::setScan(ScanControl* control)
{
    scan = control;
    seenRunning = false;
    followScan();
}

ScanControl::Progress ExploreState::scanProgress() const
{
    return scan != nullptr ? scan->progress() : ScanControl::Progress{};
}

void ExploreState::followScan()
{
    if (scan == nullptr)
        return;
    const bool listed = folder != nullptr && folder->isListed();
    if (folder != nullptr && !listed)
        scan->requestListing(folder);
    if (listed != shownListed) {
        shownListed = listed;
        if (framed)
            frame();
        redraw = true;
    }
    const ScanControl::Progress progress = scan->progress();
    const auto tenths = static_cast<std::int64_t>(progress.seconds * 10.0);
    if (progress.running != seenRunning
        || (progress.running && (progress.entries != seenEntries || tenths != seenTenths)))
        redraw = true;
    seenRunning = progress.running;
    seenEntries = progress.entries;
    seenTenths = tenths;
}

void ExploreState::setRowShape(const RowShape& rowShape)
{
    shape = rowShape;
    if (framed)
        frame();
}

void ExploreState::setViewSize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
    if (framed)
        frame();
    redraw = true;
}

void ExploreState::advanceTo(double now)
{
    if (!(now > clock))
        return;
    const double elapsed = now - clock;
    clock = now;
    const int turn = direction(held, kTurnLeft, kTurnRight);
    const int walk = direction(held, kWalkForward, kWalkBackward);
    if (turn == 0 && walk == 0)
        return;
    // The camera turns by twice the angle it is given.
    if (turn != 0)
        view.turnLeft(static_cast<float>(turn * 0.5 * kTurnSpeed * elapsed));
    if (walk != 0) {
        const double speed = kWalkSpeed * ((held & kFast) != 0 ? kFastFactor : 1.0f);
        view.moveForward(static_cast<float>(walk * speed * elapsed));
    }
    framed = false;
    redraw = true;
}

void ExploreState::hold(Motion motion, bool down, double now)
{
    // What was held until now moves the camera first, so a key counts from
    // the moment it changed, not from the next frame.
    advanceTo(now);
    if (down)
        held |= motion;
    else
        held &= ~static_cast<std::uint32_t>(motion);
}

void ExploreState::releaseAll(double now)
{
    advanceTo(now);
    held = 0;
}

bool ExploreState::isMoving() const
{
    return direction(held, kTurnLeft, kTurnRight) != 0 || direction(held, kWalkForward, kWalkBackward) != 0;
}

void ExploreState::drag(int dx, int dy)
{
    if (dx != 0)
        view.turnLeft(static_cast<float>(-dx) * kDragSensitivity);
    if (dy != 0)
        view.pitch(static_cast<float>(-dy) * kDragSensitivity);
    if (dx != 0 || dy != 0) {
        framed = false;
        redraw = true;
    }
}

void ExploreState::setLookBack(bool on)
{
    if (view.lookBack != on)
        redraw = true;
    view.setLookBack(on);
}

void ExploreState::goHome()
{
    frame();
}

void ExploreState::select(std::size_t slot)
{
    if (slot != selection)
        redraw = true;
    selection = slot;
}

void ExploreState::setStatus(std::string text)
{
    if (text != message)
        redraw = true;
    message = std::move(text);
}

void ExploreState::pointerAt(int x, int y)
{
    pointerIn = true;
    pointerColumn = x;
    pointerRow = y;
}

void ExploreState::pointerLeft()
{
    pointerIn = false;
}

void ExploreState::frame()
{
    const bool lookBack = view.lookBack;
    view = StartView::pose(shape, entryCount(), static_cast<double>(width) / static_cast<double>(height));
    view.setLookBack(lookBack);
    framed = true;
    redraw = true;
}
