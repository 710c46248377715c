#include "app/ExploreApplication.h"

#include "app/Application.h"
#include "app/EventSource.h"
#include "app/EventWait.h"
#include "app/FrameRate.h"
#include "explore/DefaultOpener.h"
#include "explore/FolderCaption.h"
#include "scene/SceneRoot.h"
#include "text/Utf8Encoder.h"

#include <GL/gl.h>
#include <unistd.h>

#include <clocale>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

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
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "Video initialization failed: %s\n", SDL_GetError());
        Application::quit(1);
    }
    const SDL_VideoInfo* videoInfo = SDL_GetVideoInfo();
    if (videoInfo == nullptr) {
        std::fprintf(stderr, "Video query failed: %s\n", SDL_GetError());
        Application::quit(1);
    }
    videoFlags = Application::videoFlagsFor(*videoInfo);

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Frames in step with the display where the driver offers it.
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    SDL_WM_SetCaption("Lumenfold", "Lumenfold");
    const int width = state.viewWidth();
    const int height = state.viewHeight();
    gScreenSurface = SDL_SetVideoMode(width, height, 32, videoFlags);
    if (gScreenSurface == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        Application::quit(1);
    }

    // The scan loads the symbol models, which needs the GL context and must
    // come before the GL state is set up, as in the plain view.
    SceneRoot* root = SceneRoot::instance();
    if (!Application::initGL()) {
        std::fprintf(stderr, "Could not initialize OpenGL.\n");
        Application::quit(1);
    }
    Application::resizeWindow(width, height);
    state.setRowShape(RowView::shapeOfLoadedSymbols());
    layout = RowView::layoutOfLoadedSymbols();
    state.setContentsLookup([](FsNode& entry) { return entry.contentsNode(); });
    state.show(root, absoluteFolder(root->path()));
    updateCaption();
    eventLoop();
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
        if (idle && EventWait::next(event))
            handleEvent(event);
        while (EventSource::poll(event))
            handleEvent(event);

        state.advanceTo(now());
        updateCaption();
        if (visible && state.needsRedraw()) {
            drawFrame();
            pace();
        }
    }
    Application::quit(0);
}

void ExploreApplication::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_ACTIVEEVENT:
        handleActivity(event.active);
        break;
    case SDL_KEYDOWN:
        handleKey(event.key.keysym, true);
        break;
    case SDL_KEYUP:
        handleKey(event.key.keysym, false);
        break;
    case SDL_MOUSEMOTION:
        state.pointerAt(event.motion.x, event.motion.y);
        if ((event.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0)
            state.drag(event.motion.xrel, event.motion.yrel);
        break;
    case SDL_MOUSEBUTTONDOWN:
        handleClick(event.button);
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
        state.releaseAll(now());
        state.setLookBack(false);
    }
    if ((activity.state & SDL_APPACTIVE) != 0) {
        visible = activity.gain != 0;
        state.requestRedraw();
    }
    if ((activity.state & SDL_APPMOUSEFOCUS) != 0 && activity.gain == 0)
        state.pointerLeft();
}

void ExploreApplication::handleKey(const SDL_keysym& keysym, bool down)
{
    if (down && (handleFindKey(keysym) || handleNavigationKey(keysym)))
        return;
    const double time = now();
    switch (keysym.sym) {
    case SDLK_ESCAPE:
        if (down)
            Application::quit(0);
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

bool ExploreApplication::handleNavigationKey(const SDL_keysym& keysym)
{
    const bool alt = (keysym.mod & KMOD_ALT) != 0;
    const bool control = (keysym.mod & KMOD_CTRL) != 0;
    switch (keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        pickSelection();
        if (state.selected() != ExploreState::kNoSelection)
            state.enter(state.selected());
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
        if (!alt)
            return false;
        state.goTop();
        return true;
    case SDLK_SLASH:
    case SDLK_KP_DIVIDE:
        state.openFind();
        return true;
    case SDLK_s:
        state.cycleOrder();
        return true;
    case SDLK_h:
        if (!control)
            return false;
        state.toggleDotNames();
        return true;
    case SDLK_o:
        openSelected();
        return true;
    default:
        return false;
    }
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
    if (state.selected() != ExploreState::kNoSelection)
        state.enter(state.selected());
}

void ExploreApplication::pickSelection()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    state.camera().applyView();
    double clipFromScene[16];
    RowView::readClipFromScene(clipFromScene);
    int viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    state.pickSelection(clipFromScene, viewport, layout);
}

void ExploreApplication::openSelected()
{
    pickSelection();
    const FsNode* entry = state.selectedEntry();
    if (entry == nullptr) {
        state.setStatus("Nothing selected to open");
        return;
    }
    const std::string problem = DefaultOpener::open(state.selectedPath());
    state.setStatus(problem.empty() ? "Opening " + entry->name : "Cannot open " + entry->name + ": " + problem);
}

void ExploreApplication::updateCaption()
{
    const char* home = std::getenv("HOME");
    std::string wanted = FolderCaption::of(state.shownPath(), home != nullptr ? home : "");
    if (wanted == caption)
        return;
    caption = std::move(wanted);
    // SDL hands the caption to X through the C library's character set, which
    // in the default "C" locale cannot hold the dash or any name beyond ASCII:
    // it is set under a UTF-8 character set, then the one before comes back.
    const char* before = setlocale(LC_CTYPE, nullptr);
    const std::string restore = before != nullptr ? before : "C";
    const bool unicode = setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    SDL_WM_SetCaption(caption.c_str(), "Lumenfold");
    if (unicode)
        setlocale(LC_CTYPE, restore.c_str());
}

void ExploreApplication::resize(int w, int h)
{
    // The start mode's depth, so the GL context and the display lists stay.
    gScreenSurface = SDL_SetVideoMode(w, h, 32, videoFlags);
    if (gScreenSurface == nullptr) {
        std::fprintf(stderr, "Could not get a surface after resize: %s\n", SDL_GetError());
        Application::quit(1);
    }
    Application::resizeWindow(w, h);
    state.setViewSize(w, h);
}

void ExploreApplication::drawFrame()
{
    frameStarted = now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    pickSelection();
    Application::drawAxes();
    row.draw(state);
    // Overlays in window pixels (the status band) come after the scene.
    SDL_GL_SwapBuffers();
    state.drawn();
    countFrame();
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
