#include "explore/ExploreState.h"

#include "explore/EntryTypes.h"
#include "explore/NameSearch.h"
#include "explore/SubtreeFind.h"
#include "scene/RowLayout.h"
#include "scene/SlotPicker.h"
#include "text/CaseFold.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// A listed folder's names, folded, in listing order.
FoldedNames namesOf(const EntryTree& tree, EntryRange listing)
{
    return FoldedNames(listing.size(),
                       [&](std::size_t i) { return tree.name(listing[static_cast<std::uint32_t>(i)]); });
}

// A cache key for a folder's listing and an order. A live update gives the
// folder a new listing (the old one stays as it was), so a list kept for
// the old one is never taken for the new.
std::uintptr_t keyOf(EntryRange listing, std::uint32_t order = 0)
{
    return (reinterpret_cast<std::uintptr_t>(listing.begin()) << 2) | order;
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

void ExploreState::show(const EntryTree* shownTree, EntryId shown, std::string absolutePath)
{
    if (shownTree != tree) {
        sortedLists.clear();
        foldedLists.clear();
        provisionalLists.clear();
    }
    tree = shownTree;
    top = tree != nullptr ? shown : kNoEntry;
    topPath = std::move(absolutePath);
    goTop();
}

std::string ExploreState::shownPath() const
{
    std::string path = topPath;
    for (const EntryId entry : trail) {
        path += tree->name(entry);
        path += '/';
    }
    return path;
}

bool ExploreState::enter(std::size_t slot)
{
    if (slot >= entries().size())
        return false;
    const EntryId entry = entries()[slot];
    const std::string name(tree->name(entry));
    // An entry the scan has not come to yet is entered as what the listing
    // found; followScan() settles it once the scan has listed it.
    const bool listed = tree->isListed(entry);
    if (listed && tree->enterError(entry) != 0) {
        setStatus("Cannot enter " + name + ": " + tree->enterProblem(entry));
        return false;
    }
    EntryId contents = kNoEntry;
    if (tree->showsAsFolder(entry))
        contents = listed ? tree->contents(entry) : entry;
    if (contents == kNoEntry) {
        setStatus("Cannot enter " + name + ": not a folder");
        return false;
    }
    trail.push_back(entry);
    const EntryId from = folder;
    const Camera before = view;
    folder = contents;
    message.clear();
    closeFind();
    selection = kNoSelection;
    selectedBelow = kNoEntry;
    refreshEntries();
    frame();
    pickPending = true;
    flyFrom(from, before);
    return true;
}

bool ExploreState::back()
{
    if (trail.empty()) {
        setStatus("This is the top folder");
        return false;
    }
    const EntryId left = trail.back();
    trail.pop_back();
    const EntryId from = folder;
    const Camera before = view;
    folder = trail.empty() ? top : contentsOfEntered(trail.back());
    message.clear();
    closeFind();
    refreshEntries();
    faceEntry(left);
    flyFrom(from, before);
    return true;
}

EntryId ExploreState::contentsOfEntered(EntryId entry) const
{
    // Where links lead is known only once the scan has listed the entry.
    const EntryId contents = tree->isListed(entry) ? tree->contents(entry) : kNoEntry;
    return contents != kNoEntry ? contents : entry;
}

void ExploreState::goTop()
{
    trail.clear();
    folder = top;
    message.clear();
    closeFind();
    selection = kNoSelection;
    selectedBelow = kNoEntry;
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
    const bool listed = folder != kNoEntry && tree->isListed(folder);
    if (folder != kNoEntry && !listed)
        scan->requestEntryListing(folder);
    const bool grew = !listed && folder != kNoEntry && tree->entriesSoFar(folder).size() != shownListing.size();
    if (listed && !shownListed && shownListing.empty()) {
        const bool backedOut = !settleEnteredFolder();
        refreshEntries();
        if (framed)
            frame();
        // What was typed before the entries came finds them now.
        if (!backedOut && findOpen && !findWords.empty())
            goToMatch();
    } else if ((listed && !shownListed) || grew || (shownProvisional && tree->isComplete(folder))) {
        // More of the folder was read, all of it, or the sizes are final:
        // the same entry stays selected where it moves to.
        const EntryId chosen = selectedEntry();
        const std::size_t before = inView.size();
        const bool foundNothing = findOpen && !findWords.empty() && matches.empty();
        refreshEntries();
        const auto at = std::find(inView.begin(), inView.end(), chosen);
        selection = at != inView.end() ? static_cast<std::size_t>(at - inView.begin()) : kNoSelection;
        if (framed && inView.size() != before)
            frame();
        // Text that found nothing yet may find what came.
        if (foundNothing && !matches.empty())
            goToMatch();
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

bool ExploreState::settleEnteredFolder()
{
    // A folder entered before the scan listed it may turn out to be a link to
    // a folder expanded elsewhere, or one that cannot be entered after all.
    if (trail.empty() || folder != trail.back())
        return true;
    const EntryId contents = tree->contents(folder);
    if (contents != kNoEntry) {
        folder = contents;
        return true;
    }
    const std::string why = tree->enterError(folder) != 0 ? tree->enterProblem(folder) : std::string("not a folder");
    const std::string name(tree->name(folder));
    // Only the user closes the find field: it stays open over the folder shown instead.
    const bool wasFinding = findOpen;
    const std::string typed = findWords;
    back();
    findOpen = wasFinding;
    findWords = typed;
    if (findOpen && !findWords.empty())
        findMatches();
    setStatus("Cannot enter " + name + ": " + why);
    return false;
}

void ExploreState::setOrder(SortOrder order)
{
    const EntryId chosen = selectedEntry();
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
    const EntryId chosen = selectedEntry();
    hideDotNames = !hideDotNames;
    refreshEntries();
    faceEntry(chosen);
    setStatus(hideDotNames ? "Names starting with a dot hidden" : "Names starting with a dot shown");
}

void ExploreState::treeChanged()
{
    ++treeChanges;
    // Sizes below may have changed too: every order is made again.
    sortedLists.clear();
    foldedLists.clear();
    provisionalLists.clear();
    if (tree == nullptr)
        return;
    // The first folder of the way walked that is gone, with all after it.
    std::size_t kept = 0;
    while (kept < trail.size() && !tree->isRemoved(trail[kept]) && !tree->isRemoved(contentsOfEntered(trail[kept])))
        ++kept;
    if (kept < trail.size()) {
        const std::string name(tree->name(trail[kept]));
        trail.resize(kept + 1);
        back();
        setStatus(name + " is gone: back in " + shownPath());
        return;
    }
    // The selected entry stays selected where it moves to; gone, the one
    // that takes its slot (or the last) is selected, and faced.
    const EntryId chosen = selectedEntry();
    const std::size_t slot = selection;
    refreshEntries();
    if (chosen == kNoEntry) {
        selection = kNoSelection;
    } else if (chosen == selectedBelow) {
        // A selection below the row (on the map) stays while it and every
        // folder above it up to the shown one are still there.
        bool there = true;
        for (EntryId up = chosen; up != kNoEntry && up != folder && there; up = tree->parent(up))
            there = !tree->isRemoved(up);
        if (!there)
            selectedBelow = kNoEntry;
    } else if (const auto at = std::find(inView.begin(), inView.end(), chosen); at != inView.end()) {
        selection = static_cast<std::size_t>(at - inView.begin());
    } else if (inView.empty()) {
        selection = kNoSelection;
    } else {
        // It stands where the one gone stood: the camera need not move.
        selection = std::min(slot, inView.size() - 1);
    }
    // The start view frames the row as it is now; the selection stands, as
    // it does for a camera moved away (a glide under way goes on).
    if (framed && !glide.active())
        placeCamera(framing->home(folder, entryCount(), aspect()), true);
    redraw = true;
}

void ExploreState::refreshEntries()
{
    inView.clear();
    listingSlot.clear();
    shownListing = EntryRange();
    shownListed = folder != kNoEntry && tree->isListed(folder);
    if (folder != kNoEntry && !shownListed && scan != nullptr)
        scan->requestEntryListing(folder);
    // A folder still being read shows what its source published of it so
    // far, sorted afresh each time it grows and kept nowhere.
    shownListing = folder == kNoEntry ? EntryRange() : tree->entriesSoFar(folder);
    const bool partial = !shownListed && !shownListing.empty();
    std::vector<std::uint32_t> partialOrder;
    if (partial) {
        partialOrder = EntryOrder::sorted(*tree, shownListing, sortOrder);
        listingSlot.assign(shownListing.size(), 0);
        orderRow(partialOrder);
        shownProvisional = false;
    }
    if (shownListed) {
        const EntryRange listing = tree->entries(folder);
        shownListing = listing;
        const std::uintptr_t key = keyOf(listing, static_cast<std::uint32_t>(sortOrder));
        const std::vector<std::uint32_t>* sorted = sortedLists.find(key);
        // An order by size made while the totals below were still counting
        // is made again once they are final.
        const auto early = std::find(provisionalLists.begin(), provisionalLists.end(), key);
        const bool final = tree->isComplete(folder);
        if (early != provisionalLists.end() && (final || sorted == nullptr)) {
            provisionalLists.erase(early);
            sorted = nullptr;
        }
        if (sorted == nullptr) {
            sorted = &sortedLists.put(key, EntryOrder::sortedListing(*tree, listing, sortOrder));
            if (sortOrder == SortOrder::Size && !final)
                provisionalLists.push_back(key);
            // Past the lists kept, the oldest are gone from the cache anyway.
            if (provisionalLists.size() > kKeptLists)
                provisionalLists.erase(provisionalLists.begin());
        }
        shownProvisional = sortOrder == SortOrder::Size && !final;
        listingSlot.assign(listing.size(), 0);
        orderRow(*sorted);
    }
    inView.shrink_to_fit();
    listingSlot.shrink_to_fit();
    ++inViewRevision;
    matches.clear();
    matchesOf.clear();
    // The field searches the entries as they are now.
    if (findOpen && !findWords.empty()) {
        findMatches();
        const auto at = std::find(matches.begin(), matches.end(), selection);
        match = at != matches.end() ? static_cast<std::size_t>(at - matches.begin()) : 0;
    }
    redraw = true;
}

void ExploreState::orderRow(const std::vector<std::uint32_t>& sorted)
{
    if (hideDotNames)
        for (std::uint32_t i = 0; i < shownListing.size(); ++i)
            if (tree->hidden(shownListing[i]))
                listingSlot[i] = kNotShown;
    inView.reserve(sorted.size());
    for (const std::uint32_t position : sorted) {
        if (listingSlot[position] == kNotShown)
            continue;
        listingSlot[position] = static_cast<std::uint32_t>(inView.size());
        inView.push_back(shownListing[position]);
    }
}

void ExploreState::faceEntry(EntryId entry)
{
    const std::vector<EntryId>& row = entries();
    const auto found = entry != kNoEntry ? std::find(row.begin(), row.end(), entry) : row.end();
    if (found == row.end()) {
        selection = kNoSelection;
        selectedBelow = kNoEntry;
        frame();
        return;
    }
    const std::size_t slot = static_cast<std::size_t>(found - row.begin());
    face(slot);
    select(slot);
}

void ExploreState::openFind()
{
    // The names folded for the find field, once per folder: made when the
    // field opens, not when the folder does, so entering a large one stays quick.
    if (shownListed) {
        const FoldedNames* listed = foldedLists.find(keyOf(shownListing));
        if (listed == nullptr)
            listed = &foldedLists.put(keyOf(shownListing), namesOf(*tree, shownListing));
        namesInRow(*listed);
    }
    findOpen = true;
    findWords.clear();
    matches.clear();
    matchesOf.clear();
    redraw = true;
}

void ExploreState::closeFind()
{
    if (findOpen)
        redraw = true;
    findOpen = false;
    findWords.clear();
    matches = std::vector<std::size_t>();
    matchesOf.clear();
    matchSpare = std::vector<std::size_t>();
    rowNames = FoldedNames();
    rowNamesMade = false;
    rowPositions = std::vector<std::uint32_t>();
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
    findMatches();
    match = 0;
    redraw = true;
    if (findWords.empty()) {
        setStatus(std::string());
        return;
    }
    if (matches.empty()) {
        TypeGroup group = TypeGroup::Other;
        const bool byType
            = findWords.rfind("type:", 0) == 0 && groupNamed(std::string_view(findWords).substr(5), group);
        setStatus(byType ? "No entry of type " + std::string(groupName(group)) : "No name contains " + findWords);
        return;
    }
    showMatch();
}

void ExploreState::findMatches()
{
    matchesBelow.clear();
    const std::string previous = std::move(matchesOf);
    matchesOf.clear();
    if (framing->findsBelow() && findWords.rfind("type:", 0) != 0) {
        matches.clear();
        // The view shows the whole subtree: its names are found anywhere below.
        if (tree != nullptr && !findWords.empty()) {
            matchesBelow = SubtreeFind::matches(*tree, folder, CaseFold::fold(findWords), hideDotNames);
            for (std::size_t i = 0; i < matchesBelow.size(); ++i)
                matches.push_back(i);
        }
        return;
    }
    // "type:image" finds the entries of a group instead of a name.
    TypeGroup group = TypeGroup::Other;
    const bool byType = findWords.rfind("type:", 0) == 0 && groupNamed(std::string_view(findWords).substr(5), group);
    if (byType) {
        matches.clear();
        const std::vector<EntryId>& shown = entries();
        for (std::size_t slot = 0; slot < shown.size(); ++slot)
            if (EntryTypes::groupOf(*tree, shown[slot]) == group)
                matches.push_back(slot);
        return;
    }
    if (inView.empty() || findWords.empty()) {
        matches.clear();
        return;
    }
    std::string folded = CaseFold::fold(findWords);
    if (!shownListed) {
        // A folder still being read: its names so far, folded afresh.
        const FoldedNames partial(inView.size(), [this](std::size_t slot) { return tree->name(inView[slot]); });
        matchesStarting = partial.findAll(folded, matches, matchSpare);
        return;
    }
    const std::uintptr_t folderKey = keyOf(shownListing);
    const FoldedNames* listed = foldedLists.find(folderKey);
    if (listed == nullptr)
        listed = &foldedLists.put(folderKey, namesOf(*tree, shownListing));
    const FoldedNames& names = namesInRow(*listed);
    // One more character typed: only the names that held the text before
    // (the matches still hold them) can hold it now.
    const bool extends = !previous.empty() && folded.size() > previous.size() && folded.rfind(previous, 0) == 0;
    if (extends) {
        matchesStarting = names.narrow(folded, matchesStarting, matches, matchSpare);
    } else {
        matchesStarting = names.findAll(folded, matches, matchSpare);
    }
    matchesOf = std::move(folded);
}

const FoldedNames& ExploreState::namesInRow(const FoldedNames& listed)
{
    if (rowNamesMade && rowNamesRevision == inViewRevision)
        return rowNames;
    rowPositions.resize(inView.size());
    for (std::size_t position = 0; position < listingSlot.size(); ++position)
        if (listingSlot[position] != kNotShown)
            rowPositions[listingSlot[position]] = static_cast<std::uint32_t>(position);
    rowNames.assignInOrder(listed, rowPositions.data(), rowPositions.size());
    rowNamesRevision = inViewRevision;
    rowNamesMade = true;
    return rowNames;
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
    if (!matchesBelow.empty()) {
        // Flies to the match wherever it stands below.
        const EntryId entry = matchesBelow[matches[match]];
        selectEntry(entry);
        glide = CameraGlide(view, framing->facing(folder, kNoSelection, entry, aspect()), clock);
        glideKeepsSelection = true;
        pickPending = false;
    } else {
        face(matches[match]);
        select(matches[match]);
    }
    setStatus("Match " + std::to_string(match + 1) + " of " + std::to_string(matches.size()));
}

void ExploreState::setRowShape(const RowShape& rowShape)
{
    rowFraming.setShape(rowShape);
    if (framed)
        frame();
}

void ExploreState::setFraming(ViewFraming* viewFraming)
{
    framing = viewFraming != nullptr ? viewFraming : &rowFraming;
    EntryId kept = selectedEntry();
    // A view that shows only the row keeps the entry of the row on the way
    // to a selection below it.
    if (!framing->findsBelow())
        while (kept != kNoEntry && tree->parent(kept) != folder)
            kept = tree->parent(kept);
    frame();
    if (kept != kNoEntry) {
        selectEntry(kept);
        // It stands until the pointer moves.
        pickPending = false;
    }
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
    if (glide.active()) {
        Camera pose = glide.at(now);
        pose.setLookBack(view.lookBack);
        view = pose;
        framed = false;
        redraw = true;
        if (!glideKeepsSelection)
            pickPending = true;
    }
    move(held, elapsed);
}

void ExploreState::move(std::uint32_t motions, double elapsed)
{
    const int turn = direction(motions, kTurnLeft, kTurnRight);
    const int walk = direction(motions, kWalkForward, kWalkBackward);
    const int rise = direction(motions, kRise, kSink);
    if (turn == 0 && walk == 0 && rise == 0)
        return;
    // The camera turns by twice the angle it is given. Going back in time
    // undoes the two in the opposite order.
    const float angle = static_cast<float>(turn * 0.5 * kTurnSpeed * elapsed);
    const double speed = kWalkSpeed * ((motions & kFast) != 0 ? kFastFactor : 1.0f);
    const float distance = static_cast<float>(walk * speed * elapsed);
    if (turn != 0 && elapsed > 0.0)
        view.turnLeft(angle);
    if (walk != 0)
        view.moveForward(distance);
    view.position.y += static_cast<float>(rise * speed * elapsed);
    if (turn != 0 && elapsed < 0.0)
        view.turnLeft(angle);
    cameraMoved();
}

void ExploreState::hold(Motion motion, bool down, double now)
{
    // What was held until now moves the camera first, so a key counts from
    // the moment it changed, not from the next frame. A change read after
    // the camera went past its moment (a starved process reads its events
    // late) takes back what the motions did since, and does it again with
    // the motions as they are from then on.
    const double late = clock - now;
    if (late > 0.0)
        move(held, -late);
    else
        advanceTo(now);
    if (down) {
        // A key's own motion takes over from a glide; Shift alone moves nothing.
        if (motion != kFast)
            glide.stop();
        held |= motion;
    } else {
        held &= ~static_cast<std::uint32_t>(motion);
    }
    if (late > 0.0)
        move(held, late);
}

void ExploreState::releaseAll(double now)
{
    advanceTo(now);
    held = 0;
}

bool ExploreState::isMoving() const
{
    return glide.active() || direction(held, kTurnLeft, kTurnRight) != 0
        || direction(held, kWalkForward, kWalkBackward) != 0 || direction(held, kRise, kSink) != 0;
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

void ExploreState::placeView(const Camera& pose)
{
    placeCamera(pose, false);
    pickPending = true;
}

void ExploreState::goHome()
{
    frame();
}

void ExploreState::glideFrom(const Camera& from, double now)
{
    advanceTo(now);
    const Camera to = view;
    glide = CameraGlide(from, to, now);
    view = glide.at(now);
    view.setLookBack(to.lookBack);
    framed = false;
    glideKeepsSelection = false;
    pickPending = true;
    redraw = true;
}

void ExploreState::flyFrom(EntryId from, const Camera& before)
{
    const bool wasFramed = framed;
    if (const std::optional<Camera> start = framing->carried(from, folder, before)) {
        const bool keep = !pickPending;
        glideFrom(*start, clock);
        // The flight ends where the view stood; a selection made stays.
        pickPending = !keep;
        glideKeepsSelection = keep;
        framed = wasFramed;
    }
}

void ExploreState::face(std::size_t slot)
{
    const EntryId entry = slot < entries().size() ? entries()[slot] : kNoEntry;
    placeCamera(framing->facing(folder, slot, entry, aspect()), false);
    // A selection made with the camera stands until the pointer moves.
    pickPending = false;
}

void ExploreState::selectAndGlide(std::size_t slot, double now)
{
    if (slot >= entryCount())
        return;
    advanceTo(now);
    glide = CameraGlide(view, framing->facing(folder, slot, entries()[slot], aspect()), now);
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
    if (slot != selection || selectedBelow != kNoEntry)
        redraw = true;
    selection = slot;
    selectedBelow = kNoEntry;
}

void ExploreState::selectEntry(EntryId entry)
{
    if (entry == kNoEntry || tree == nullptr || entry == folder) {
        select(kNoSelection);
        return;
    }
    if (tree->parent(entry) == folder) {
        const auto found = std::find(inView.begin(), inView.end(), entry);
        if (found != inView.end()) {
            select(static_cast<std::size_t>(found - inView.begin()));
            return;
        }
    }
    if (selection != kNoSelection || selectedBelow != entry)
        redraw = true;
    selection = kNoSelection;
    selectedBelow = entry;
}

void ExploreState::takePick(EntryId under)
{
    if (!pickPending)
        return;
    pickPending = false;
    selectEntry(under);
}

EntryId ExploreState::selectedEntry() const
{
    if (selection < entries().size())
        return entries()[selection];
    return selectedBelow;
}

std::string ExploreState::selectedPath() const
{
    const EntryId entry = selectedEntry();
    if (entry == kNoEntry)
        return std::string();
    // The folders between the shown one and the entry, from the top down.
    std::string below;
    for (EntryId at = entry; at != folder && at != kNoEntry; at = tree->parent(at))
        below = std::string(tree->name(at)) + (below.empty() ? "" : "/") + below;
    return shownPath() + below;
}

bool ExploreState::enterSelected()
{
    if (selection < entries().size())
        return enter(selection);
    return selectedBelow != kNoEntry && enterBelow(selectedBelow);
}

bool ExploreState::enterBelow(EntryId entry)
{
    if (tree == nullptr || entry == kNoEntry || entry == folder)
        return false;
    // A file below is entered as its folder.
    if (!tree->showsAsFolder(entry))
        entry = tree->parent(entry);
    if (entry == kNoEntry || entry == folder)
        return false;
    std::vector<EntryId> way;
    for (EntryId at = entry; at != folder; at = tree->parent(at)) {
        if (at == kNoEntry || at == top)
            return false;
        way.push_back(at);
    }
    for (auto step = way.rbegin(); step != way.rend(); ++step) {
        const auto slot = std::find(inView.begin(), inView.end(), *step);
        if (slot == inView.end() || !enter(static_cast<std::size_t>(slot - inView.begin())))
            return step != way.rbegin();
    }
    return true;
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
    placeCamera(framing->home(folder, entryCount(), aspect()), true);
    pickPending = true;
}
