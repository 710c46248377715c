#include "app/Application.h"

#include "app/EventSource.h"
#include "app/FrameRate.h"
#include "geometry/Camera.h"
#include "scene/SceneRoot.h"
#include "scene/WorkerPriority.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

SDL_Surface* gScreenSurface = nullptr;
int gFrames = 0;
int gLastReport = 0;

namespace {

constexpr std::uint32_t kBaseVideoFlags = SDL_OPENGL | SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_RESIZABLE | SDL_HWPALETTE;
// How often an inactive window looks for events, as SDL_WaitEvent does.
constexpr std::uint32_t kWaitStepMs = 10;

} // namespace

Application::Application()
{
    width = 800;
    height = 600;
    running = true;
    active = 1;

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "Video initialization failed: %s\n", SDL_GetError());
        quit(1);
    }
    // Events that come while the window opens are kept, as during the scan.
    EventSource::beginStartup();

    videoInfo = SDL_GetVideoInfo();
    if (videoInfo == nullptr) {
        std::fprintf(stderr, "Video query failed: %s\n", SDL_GetError());
        quit(1);
    }

    videoFlags = videoFlagsFor(*videoInfo);

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_WM_SetCaption("Lumenfold", "Lumenfold");

    // A failure here is reported only after the camera exists (below).
    gScreenSurface = SDL_SetVideoMode(width, height, 32, videoFlags);

    moveFlags = 0;
    moveSpeed = 0.1f;

    // Scans the tree and loads the symbol models, which needs the GL context
    // made above and must come before the GL state is set up.
    sceneRoot = SceneRoot::instance();

    camera = new Camera(Camera::atStart());

    if (gScreenSurface == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        quit(1);
    }

    if (!initGL()) {
        std::fprintf(stderr, "Could not initialize OpenGL.\n");
        quit(1);
    }

    resizeWindow(width, height);
    eventLoop();
}

std::uint32_t Application::videoFlagsFor(const SDL_VideoInfo& info)
{
    return info.blit_hw ? kBaseVideoFlags | SDL_HWACCEL : kBaseVideoFlags;
}

void Application::quit(int code)
{
    WorkerPriority::raiseThreadsBelowWorkers();
    SDL_Quit();
    std::exit(code);
}

void Application::eventLoop()
{
    EventSource::beginLoop();
    while (running) {
        // While the window is inactive nothing is drawn, so a pass would have
        // nothing to do until something happens: sleep until the next event.
        if (active == 0) {
            waitForEvent();
            handleEvent();
        }
        while (nextEvent())
            handleEvent();

        // Steps are per pass, and an inactive pass is no frame: the camera
        // holds still until the window is active again, and a drag made
        // meanwhile is dropped.
        if (active != 0) {
            applyPointerStep();
            applyMovementStep();
        } else {
            prevMouseX = mouseX;
            prevMouseY = mouseY;
        }
        camera->setLookBack((moveFlags & kLookBack) != 0);

        if (active != 0)
            drawFrame();
    }
    quit(0);
}

bool Application::nextEvent()
{
    return EventSource::poll(event);
}

void Application::waitForEvent()
{
    while (!nextEvent())
        SDL_Delay(kWaitStepMs);
}

void Application::handleEvent()
{
    switch (event.type) {
    case SDL_ACTIVEEVENT:
        // Any loss of focus or visibility stops drawing; any gain resumes it.
        active = event.active.gain != 0 ? 1 : 0;
        break;
    case SDL_KEYDOWN:
        handleKeyDown(event.key.keysym);
        break;
    case SDL_KEYUP:
        handleKeyUp(event.key.keysym);
        break;
    case SDL_MOUSEMOTION:
        if ((event.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0) {
            mouseX += event.motion.xrel;
            mouseY += event.motion.yrel;
        }
        break;
    case SDL_QUIT:
        running = false; // the pass still completes
        break;
    case SDL_VIDEORESIZE:
        // The start mode's depth: asking for another one makes sdl12-compat replace
        // the window and its GL context, and the symbols' display lists with it.
        gScreenSurface = SDL_SetVideoMode(event.resize.w, event.resize.h, 32, videoFlags);
        if (gScreenSurface == nullptr) {
            std::fprintf(stderr, "Could not get a surface after resize: %s\n", SDL_GetError());
            quit(1);
        }
        resizeWindow(event.resize.w, event.resize.h);
        break;
    default:
        break;
    }
}

void Application::applyPointerStep()
{
    const float dx = static_cast<float>(prevMouseX - mouseX);
    const float dy = static_cast<float>(prevMouseY - mouseY);
    if (dx != 0.0f)
        camera->turnLeft(dx * mouseSensitivity);
    if (dy != 0.0f)
        camera->pitch(dy * mouseSensitivity);
    prevMouseX = mouseX;
    prevMouseY = mouseY;
}

void Application::applyMovementStep()
{
    const float step = 5.0f * moveSpeed;
    if ((moveFlags & kTurnLeft) != 0)
        camera->turnLeft(step);
    if ((moveFlags & kTurnRight) != 0)
        camera->turnRight(step);
    if ((moveFlags & kMoveForward) != 0)
        camera->moveForward(step);
    if ((moveFlags & kMoveBackward) != 0)
        camera->moveBackward(step);
}

void Application::handleKeyDown(const SDL_keysym& keysym)
{
    switch (keysym.sym) {
    case SDLK_ESCAPE:
        quit(0);
    case SDLK_F1:
        SDL_WM_ToggleFullScreen(gScreenSurface);
        break;
    case SDLK_UP:
        moveFlags |= kMoveForward;
        break;
    case SDLK_DOWN:
        moveFlags |= kMoveBackward;
        break;
    case SDLK_RIGHT:
        moveFlags |= kTurnRight;
        break;
    case SDLK_LEFT:
        moveFlags |= kTurnLeft;
        break;
    case SDLK_b:
        moveFlags |= kLookBack;
        break;
    default:
        break;
    }
}

void Application::handleKeyUp(const SDL_keysym& keysym)
{
    // Releases toggle rather than clear: a release without a press sets the flag.
    switch (keysym.sym) {
    case SDLK_UP:
        moveFlags ^= kMoveForward;
        break;
    case SDLK_DOWN:
        moveFlags ^= kMoveBackward;
        break;
    case SDLK_RIGHT:
        moveFlags ^= kTurnRight;
        break;
    case SDLK_LEFT:
        moveFlags ^= kTurnLeft;
        break;
    case SDLK_b:
        moveFlags ^= kLookBack;
        break;
    default:
        break;
    }
}

bool Application::initGL()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    setupLights();
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    return true;
}

void Application::setupLights()
{
    // Set before the first identity is loaded, so the positions are taken under
    // whatever model-view matrix the scene loading left current.
    const GLfloat modelAmbient[] = {0.8f, 0.8f, 0.8f, 0.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
    const GLfloat shininess[] = {0.5f};
    glMaterialfv(GL_FRONT, GL_SHININESS, shininess);

    // Far to the viewer's left and above.
    const GLfloat ambient0[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position0[] = {-200.0f, 50.0f, 0.0f, 0.1f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    glEnable(GL_LIGHT0);

    // A narrow spot from above.
    const GLfloat position2[] = {-5.0f, 25.0f, 0.0f, 1.0f};
    const GLfloat direction2[] = {5.0f, -25.0f, 0.0f};
    glLightfv(GL_LIGHT2, GL_POSITION, position2);
    glLightfv(GL_LIGHT2, GL_SPOT_DIRECTION, direction2);
    glLightf(GL_LIGHT2, GL_SPOT_CUTOFF, 5.0f);
    glLightf(GL_LIGHT2, GL_SPOT_EXPONENT, 5.0f);
    glLightfv(GL_LIGHT2, GL_AMBIENT, white);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT2, GL_SPECULAR, white);
    glEnable(GL_LIGHT2);

    glEnable(GL_LIGHTING);
}

bool Application::resizeWindow(int w, int h)
{
    // A zero height would make the aspect ratio infinite; treat it as one pixel.
    const int safeHeight = h == 0 ? 1 : h;
    const float aspect = static_cast<float>(w) / static_cast<float>(safeHeight);

    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, aspect, 0.1f, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

void Application::drawAxes()
{
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT, GL_AMBIENT, white);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);

    // The three reference axes through the origin.
    glPushMatrix();
    glBegin(GL_LINES);
    glVertex3f(-100.0f, 0.0f, 0.0f);
    glVertex3f(100.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 100.0f, 0.0f);
    glVertex3f(0.0f, -100.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 100.0f);
    glVertex3f(0.0f, 0.0f, -100.0f);
    glEnd();
    glPopMatrix();
}

bool Application::drawFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera->applyView();

    drawAxes();

    sceneRoot->draw();

    SDL_GL_SwapBuffers();

    ++gFrames;
    const std::uint32_t now = SDL_GetTicks();
    const std::int32_t elapsed = static_cast<std::int32_t>(now - static_cast<std::uint32_t>(gLastReport));
    if (elapsed >= kFrameRateInterval) {
        std::fputs(formatFrameRate(gFrames, elapsed).c_str(), stdout);
        std::fflush(stdout);
        gLastReport = static_cast<int>(now);
        gFrames = 0;
    }
    return true;
}
