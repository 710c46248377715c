#pragma once

#include <SDL/SDL.h>

#include <cstdint>

class Camera;
class SceneRoot;

// The one top-level object. Its constructor runs the whole program: SDL start-up,
// the window, the scene, GL state, the event loop. It never returns; every end
// goes through quit().
class Application {
public:
    static constexpr std::uint32_t kMoveForward = 0x01;
    static constexpr std::uint32_t kMoveBackward = 0x02;
    static constexpr std::uint32_t kTurnRight = 0x04;
    static constexpr std::uint32_t kTurnLeft = 0x08;
    static constexpr std::uint32_t kLookBack = 0x10;

    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shuts SDL down and exits the process with `code`.
    [[noreturn]] static void quit(int code);

    // The flags for every SDL_SetVideoMode call: a resizable OpenGL window.
    static std::uint32_t videoFlagsFor(const SDL_VideoInfo& info);

    // Fixed render state and lights; always true.
    static bool initGL();
    static void setupLights();
    // Viewport and perspective projection for a w x h drawable; always true.
    static bool resizeWindow(int w, int h);

    // The three white reference axes through the origin, 200 units each, lit
    // with a white material that stays current for the scene drawn after them.
    static void drawAxes();

    [[noreturn]] void eventLoop();
    bool drawFrame();
    void handleKeyDown(const SDL_keysym& keysym);
    void handleKeyUp(const SDL_keysym& keysym);

private:
    // The next event into `event`: those kept during start-up first, then
    // SDL's, then a quit signal as SDL_QUIT; false when there is none.
    bool nextEvent();
    // Sleeps until nextEvent() has one.
    void waitForEvent();
    void handleEvent();
    void applyPointerStep();
    void applyMovementStep();

    int width = 800;
    int height = 600;
    Camera* camera = nullptr;
    SceneRoot* sceneRoot = nullptr;
    std::uint32_t moveFlags = 0;
    float moveSpeed = 0.1f;
    bool running = true;
    std::uint32_t videoFlags = 0;
    SDL_Event event{};
    const SDL_VideoInfo* videoInfo = nullptr;
    int active = 1;

    // Dragging with the left button held turns and tips the view.
    float mouseSensitivity = 0.1f;
    int mouseX = 0;
    int mouseY = 0;
    int prevMouseX = 0;
    int prevMouseY = 0;
};

// The surface of the most recent SDL_SetVideoMode call.
extern SDL_Surface* gScreenSurface;
// Frames drawn since the last frame-rate report, and the SDL time of that report.
extern int gFrames;
extern int gLastReport;
