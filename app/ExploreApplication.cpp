#include "app/ExploreApplication.h"

#include "app/Application.h"
#include "app/EventSource.h"
#include "app/EventWait.h"
#include "app/FrameRate.h"
#include "scene/SceneRoot.h"

#include <GL/gl.h>

#include <cstdio>
#include <utility>

ExploreApplication::ExploreApplication(ExploreOptions chosen)
    : options(std::move(chosen)), started(std::chrono::steady_clock::now())
{
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
    state.show(root);
    eventLoop();
}

double ExploreApplication::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

void ExploreApplication::eventLoop()
{
    EventSource::beginLoop();
    SDL_Event event;
    while (running) {
        // Nothing to draw until something happens: sleep in the wait.
        const bool idle = !visible || (!state.isMoving() && !state.needsRedraw());
        if (idle && EventWait::next(event))
            handleEvent(event);
        while (EventSource::poll(event))
            handleEvent(event);

        state.advanceTo(now());
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
    glLoadIdentity();
    state.camera().applyView();
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
