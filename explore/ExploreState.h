#pragma once

#include "explore/StartView.h"
#include "geometry/Camera.h"
#include "scene/ScanControl.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

class FsNode;

// The explore view without its window: the folder shown, the camera and its
// motion in time, the selected slot, the status message, where the pointer
// is, and whether the picture must be drawn again. The application turns its
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
    };
    // Scene units per second.
    static constexpr float kWalkSpeed = 6.0f;
    static constexpr float kFastFactor = 4.0f;
    // Degrees per second.
    static constexpr float kTurnSpeed = 90.0f;
    // A drag turns and tips the view by this much per pixel, as the plain view does.
    static constexpr float kDragSensitivity = 0.1f;
    static constexpr std::size_t kNoSelection = std::numeric_limits<std::size_t>::max();

    ExploreState();

    // Shows the folder's entries in their listing order, with the camera at
    // the start view, nothing selected and the status message cleared. Null
    // shows an empty row. A folder the scan has not listed yet shows no
    // entries until it is listed, which the scan is asked to do at once.
    void show(FsNode* folder);
    FsNode* shownFolder() const { return folder; }
    // The shown folder's entries, 0 until it is listed.
    std::size_t entryCount() const;

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
    // A motion key pressed or released at `now`. Releasing one not held does nothing.
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
    bool atStartView() const { return framed; }
    const Camera& camera() const { return view; }

    // The selected slot, or kNoSelection.
    void select(std::size_t slot);
    std::size_t selected() const { return selection; }

    // One line for the user, e.g. why something could not be done.
    void setStatus(std::string text);
    const std::string& status() const { return message; }

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

    FsNode* folder = nullptr;
    RowShape shape;
    int width = 800;
    int height = 600;
    Camera view;
    bool framed = true;
    std::uint32_t held = 0;
    double clock = 0.0;
    std::size_t selection = kNoSelection;
    std::string message;
    bool pointerIn = false;
    int pointerColumn = 0;
    int pointerRow = 0;
    bool redraw = true;

    ScanControl* scan = nullptr;
    // What followScan() saw last: whether the shown folder was listed, the
    // progress in entries and tenths of a second, and whether it ran.
    bool shownListed = false;
    std::uint64_t seenEntries = 0;
    std::int64_t seenTenths = 0;
    bool seenRunning = false;
};
