#include "explore/ExploreState.h"

#include "explore/NameSearch.h"
#include "scene/FsNode.h"
#include "scene/RowLayout.h"
#include "scene/SlotPicker.h"
#include "text/CaseFold.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// A listed folder's names, folded, in listing order.
FoldedNames namesOf(const std::vector<FsNode*>& listing)
{
    return FoldedNames(listing.size(), [&listing](std::size_t i) { return std::string_view(listing[i]->name); });
}

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

void ExploreState::show(FsNode* shown, std::string absolutePath)
{
    top = shown;
    topPath = std::move(absolutePath);
    goTop();
}

std::string ExploreState::shownPath() const
{
    std::string path = topPath;
    for (const FsNode* entry : trail)
        path += entry->name + "/";
    return path;
}

bool ExploreState::enter(std::size_t slot)
{
    if (slot >= entries().size())
        return false;
    FsNode& entry = *entries()[slot];
    // An entry the scan has not come to yet is entered as what the listing
    // found; followScan() settles it once the scan has listed it.
    const bool listed = entry.isListed();
    if (listed && entry.enterError != 0) {
        setStatus("Cannot enter " + entry.name + ": " + entry.enterProblem());
        return false;
    }
    FsNode* contents = nullptr;
    if (entry.showsAsFolder())
        contents = listed && contentsOf ? contentsOf(entry) : &entry;
    if (contents == nullptr) {
        setStatus("Cannot enter " + entry.name + ": not a folder");
        return false;
    }
    trail.push_back(&entry);
    folder = contents;
    message.clear();
    closeFind();
    selection = kNoSelection;
    refreshEntries();
    frame();
    pickPending = true;
    return true;
}

bool ExploreState::back()
{
    if (trail.empty()) {
        setStatus("This is the top folder");
        return false;
    }
    const FsNode* left = trail.back();
    trail.pop_back();
    folder = trail.empty() ? top : contentsOfEntered(trail.back());
    message.clear();
    closeFind();
    refreshEntries();
    faceEntry(left);
    return true;
}

FsNode* ExploreState::contentsOfEntered(FsNode* entry) const
{
    // Where links lead is known only once the scan has listed the entry.
    FsNode* contents = entry->isListed() && contentsOf ? contentsOf(*entry) : nullptr;
    return contents != nullptr ? contents : entry;
}

void ExploreState::goTop()
{
    trail.clear();
    folder = top;
    message.clear();
    closeFind();
    selection = kNoSelection;
    refreshEntries();
    frame();
    pickPending = true;
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
    if (listed && !shownListed) {
        settleEnteredFolder();
        refreshEntries();
        if (framed)
            frame();
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

void ExploreState::settleEnteredFolder()
{
    // A folder entered before the scan listed it may turn out to be a link to
    // a folder expanded elsewhere, or one that cannot be entered after all.
    if (trail.empty() || folder != trail.back())
        return;
    FsNode* contents = contentsOf ? contentsOf(*folder) : folder;
    if (contents != nullptr) {
        folder = contents;
        return;
    }
    const std::string why = folder->enterError != 0 ? folder->enterProblem() : std::string("not a folder");
    const std::string name = folder->name;
    back();
    setStatus("Cannot enter " + name + ": " + why);
}

void ExploreState::setOrder(SortOrder order)
{
    const FsNode* chosen = selectedEntry();
    sortOrder = order;
    refreshEntries();
    faceEntry(chosen);
}

void ExploreState::cycleOrder()
{
    setOrder(EntryOrder::next(sortOrder));
    setStatus(EntryOrder::describe(sortOrder));
}

void ExploreState::toggleDotNames()
{
    const FsNode* chosen = selectedEntry();
    hideDotNames = !hideDotNames;
    refreshEntries();
    faceEntry(chosen);
    setStatus(hideDotNames ? "Names starting with a dot hidden" : "Names starting with a dot shown");
}

void ExploreState::refreshEntries()
{
    inView.clear();
    listingSlot.clear();
    shownListed = folder != nullptr && folder->isListed();
    if (folder != nullptr && !shownListed && scan != nullptr)
        scan->requestListing(folder);
    if (shownListed) {
        const std::vector<FsNode*>& listing = folder->children;
        // Nodes are at least 4-aligned, so the order fits in the pointer's low bits.
        const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(folder) | static_cast<std::uintptr_t>(sortOrder);
        const std::vector<std::uint32_t>* sorted = sortedLists.find(key);
        if (sorted == nullptr)
            sorted = &sortedLists.put(key, EntryOrder::sorted(listing, sortOrder));
        const std::uintptr_t folderKey = reinterpret_cast<std::uintptr_t>(folder);
        if (foldedLists.find(folderKey) == nullptr)
            foldedLists.put(folderKey, namesOf(listing));
        listingSlot.assign(listing.size(), 0);
        if (hideDotNames)
            for (std::size_t i = 0; i < listing.size(); ++i)
                if (!listing[i]->name.empty() && listing[i]->name[0] == '.')
                    listingSlot[i] = kNotShown;
        inView.reserve(sorted->size());
        for (const std::uint32_t position : *sorted) {
            if (listingSlot[position] == kNotShown)
                continue;
            listingSlot[position] = static_cast<std::uint32_t>(inView.size());
            inView.push_back(listing[position]);
        }
    }
    inView.shrink_to_fit();
    listingSlot.shrink_to_fit();
    matches.clear();
    ++inViewRevision;
    redraw = true;
}

void ExploreState::faceEntry(const FsNode* entry)
{
    const std::vector<FsNode*>& row = entries();
    const auto found = entry != nullptr ? std::find(row.begin(), row.end(), entry) : row.end();
    if (found == row.end()) {
        selection = kNoSelection;
        frame();
        return;
    }
    const std::size_t slot = static_cast<std::size_t>(found - row.begin());
    face(slot);
    select(slot);
}

void ExploreState::openFind()
{
    findOpen = true;
    findWords.clear();
    matches.clear();
    redraw = true;
}

void ExploreState::closeFind()
{
    if (findOpen)
        redraw = true;
    findOpen = false;
    findWords.clear();
    matches.clear();
    matchPerSlot = std::vector<std::uint8_t>();
    matchPerName = std::vector<std::uint8_t>();
}

void ExploreState::typeInFind(std::string_view text)
{
    if (!findOpen || text.empty())
        return;
    findWords += text;
    goToMatch();
}

void ExploreState::eraseInFind()
{
    if (!findOpen || findWords.empty())
        return;
    // Back over continuation bytes to the character's first byte.
    std::size_t end = findWords.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(findWords[end]) & 0xC0) == 0x80)
        --end;
    findWords.erase(end);
    goToMatch();
}

void ExploreState::goToMatch()
{
    // One search along the folder's folded names, which is fast enough that
    // every keystroke searches the whole row afresh.
    matchPerSlot.assign(entries().size(), NameSearch::kNone);
    if (!listingSlot.empty()) {
        const std::uintptr_t folderKey = reinterpret_cast<std::uintptr_t>(folder);
        const FoldedNames* names = foldedLists.find(folderKey);
        if (names == nullptr)
            names = &foldedLists.put(folderKey, namesOf(folder->children));
        names->matchAll(CaseFold::fold(findWords), matchPerName);
        for (std::size_t i = 0; i < listingSlot.size(); ++i)
            if (listingSlot[i] != kNotShown)
                matchPerSlot[listingSlot[i]] = matchPerName[i];
    }
    matches = NameSearch::ordered(matchPerSlot);
    match = 0;
    redraw = true;
    if (findWords.empty()) {
        setStatus(std::string());
        return;
    }
    if (matches.empty()) {
        setStatus("No name contains " + findWords);
        return;
    }
    showMatch();
}

void ExploreState::findNext()
{
    if (matches.empty())
        return;
    match = (match + 1) % matches.size();
    showMatch();
}

void ExploreState::findPrevious()
{
    if (matches.empty())
        return;
    match = (match + matches.size() - 1) % matches.size();
    showMatch();
}

void ExploreState::showMatch()
{
    face(matches[match]);
    select(matches[match]);
    setStatus("Match " + std::to_string(match + 1) + " of " + std::to_string(matches.size()));
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
    if (glide.active()) {
        Camera pose = glide.at(now);
        pose.setLookBack(view.lookBack);
        view = pose;
        framed = false;
        redraw = true;
        if (!glideKeepsSelection)
            pickPending = true;
    }
    if (turn == 0 && walk == 0)
        return;
    // The camera turns by twice the angle it is given.
    if (turn != 0)
        view.turnLeft(static_cast<float>(turn * 0.5 * kTurnSpeed * elapsed));
    if (walk != 0) {
        const double speed = kWalkSpeed * ((held & kFast) != 0 ? kFastFactor : 1.0f);
        view.moveForward(static_cast<float>(walk * speed * elapsed));
    }
    cameraMoved();
}

void ExploreState::hold(Motion motion, bool down, double now)
{
    // What was held until now moves the camera first, so a key counts from
    // the moment it changed, not from the next frame.
    advanceTo(now);
    if (down) {
        // A key's own motion takes over from a glide; Shift alone moves nothing.
        if (motion != kFast)
            glide.stop();
        held |= motion;
    } else {
        held &= ~static_cast<std::uint32_t>(motion);
    }
}

void ExploreState::releaseAll(double now)
{
    advanceTo(now);
    held = 0;
}

bool ExploreState::isMoving() const
{
    return glide.active() || direction(held, kTurnLeft, kTurnRight) != 0
        || direction(held, kWalkForward, kWalkBackward) != 0;
}

void ExploreState::drag(int dx, int dy)
{
    glide.stop();
    if (dx != 0)
        view.turnLeft(static_cast<float>(-dx) * kDragSensitivity);
    if (dy != 0)
        view.pitch(static_cast<float>(-dy) * kDragSensitivity);
    if (dx != 0 || dy != 0)
        cameraMoved();
}

void ExploreState::setLookBack(bool on)
{
    if (view.lookBack != on)
        redraw = true;
    view.setLookBack(on);
}

double ExploreState::aspect() const
{
    return static_cast<double>(width) / static_cast<double>(height);
}

void ExploreState::placeCamera(Camera pose, bool atStartView)
{
    // Looking back is the B key's, held across any move of the camera.
    pose.setLookBack(view.lookBack);
    glide.stop();
    view = pose;
    framed = atStartView;
    redraw = true;
}

void ExploreState::goHome()
{
    frame();
}

void ExploreState::face(std::size_t slot)
{
    placeCamera(StartView::facing(shape, slot, aspect()), false);
    // A selection made with the camera stands until the pointer moves.
    pickPending = false;
}

void ExploreState::selectAndGlide(std::size_t slot, double now)
{
    if (slot >= entryCount())
        return;
    advanceTo(now);
    glide = CameraGlide(view, StartView::facing(shape, slot, aspect()), now);
    glideKeepsSelection = true;
    pickPending = false;
    select(slot);
    redraw = true;
}

void ExploreState::stepSelection(long step, bool wrap, double now)
{
    const long count = static_cast<long>(entryCount());
    if (count == 0 || step == 0)
        return;
    long slot;
    if (selection >= entryCount())
        slot = step > 0 ? 0 : count - 1;
    else if (wrap)
        slot = ((static_cast<long>(selection) + step) % count + count) % count;
    else
        slot = std::clamp(static_cast<long>(selection) + step, 0L, count - 1);
    selectAndGlide(static_cast<std::size_t>(slot), now);
}

void ExploreState::selectNearestCentre(const double clipFromScene[16], const int viewport[4], const RowLayout& layout,
                                       double now)
{
    if (const std::optional<std::size_t> slot
        = SlotPicker::nearestToCentre(clipFromScene, viewport, layout, entryCount()))
        selectAndGlide(*slot, now);
}

void ExploreState::wheel(int notches, double now)
{
    if (notches == 0)
        return;
    advanceTo(now);
    Camera goal = glide.active() && !glideKeepsSelection ? glide.target() : view;
    goal.moveForward(static_cast<float>(notches) * kWheelStep);
    glide = CameraGlide(view, goal, now);
    glideKeepsSelection = false;
    pickPending = true;
    redraw = true;
}

void ExploreState::select(std::size_t slot)
{
    if (slot != selection)
        redraw = true;
    selection = slot;
}

FsNode* ExploreState::selectedEntry() const
{
    return selection < entries().size() ? entries()[selection] : nullptr;
}

std::string ExploreState::selectedPath() const
{
    const FsNode* entry = selectedEntry();
    return entry != nullptr ? shownPath() + entry->name : std::string();
}

void ExploreState::pickSelection(const double clipFromScene[16], const int viewport[4], const RowLayout& layout,
                                 bool centre)
{
    if (!pickPending)
        return;
    pickPending = false;
    std::optional<std::size_t> slot;
    if (pointerIn && !centre) {
        const double x = pointerColumn + 0.5;
        const double y = viewport[3] - pointerRow - 0.5;
        if (const std::optional<SlotPicker::Ray> ray = SlotPicker::rayThrough(clipFromScene, viewport, x, y))
            slot = SlotPicker::pick(layout, entryCount(), *ray);
    } else {
        slot = SlotPicker::nearestToCentre(clipFromScene, viewport, layout, entryCount());
    }
    select(slot.value_or(kNoSelection));
}

void ExploreState::cameraMoved()
{
    framed = false;
    redraw = true;
    // What the pointer (or the middle of the view) shows has changed.
    pickPending = true;
}

void ExploreState::showKeyHelp(bool on)
{
    if (on != keyHelp)
        redraw = true;
    keyHelp = on;
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
    pickPending = true;
}

void ExploreState::pointerLeft()
{
    pointerIn = false;
    pickPending = true;
}

void ExploreState::frame()
{
    placeCamera(StartView::pose(shape, entryCount(), aspect()), true);
    pickPending = true;
}
