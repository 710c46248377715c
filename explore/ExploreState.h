#pragma once

#include "explore/CameraGlide.h"
#include "explore/EntryOrder.h"
#include "explore/FoldedNames.h"
#include "explore/RowFraming.h"
#include "explore/StartView.h"
#include "geometry/Camera.h"
#include "scene/ScanControl.h"
#include "text/LruCache.h"
#include "tree/EntryTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class RowLayout;

// The explore view without its window: the folder shown and the way walked
// to it, its entries in view order, the camera and its motion in time, the
// selected slot, the find field, the status message, where the pointer is,
// and whether the picture must be drawn again. The application turns its
// events into calls here and draws when needsRedraw() says so; the state
// never reads a clock itself: every call that depends on time takes `now`, in
// seconds on the caller's clock, which must not go back. So tests drive it
// with a clock of their own.
class ExploreState {
public:
    // What a held key does for as long as it is held; any set may be held.
    enum Motion : std::uint32_t {
        kWalkForward = 0x01,
        kWalkBackward = 0x02,
        kTurnLeft = 0x04,
        kTurnRight = 0x08,
        kFast = 0x10, // walking kFastFactor times faster
        kRise = 0x20, // straight up, at the walking speed
        kSink = 0x40,
    };
    // Scene units per second.
    static constexpr float kWalkSpeed = 6.0f;
    static constexpr float kFastFactor = 4.0f;
    // Degrees per second.
    static constexpr float kTurnSpeed = 90.0f;
    // A drag turns and tips the view by this much per pixel, as the plain view does.
    static constexpr float kDragSensitivity = 0.1f;
    static constexpr std::size_t kNoSelection = std::numeric_limits<std::size_t>::max();
    // Page Up and Page Down move the selection by a window's width of slots.
    static constexpr long kPageStep = 12;
    // Scene units a wheel notch walks.
    static constexpr float kWheelStep = 2.0f;

    ExploreState();

    // Makes `folder` of `tree` the top folder and shows it, with the camera
    // at the start view, nothing selected, the find field closed and the
    // status message cleared. No tree or kNoEntry shows an empty row.
    // `absolutePath` is its path, ending with '/', which the shown folders'
    // paths start from. Entering a folder entry shows its contents() (a link
    // leads to the one copy the scan expanded). The tree is not owned.
    void show(const EntryTree* tree, EntryId folder, std::string absolutePath = std::string());
    const EntryTree* shownTree() const { return tree; }
    // The folder whose entries are shown, or kNoEntry.
    EntryId shownFolder() const { return folder; }
    std::size_t entryCount() const { return entries().size(); }
    // The shown folder's entries in view order (none until the scan has
    // listed it, which it is asked to do at once): sorted as order() says, names
    // starting with a dot left out while hidden. Slot i of the row, of
    // picking and of the names is entries()[i]. Sorted once per folder and
    // order, then kept (a bounded number of folders).
    const std::vector<EntryId>& entries() const { return inView; }
    // Moves on each time entries() is worked out anew, so a view can tell
    // a changed list without comparing it.
    std::uint64_t entriesRevision() const { return inViewRevision; }
    // Counts treeChanged() calls: a view that keeps layouts of the tree lays
    // them out again when it moves on.
    std::uint64_t treeRevision() const { return treeChanges; }
    // The shown folder's path as walked from the top (through links as they
    // were entered), ending with '/'.
    std::string shownPath() const;

    // Shows the folder entry in `slot`, from the start view; false, with the
    // reason in the status message, when it cannot be entered.
    bool enter(std::size_t slot);
    // Shows the folder the shown one was entered from, facing the entry left,
    // which is selected. False at the top folder, which the status says.
    bool back();
    // Shows the top folder from the start view.
    void goTop();

    // The order the entries stand in; `s` moves it on. Keeps the selected
    // entry selected and faced.
    SortOrder order() const { return sortOrder; }
    void setOrder(SortOrder order);
    // The next order, which the status says.
    void cycleOrder();
    // Leaves out, or brings back, names starting with a dot.
    void toggleDotNames();
    bool dotNamesHidden() const { return hideDotNames; }
    // The legend of types in the status band (t): each group's colour and
    // the entries and bytes of the shown folder's subtree in it.
    void toggleLegend()
    {
        legendOpen = !legendOpen;
        redraw = true;
    }
    bool legendShown() const { return legendOpen; }

    // The find field. While it is open, typed text narrows it and each change
    // faces and selects the first match: names starting with the text, then
    // names containing it, each in row order, without regard to case.
    void openFind();
    void closeFind();
    bool finding() const { return findOpen; }
    const std::string& findText() const { return findWords; }
    // Appends UTF-8 text to the field.
    void typeInFind(std::string_view text);
    // Takes the field's last character away.
    void eraseInFind();
    // The next or previous match, going round.
    void findNext();
    void findPrevious();

    // The scan that fills in the tree while it is shown, on another thread;
    // null (the default) when the tree is complete. Not owned.
    void setScan(ScanControl* control);
    // The scan's progress, for the status line: while progress.running it
    // reads ScanControl::statusText(progress). Not running without a scan.
    ScanControl::Progress scanProgress() const;
    // Catches up with the scan, called every frame and every tenth of a
    // second or so while it runs: once the shown folder is listed its row
    // shows (framed, when the camera stands at the start view); until then
    // its listing is asked for again; the picture is out of date whenever
    // the progress shown changes, and once more when the scan ends.
    void followScan();

    // The tree changed under the view (a live update, a refresh): the
    // entries are worked out again. The selected entry stays selected where
    // it now stands; when it is gone, the entry that took its slot is
    // selected. When a folder of the way walked is gone, the view
    // backs out to the nearest one still there, and the status says so.
    // The camera stays where it is, or at the start view when it stood there.
    void treeChanged();

    // The view that shows the shown folder places the camera: Home, facing
    // an entry, the pose a folder is shown from. Null (the default) is the
    // row, of the shape setRowShape gives. Not owned. The camera goes to the
    // view's Home.
    void setFraming(ViewFraming* framing);

    // The row's shape, known once the symbols are loaded, and the window's
    // size in pixels. Either keeps the camera at the start view when it stands
    // there, so the framing follows a resize; a camera moved away stays put.
    void setRowShape(const RowShape& shape);
    void setViewSize(int width, int height);
    int viewWidth() const { return width; }
    int viewHeight() const { return height; }

    // Moves the camera as the held motions say from the last time given up
    // to `now`, at speeds in units of time, so the distance covered is the
    // same however often it is called.
    void advanceTo(double now);
    // A motion key pressed or released at `now`, which may lie before the
    // last time the camera was moved to. Releasing one not held does nothing.
    void hold(Motion motion, bool held, double now);
    // Every motion released at `now`: the keyboard went to another window,
    // which gets the releases.
    void releaseAll(double now);
    std::uint32_t heldMotions() const { return held; }
    // True while a held motion moves the camera, so time alone changes the picture.
    bool isMoving() const;

    // A pointer drag by (dx, dy) pixels turns and tips the view.
    void drag(int dx, int dy);
    void setLookBack(bool on);
    // Back to the start view of the shown folder.
    void goHome();
    // The camera in front of `slot`, as far as the start view stands from the row.
    void face(std::size_t slot);
    bool atStartView() const { return framed; }
    // Selects `slot` and glides the camera in front of it, from `now`; the
    // selection stands until the pointer moves.
    void selectAndGlide(std::size_t slot, double now);
    // The selection moved by `step` slots (Tab, Page Up/Down), with a glide to
    // face it. Past either end it goes round when `wrap`, else stops there.
    // With nothing selected a step forward selects the first slot and a step
    // back the last.
    void stepSelection(long step, bool wrap, double now);
    // The slot nearest the middle of the view, selected and faced; for Enter
    // with nothing selected. Arguments as for pickSelection.
    void selectNearestCentre(const double clipFromScene[16], const int viewport[4], const RowLayout& layout,
                             double now);
    // Wheel notches walk kWheelStep each, forward when positive, as one glide
    // from where the last one would end.
    void wheel(int notches, double now);
    // Puts the camera at a pose another view of the shown folder framed.
    void placeView(const Camera& pose);
    // The camera glides from `from` to where it stands now, from `now`: a
    // view's flight into a folder it has just shown. Any motion key stops it.
    void glideFrom(const Camera& from, double now);
    const Camera& camera() const { return view; }

    // The selected slot, or kNoSelection.
    void select(std::size_t slot);
    std::size_t selected() const { return selection; }
    // Selects `entry`: its slot when it stands in the shown folder's row,
    // else (a view that shows more than the row, kNoSelection for a slot) the
    // entry itself, anywhere below the shown folder; kNoEntry selects nothing.
    void selectEntry(EntryId entry);
    // The selected entry (in the selected slot or below), or kNoEntry.
    EntryId selectedEntry() const;
    // Selects what a view found under the pointer, when a pick is pending
    // (as pickSelection does for the row).
    void takePick(EntryId under);
    // Goes into the selected entry: the slot's folder as enter() does, or a
    // folder below through each folder between. False when it cannot.
    bool enterSelected();
    // Makes `entry`, a folder anywhere below the shown folder (or a file's
    // folder), the shown folder, going in through each folder between as
    // the row would.
    bool enterBelow(EntryId entry);
    // The selected entry's path as walked (absolute when the top's path is), or empty.
    std::string selectedPath() const;

    // Selects what the pointer shows: the slot under it, or with the pointer
    // outside the window or `centre` (a drag) the slot nearest the centre of
    // the view. Does so only when the pointer or the camera has moved since
    // the last call, so a selection made by a key (back, find, order) stands
    // until then. clipFromScene is projection times model-view as GL has them,
    // viewport GL's.
    void pickSelection(const double clipFromScene[16], const int viewport[4], const RowLayout& layout,
                       bool centre = false);
    // Whether the pointer or the view moved since the selection was picked.
    bool pickIsPending() const { return pickPending; }

    // The panel listing the keys, over the scene until a key hides it.
    void showKeyHelp(bool on);
    bool keyHelpShown() const { return keyHelp; }

    // One line for the user, e.g. why something could not be done.
    void setStatus(std::string text);
    const std::string& status() const { return message; }
    // A line on where the shown tree came from (an import's tool and time,
    // or where its reading stopped), shown while nothing is selected.
    void setSourceNote(std::string text) { note = std::move(text); }
    const std::string& sourceNote() const { return note; }

    // Where the pointer is, in window pixels (origin top left), while it is
    // inside the window; leaving changes nothing but this.
    void pointerAt(int x, int y);
    void pointerLeft();
    bool pointerInside() const { return pointerIn; }
    int pointerX() const { return pointerColumn; }
    int pointerY() const { return pointerRow; }

    // Whether the picture is out of date; drawn() says it has been drawn.
    void requestRedraw() { redraw = true; }
    bool needsRedraw() const { return redraw; }
    void drawn() { redraw = false; }

private:
    void frame();
    // Puts the camera at `pose`, keeping look-back; atStartView when it is the start view.
    void placeCamera(Camera pose, bool atStartView);
    double aspect() const;
    // The row and its view after the shown folder, the order or the filter changed.
    void refreshEntries();
    // Once the scan has listed a folder entered before that: its one copy, or
    // back out with the reason when it cannot be entered.
    // False when it backed out.
    bool settleEnteredFolder();
    // The folder whose entries an entered folder entry shows.
    EntryId contentsOfEntered(EntryId entry) const;
    // Faces and selects `entry` if it stands in the row, else shows the start view.
    void faceEntry(EntryId entry);
    // Fills inView from shownListing in `sorted` order (positions in the
    // listing), leaving out hidden names, and listingSlot (sized already).
    void orderRow(const std::vector<std::uint32_t>& sorted);
    void goToMatch();
    // The matches of the find text among the entries in view, without moving.
    void findMatches();
    // The row's names folded in row order (from `listed`, the folder's in
    // listing order), made again only when the row changed.
    const FoldedNames& namesInRow(const FoldedNames& listed);
    void showMatch();
    void cameraMoved();
    // After the shown folder changed from `from`, with the camera at
    // `before`: the view may fly the camera from there instead of cutting.
    void flyFrom(EntryId from, const Camera& before);
    // Moves the camera as `motions` say for `elapsed` seconds; back when negative.
    void move(std::uint32_t motions, double elapsed);

    const EntryTree* tree = nullptr;
    EntryId top = kNoEntry;
    std::string topPath;
    // The folder entries entered from the top, in order; the last one is shown.
    std::vector<EntryId> trail;
    SortOrder sortOrder = SortOrder::Name;
    bool hideDotNames = false;
    bool legendOpen = false;
    // Per folder and order, the positions of its entries in the listing, sorted.
    LruCache<std::uintptr_t, std::vector<std::uint32_t>> sortedLists{kKeptLists};
    // Per folder, its names folded in listing order, for finding.
    LruCache<std::uintptr_t, FoldedNames> foldedLists{kKeptFolded};
    std::vector<EntryId> inView;
    // The listing inView was made from: the folder's entries, or as many as
    // were read so far of a folder still being read.
    EntryRange shownListing;
    std::uint64_t inViewRevision = 0;
    std::uint64_t treeChanges = 0;
    // For each entry in listing order, its slot in the row, or kNotShown. A
    // pass in listing order reads the nodes in the order the scan made them,
    // which for a large folder is many times faster than in row order.
    std::vector<std::uint32_t> listingSlot;
    static constexpr std::uint32_t kNotShown = std::numeric_limits<std::uint32_t>::max();
    bool findOpen = false;
    std::string findWords;
    std::vector<std::size_t> matches;
    // Found below the shown folder, in a view that finds there; matches
    // then index these.
    std::vector<EntryId> matchesBelow;
    // How many of the matches start with the find text (they come first).
    std::size_t matchesStarting = 0;
    // The folded text the matches are of, while a longer one may narrow
    // them; empty after the row changed or a search of another kind.
    std::string matchesOf;
    // Scratch for the search, kept for the next keystroke.
    std::vector<std::size_t> matchSpare;
    // The row's names folded in row order, made for the row of revision
    // rowNamesRevision from its folder's folded names, so that a search
    // finds the matches in row order directly.
    FoldedNames rowNames;
    std::uint64_t rowNamesRevision = 0;
    bool rowNamesMade = false;
    // For each slot its position in the listing, kept for its storage.
    std::vector<std::uint32_t> rowPositions;
    std::size_t match = 0;
    bool pickPending = true;

    static constexpr std::size_t kKeptLists = 32;
    static constexpr std::size_t kKeptFolded = 8;

    EntryId folder = kNoEntry;
    RowFraming rowFraming;
    ViewFraming* framing = &rowFraming;
    int width = 800;
    int height = 600;
    Camera view;
    bool framed = true;
    std::uint32_t held = 0;
    CameraGlide glide;
    // A glide to a keyed selection leaves it standing; a wheel glide lets the
    // pointer pick anew as walking does.
    bool glideKeepsSelection = false;
    double clock = 0.0;
    std::size_t selection = kNoSelection;
    // An entry below the shown folder's row, selected in a view that shows it.
    EntryId selectedBelow = kNoEntry;
    std::string note;
    std::string message;
    bool keyHelp = false;
    bool pointerIn = false;
    int pointerColumn = 0;
    int pointerRow = 0;
    bool redraw = true;

    ScanControl* scan = nullptr;
    // What followScan() saw last: whether the shown folder was listed, the
    // progress in entries and tenths of a second, and whether it ran.
    bool shownListed = false;
    // The shown entries stand by size from totals still counting.
    bool shownProvisional = false;
    // Keys of sortedLists made by size before the totals were final.
    std::vector<std::uintptr_t> provisionalLists;
    std::uint64_t seenEntries = 0;
    std::int64_t seenTenths = 0;
    bool seenRunning = false;
};
