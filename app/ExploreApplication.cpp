#include "app/ExploreApplication.h"

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/EventSource.h"
#include "app/EventWait.h"
#include "app/FirstStart.h"
#include "app/FrameRate.h"
#include "app/KeyEventTimes.h"
#include "app/PictureSaver.h"
#include "app/ScreenFit.h"
#include "app/TreeSaver.h"
#include "app/StartupWatch.h"
#include "app/WindowPicture.h"
#include "app/WindowTitle.h"
#include "explore/DefaultOpener.h"
#include "explore/EntryOrder.h"
#include "explore/EntryTypes.h"
#include "explore/FolderCaption.h"
#include "explore/LiveFollow.h"
#include "explore/ProgressEstimate.h"
#include "exchange/EntryImport.h"
#include "explore/StatusText.h"
#include "scene/SymbolLibrary.h"
#include "scene/WorkerPriority.h"
#include "text/Utf8Encoder.h"
#include "tree/EntryScan.h"

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The scan (or the import) beside the window; lives until the process ends.
TreeSource* gScan = nullptr;
// The same source when it reads an export file; null for a scan.
EntryImport* gImport = nullptr;
// Live updates of the scanned tree (none for an import, a snapshot); lives until the process ends.
LiveFollow* gLive = nullptr;
// How long the way out waits for the scan to stop. It stops between two
// batches of entries, within a millisecond or so; only a look-up held up in
// the kernel (a hung mount) takes longer, and then the process ends with the
// worker still in it: the worker touches nothing that exit() tears down.
constexpr std::chrono::milliseconds kStopPatience{100};
// How often an idle window wakes while the scan runs, to show its progress.
constexpr int kScanFollowMs = 100;

void stopScanAtExit()
{
    if (gScan != nullptr)
        gScan->stop(kStopPatience);
}

// Two presses of the left button this close in time and place are a double click.
constexpr std::uint32_t kDoubleClickMs = 400;
constexpr int kDoubleClickPixels = 4;

// The folder the scan started from, absolute and ending with '/'.
std::string absoluteFolder(const std::string& folder)
{
    if (!folder.empty() && folder[0] == '/')
        return folder;
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (buffer.size() > (1u << 20))
            return folder;
        buffer.resize(buffer.size() * 2);
    }
    const std::string base = buffer.data();
    return base + (base.back() == '/' ? "" : "/") + folder;
}

} // namespace

ExploreApplication::ExploreApplication(ExploreOptions chosen)
    : options(std::move(chosen)), started(std::chrono::steady_clock::now())
{
    fontLoader.start(options.fontFile);
    // The file types' database is read beside the window too.
    EntryTypes::startReading();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "Video initialization failed: %s\n", SDL_GetError());
        Application::quit(1);
    }
    // Events that come while the window opens are kept, as during the scan.
    EventSource::beginStartup();
    const SDL_VideoInfo* videoInfo = SDL_GetVideoInfo();
    if (videoInfo == nullptr) {
        std::fprintf(stderr, "Video query failed: %s\n", SDL_GetError());
        Application::quit(1);
    }
    videoFlags = Application::videoFlagsFor(*videoInfo);
    // Before the first mode is set, the current size is the screen's.
    const ScreenFit::Size size = ScreenFit::window(videoInfo->current_w, videoInfo->current_h);

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Frames in step with the display where the driver offers it.
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    SDL_WM_SetCaption("Lumenfold", "Lumenfold");
    const int width = size.width;
    const int height = size.height;
    state.setViewSize(width, height);
    gScreenSurface = SDL_SetVideoMode(width, height, 32, videoFlags);
    if (gScreenSurface == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        Application::quit(1);
    }
    KeyEventTimes::watch();

    // The scan runs while the symbols load, which needs the GL context and
    // comes before the GL state is set up, as in the plain view.
    startScan();
    loadSymbols();
    if (!Application::initGL()) {
        std::fprintf(stderr, "Could not initialize OpenGL.\n");
        Application::quit(1);
    }
    openScene();
    scene->setExpectedEntries(ProgressEstimate::expectedEntries(options.folder, options.oneFileSystem));
    state.setRowShape(scene->rowShape());
    waitForTopFolder();
    state.setScan(&gScan->control());
    state.show(&gScan->tree(), gScan->tree().root(),
               gImport != nullptr ? gScan->tree().path(gScan->tree().root()) : absoluteFolder(options.folder));
    if (gImport == nullptr) {
        gLive = new LiveFollow(gScan->tree());
        EventWait::wakeOn(gLive->wakeDescriptor());
    }
    if (FirstStart::claim(FirstStart::settingsFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"))))
        state.setStatus("Press ? for keys");
    updateCaption();
    viewResized(width, height);
    if (options.map)
        views->show(state, true);
    eventLoop();
}

void ExploreApplication::startScan()
{
    // A link to a folder elsewhere (to the root, say) is listed when entered,
    // not walked with the tree, as disk-usage tools leave links alone.
    if (!options.importFile.empty()) {
        gScan = gImport = new EntryImport(options.importFile);
        if (!gImport->opened()) {
            std::fprintf(stderr, "%s\n", gImport->problemLine().c_str());
            Application::quit(2);
        }
    } else {
        gScan = new EntryScan(options.folder, options.oneFileSystem, true, &EntryOrder::byName);
    }
    // Every way out passes exit(), whose handlers run in the reverse order of
    // their registration: this one before anything made earlier is torn down.
    std::atexit(stopScanAtExit);
}

void ExploreApplication::loadSymbols()
{
    // In the order the plain view's scan of a folder of files loads them.
    SymbolLibrary::instance()->get("file");
    SymbolLibrary::instance()->get("folder");
}

void ExploreApplication::waitForTopFolder()
{
    // Listing one folder takes moments, unless it is huge or on a hung mount:
    // meanwhile the close button and Escape end the program, as during the
    // plain view's scan, and a quit signal ends it from its handler.
    StartupWatch watch;
    // An import lists its top folder only at the file's end: the window shows
    // its entries as they are read, with the reading's progress.
    while (gScan->tree().root() == kNoEntry || (gImport == nullptr && !gScan->tree().isListed(gScan->tree().root()))) {
        watch.progressed(0);
        SDL_Delay(1);
    }
}

void ExploreApplication::importRead()
{
    // One line for an export that is bad or breaks off; nothing of it read, the program ends.
    if (gImport->stoppedEarly())
        std::fprintf(stderr, "%s\n", gImport->problemLine().c_str());
    if (gImport->stoppedEarly() && gImport->problem().unreadable)
        Application::quit(2);
    // A tree read from a file is not watched: the line says so.
    const std::string note = gImport->sourceNote();
    if (gImport->stoppedEarly())
        state.setSourceNote(note);
    else
        state.setSourceNote(note.empty() ? "A snapshot, not updated live"
                                         : note + " \u00b7 a snapshot, not updated live");
}

void ExploreApplication::followScan()
{
    // Ended before the state looks, so the state sees the end too.
    const bool ended = gScan->ended();
    state.followScan();
    if (scanReported || !ended)
        return;
    scanReported = true;
    if (gImport != nullptr)
        importRead();
    if (gScan->control().progress().outOfMemory) {
        // The window stays with what was scanned; the status line says so too.
        std::fprintf(stderr, "lumenfold: out of memory: the scan stopped at %s entries\n",
                     StatusText::count(gScan->control().progress().entries).c_str());
        exitCode = 1;
    }
    if (options.verbose) {
        const std::string text = ScanControl::statusText(gScan->control().progress());
        std::printf("Scanned%s\n", text.substr(text.find(':')).c_str());
    }
}

void ExploreApplication::openScene()
{
    std::string reason;
    fonts = fontLoader.finish(reason);
    if (fonts == nullptr) {
        if (options.fontFile.empty())
            std::fprintf(stderr, "lumenfold: %s\n", reason.c_str());
        else
            std::fprintf(stderr, "lumenfold: cannot use font '%s': %s\n", options.fontFile.c_str(), reason.c_str());
        Application::quit(1);
    }
    scene = std::make_unique<ExploreScene>(*fonts);
    scene->setTextScale(options.textScale > 0.0 ? options.textScale : displayTextScale());
    mapScene = std::make_unique<MapScene>(scene->textRenderer());
    views = std::make_unique<MapSwitch>(scene->rowView(), *mapScene);
}

double ExploreApplication::displayTextScale()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1.0;
    const char* resources = XResourceManagerString(display);
    const double scale = ScreenFit::textScale(resources != nullptr ? resources : "", CommandLine::kMinTextScale,
                                              CommandLine::kMaxTextScale);
    XCloseDisplay(display);
    return scale;
}

void ExploreApplication::quit(int code)
{
    // The scan may still be running on its worker: ending the process at once
    // neither waits for it nor tears down, under its feet, what it reads.
    // Output is flushed first. The X server lets go of the window and the GL
    // context as the connection closes; SDL_Quit would wait for round trips
    // to a server that may be busy, and is owed only a full-screen mode,
    // which it gives back.
    std::fflush(nullptr);
    WorkerPriority::raiseThreadsBelowWorkers();
    const SDL_Surface* screen = SDL_GetVideoSurface();
    if (screen != nullptr && (screen->flags & SDL_FULLSCREEN) != 0)
        SDL_Quit();
    std::_Exit(code);
}

double ExploreApplication::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

void ExploreApplication::eventLoop()
{
    EventSource::beginLoop();
    // Key events carry the text they type, for the find field.
    SDL_EnableUNICODE(1);
    SDL_Event event;
    while (running) {
        // Nothing to draw until something happens: sleep in the wait.
        const bool idle = !visible || (!state.isMoving() && !state.needsRedraw());
        if (idle) {
            const bool following = !scanReported || (gLive != nullptr && gLive->refreshing());
            const bool woken = following ? EventWait::next(event, kScanFollowMs) : EventWait::next(event);
            if (woken)
                handleEvent(event);
        }
        while (EventSource::poll(event))
            handleEvent(event);
        // A quit is answered at once, not after one more frame.
        if (!running)
            break;

        followScan();
        if (gLive != nullptr)
            gLive->follow(state, scanReported, views->shown().foldersOnScreen());
        state.advanceTo(now());
        updateCaption();
        // A new selection changes the picture (highlight, status line).
        if (visible && state.pickIsPending())
            pickSelection();
        if (visible && state.needsRedraw()) {
            drawFrame();
            pace();
        }
    }
    quit(exitCode);
}

void ExploreApplication::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_ACTIVEEVENT:
        handleActivity(event.active);
        break;
    case SDL_KEYDOWN:
        handleKey(event.key.keysym, true, keyTime(true));
        break;
    case SDL_KEYUP:
        handleKey(event.key.keysym, false, keyTime(false));
        break;
    case SDL_MOUSEMOTION:
        state.pointerAt(event.motion.x, event.motion.y);
        dragging = (event.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0;
        if (dragging)
            state.drag(event.motion.xrel, event.motion.yrel);
        break;
    case SDL_MOUSEBUTTONDOWN:
        handleClick(event.button);
        break;
    case SDL_MOUSEBUTTONUP:
        // The drag is over: the entry under the pointer is the selection again.
        if (event.button.button == SDL_BUTTON_LEFT && dragging) {
            dragging = false;
            state.pointerAt(event.button.x, event.button.y);
        }
        break;
    case SDL_QUIT:
        running = false;
        break;
    case SDL_VIDEORESIZE:
        resize(event.resize.w, event.resize.h);
        break;
    case SDL_VIDEOEXPOSE:
        state.requestRedraw();
        break;
    default:
        break;
    }
}

void ExploreApplication::handleActivity(const SDL_ActiveEvent& activity)
{
    // Only the keyboard going elsewhere and iconifying count: the pointer may
    // leave the window while a key walks on.
    if ((activity.state & SDL_APPINPUTFOCUS) != 0 && activity.gain == 0) {
        // The releases of keys held now go to the window that has the keyboard.
        KeyEventTimes::forgetHeld();
        state.releaseAll(now());
        state.setLookBack(false);
    }
    if ((activity.state & SDL_APPACTIVE) != 0) {
        visible = activity.gain != 0;
        state.requestRedraw();
    }
    if ((activity.state & SDL_APPMOUSEFOCUS) != 0 && activity.gain == 0) {
        state.pointerLeft();
        state.requestRedraw();
    }
}

double ExploreApplication::keyTime(bool pressed) const
{
    // When the X server took the key, however late it is read.
    const std::optional<KeyEventTimes::TimePoint> stamped = KeyEventTimes::take(pressed);
    return stamped ? std::chrono::duration<double>(*stamped - started).count() : now();
}

void ExploreApplication::handleKey(const SDL_keysym& keysym, bool down, double time)
{
    if (down && (handleHelpKey(keysym) || handleFindKey(keysym)))
        return;
    if (handleMapKey(keysym, down, time) || (down && handleNavigationKey(keysym)))
        return;
    switch (keysym.sym) {
    case SDLK_ESCAPE:
        if (down)
            quit(exitCode);
        break;
    case SDLK_F12:
        if (down)
            askForPicture();
        break;
    case SDLK_F1:
        if (down) {
            SDL_WM_ToggleFullScreen(gScreenSurface);
            state.requestRedraw();
        }
        break;
    case SDLK_UP:
        state.hold(ExploreState::kWalkForward, down, time);
        break;
    case SDLK_DOWN:
        state.hold(ExploreState::kWalkBackward, down, time);
        break;
    case SDLK_LEFT:
        state.hold(ExploreState::kTurnLeft, down, time);
        break;
    case SDLK_RIGHT:
        state.hold(ExploreState::kTurnRight, down, time);
        break;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        state.hold(ExploreState::kFast, down, time);
        break;
    case SDLK_HOME:
        if (down)
            state.goHome();
        break;
    case SDLK_b:
        state.setLookBack(down);
        break;
    default:
        break;
    }
}
bool ExploreApplication::handleMapKey(const SDL_keysym& keysym, bool down, double time)
{
    if (keysym.sym == SDLK_m) {
        if (down)
            views->toggle(state);
        return true;
    }
    // In the row Page Up and Page Down page through the entries.
    if (!views->mapShown())
        return false;
    switch (keysym.sym) {
    case SDLK_PAGEUP:
        state.hold(ExploreState::kRise, down, time);
        return true;
    case SDLK_PAGEDOWN:
        state.hold(ExploreState::kSink, down, time);
        return true;
    default:
        return false;
    }
}

bool ExploreApplication::handleNavigationKey(const SDL_keysym& keysym)
{
    const bool alt = (keysym.mod & KMOD_ALT) != 0;
    const bool control = (keysym.mod & KMOD_CTRL) != 0;
    switch (keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        pickSelection();
        if (state.selectedEntry() != kNoEntry)
            state.enterSelected();
        else
            selectNearestCentre();
        return true;
    case SDLK_TAB:
        state.stepSelection((keysym.mod & KMOD_SHIFT) != 0 ? -1 : 1, true, now());
        return true;
    case SDLK_PAGEDOWN:
        state.stepSelection(ExploreState::kPageStep, false, now());
        return true;
    case SDLK_PAGEUP:
        state.stepSelection(-ExploreState::kPageStep, false, now());
        return true;
    case SDLK_END:
        if (!control)
            return false;
        if (state.entryCount() > 0)
            state.selectAndGlide(state.entryCount() - 1, now());
        return true;
    case SDLK_BACKSPACE:
        state.back();
        return true;
    case SDLK_UP:
        if (!alt)
            return false;
        state.back();
        return true;
    case SDLK_HOME:
        if (control) {
            state.selectAndGlide(0, now());
            return true;
        }
        if (!alt)
            return false;
        state.goTop();
        return true;
    case SDLK_SLASH:
    case SDLK_KP_DIVIDE:
        // Where Shift+/ types '?', that is the key help's.
        if (keysym.unicode == '?')
            return false;
        state.openFind();
        return true;
    case SDLK_s:
        if (control) {
            saveTree();
        } else if (views->mapShown()) {
            state.setStatus(mapScene->cycleOrder());
            state.requestRedraw();
        } else {
            state.cycleOrder();
        }
        return true;
    case SDLK_t:
        state.toggleLegend();
        return true;
    case SDLK_h:
        if (!control)
            return false;
        state.toggleDotNames();
        return true;
    case SDLK_o:
        openSelected();
        return true;
    case SDLK_r:
        if (!control)
            return false;
        refresh();
        return true;
    case SDLK_F5:
        refresh();
        return true;
    default:
        return false;
    }
}

bool ExploreApplication::handleHelpKey(const SDL_keysym& keysym)
{
    if (state.keyHelpShown()) {
        // Any key hides the panel and does nothing else; a modifier alone is not a key.
        if (keysym.sym >= SDLK_NUMLOCK && keysym.sym <= SDLK_COMPOSE)
            return false;
        state.showKeyHelp(false);
        return true;
    }
    if (state.finding())
        return false;
    const bool control = (keysym.mod & KMOD_CTRL) != 0;
    if (keysym.unicode == '?' || (keysym.sym == SDLK_h && !control)) {
        state.showKeyHelp(true);
        return true;
    }
    return false;
}

bool ExploreApplication::handleFindKey(const SDL_keysym& keysym)
{
    if (!state.finding())
        return false;
    switch (keysym.sym) {
    case SDLK_ESCAPE:
        state.closeFind();
        return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_DOWN:
        state.findNext();
        return true;
    case SDLK_UP:
        state.findPrevious();
        return true;
    case SDLK_BACKSPACE:
        state.eraseInFind();
        return true;
    default:
        break;
    }
    // Any character the keyboard gives, control characters aside.
    const char32_t typed = keysym.unicode;
    if (typed >= 0x20 && typed != 0x7F) {
        std::string text;
        Utf8Encoder::append(typed, text);
        state.typeInFind(text);
    }
    // Other keys go to the field too, so nothing else happens while it is open.
    return true;
}

void ExploreApplication::handleClick(const SDL_MouseButtonEvent& button)
{
    // SDL 1.2 gives each wheel notch as a press of button 4 (away) or 5 (towards).
    if (button.button == SDL_BUTTON_WHEELUP || button.button == SDL_BUTTON_WHEELDOWN) {
        state.wheel(button.button == SDL_BUTTON_WHEELUP ? 1 : -1, now());
        return;
    }
    if (button.button != SDL_BUTTON_LEFT)
        return;
    const std::uint32_t ticks = SDL_GetTicks();
    const bool twice = ticks - lastClickTicks <= kDoubleClickMs && std::abs(button.x - lastClickX) <= kDoubleClickPixels
        && std::abs(button.y - lastClickY) <= kDoubleClickPixels;
    lastClickTicks = ticks;
    lastClickX = button.x;
    lastClickY = button.y;
    if (!twice)
        return;
    // A third click starts over rather than entering again.
    lastClickTicks -= kDoubleClickMs + 1;
    state.pointerAt(button.x, button.y);
    pickSelection();
    if (state.selectedEntry() != kNoEntry)
        state.enterSelected();
}

void ExploreApplication::pickSelection()
{
    // The selection follows the pointer, or with the pointer outside the
    // window or while dragging, the middle of the view.
    glLoadIdentity();
    state.camera().applyView();
    views->shown().pick(state, dragging);
}

void ExploreApplication::selectNearestCentre()
{
    glLoadIdentity();
    state.camera().applyView();
    views->shown().selectNearestCentre(state, now());
}

void ExploreApplication::openSelected()
{
    pickSelection();
    const EntryId entry = state.selectedEntry();
    if (entry == kNoEntry) {
        state.setStatus("Nothing selected to open");
        return;
    }
    const std::string name(state.shownTree()->name(entry));
    if (gImport != nullptr && !gImport->onThisMachine()) {
        state.setStatus("Cannot open " + name + ": the tree read from " + gImport->file() + " is not on this machine");
        return;
    }
    const std::string problem = DefaultOpener::open(state.selectedPath());
    state.setStatus(problem.empty() ? "Opening " + name : "Cannot open " + name + ": " + problem);
}

void ExploreApplication::refresh()
{
    if (gLive != nullptr)
        gLive->refresh(state);
    else if (gImport != nullptr)
        state.setStatus("The tree read from " + gImport->file() + " is a snapshot: nothing to refresh");
}

void ExploreApplication::saveTree()
{
    if (!gScan->ended()) {
        state.setStatus(gImport != nullptr ? "Nothing saved: the file is still being read"
                                           : "Nothing saved: the scan is not over yet");
        return;
    }
    const EntryTree& tree = gScan->tree();
    EntryTreeExport::Options how;
    how.scannedHere = gImport == nullptr;
    struct stat top {};
    if (gImport != nullptr)
        how.topDevice = gImport->topDevice();
    else if (stat(tree.path(tree.root()).c_str(), &top) == 0)
        how.topDevice = static_cast<std::uint64_t>(top.st_dev);
    ExportMetadata metadata;
    metadata.programName = "lumenfold";
    metadata.programVersion = LUMENFOLD_VERSION;
    metadata.hasTimestamp = true;
    metadata.timestamp = std::time(nullptr);
    std::string path;
    std::string error;
    if (!TreeSaver::save(tree, how, metadata, "", metadata.timestamp, path, error)) {
        state.setStatus("No tree saved: " + error);
        return;
    }
    state.setStatus("Tree saved as " + absoluteFolder(path));
}

void ExploreApplication::updateCaption()
{
    const char* home = std::getenv("HOME");
    std::string wanted = FolderCaption::of(state.shownPath(), home != nullptr ? home : "");
    if (gImport != nullptr)
        wanted += " \u2014 " + gImport->file();
    if (wanted == caption)
        return;
    caption = std::move(wanted);
    WindowTitle::set(caption, "Lumenfold");
}

void ExploreApplication::resize(int w, int h)
{
    // The start mode's depth, so the GL context and the display lists stay.
    gScreenSurface = SDL_SetVideoMode(w, h, 32, videoFlags);
    if (gScreenSurface == nullptr) {
        std::fprintf(stderr, "Could not get a surface after resize: %s\n", SDL_GetError());
        Application::quit(1);
    }
    // A new mode may have put SDL's own spelling of the title back.
    WindowTitle::set(caption, "Lumenfold");
    viewResized(w, h);
}

void ExploreApplication::viewResized(int w, int h)
{
    Application::resizeWindow(w, h);
    state.setViewSize(w, h);
    scene->setViewSize(w, h, state.entryCount());
    state.requestRedraw();
}

void ExploreApplication::drawFrame()
{
    frameStarted = now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pickSelection();
    Application::drawAxes();
    views->shown().drawView(state, frameStarted);
    scene->drawOverlays(state);
    if (!pendingPicture.empty())
        savePicture();
    SDL_GL_SwapBuffers();
    state.drawn();
    countFrame();
    if (firstFrame) {
        firstFrame = false;
        scene->prepareMipmaps(state);
    }
}

void ExploreApplication::askForPicture()
{
    PictureSaver::Places places;
    places.home = std::getenv("HOME");
    places.configHome = std::getenv("XDG_CONFIG_HOME");
    std::string error;
    if (!PictureSaver::reserve(PictureSaver::folder(places), std::time(nullptr), pendingPicture, error)) {
        pendingPicture.clear();
        state.setStatus("No picture saved: " + error);
        return;
    }
    // The next frame is the picture, status line and all: it names the file already.
    state.setStatus("Picture saved as " + pendingPicture);
    state.requestRedraw();
}

void ExploreApplication::savePicture()
{
    const RgbImage picture = WindowPicture::readBackBuffer(state.viewWidth(), state.viewHeight());
    std::string error;
    if (!PictureSaver::save(picture, pendingPicture, error))
        state.setStatus("No picture saved: " + error);
    pendingPicture.clear();
}

void ExploreApplication::pace()
{
    if (options.frameCap <= 0)
        return;
    const double due = frameStarted + 1.0 / options.frameCap;
    SDL_Event event;
    while (running && now() < due) {
        // Events are taken as they come, so a key counts from when it changed.
        while (EventSource::poll(event))
            handleEvent(event);
        SDL_Delay(1);
    }
}

void ExploreApplication::countFrame()
{
    ++frames;
    const std::uint32_t ticks = SDL_GetTicks();
    const std::int32_t elapsed = static_cast<std::int32_t>(ticks - lastReport);
    if (elapsed < kFrameRateInterval)
        return;
    if (options.verbose) {
        std::fputs(formatFrameRate(frames, elapsed).c_str(), stdout);
        std::fflush(stdout);
    }
    lastReport = ticks;
    frames = 0;
}
