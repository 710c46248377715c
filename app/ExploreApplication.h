#pragma once

#include "explore/ExploreScene.h"
#include "explore/ExploreState.h"
#include "explore/map/MapScene.h"
#include "explore/map/MapSwitch.h"
#include "text/FontLoader.h"
#include "text/FontSet.h"

#include <SDL/SDL.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// What the command line asked of the explore view.
struct ExploreOptions {
    // Model loading and frame-rate lines on the console.
    bool verbose = false;
    // The font to draw names with; empty for the default font.
    std::string fontFile;
    // At most this many frames per second while the picture moves; 0 leaves
    // the pace to the display's synchronisation.
    int frameCap = 0;
    // The folder to show (ending with '/'), and whether its scan keeps to
    // the folder's file system.
    std::string folder;
    bool oneFileSystem = false;
    // The status line's and the key help's text this many times its size;
    // 0 for the display's density (Xft.dpi / 96).
    double textScale = 0.0;
    // An export file to show instead of scanning ("-": standard input).
    std::string importFile;
    // Starts with the map rather than the row.
    bool map = false;
};

// The explore view's program: opens the window as the plain view does,
// starts the scan on a worker thread, loads the symbols, and as soon as the
// top folder is listed runs its own event loop, which turns SDL events into
// calls on the ExploreState and draws a frame only when the state says the
// picture is out of date. With nothing moving it sleeps in the event wait,
// waking ten times a second while the scan or a refresh runs to show its
// progress, and when live updates changed the tree.
// Like Application, the constructor runs the program and never returns; every
// normal end goes through quit(), a failure through Application::quit().
class ExploreApplication {
public:
    explicit ExploreApplication(ExploreOptions options);
    ExploreApplication(const ExploreApplication&) = delete;
    ExploreApplication& operator=(const ExploreApplication&) = delete;

private:
    // Starts the scan beside the window, stopped on every way out.
    void startScan();
    // Loads both symbols: the row draws each entry by its type.
    static void loadSymbols();
    // Waits, answering a request to quit, until the top folder is listed.
    void waitForTopFolder();
    // The per-frame hook: the state catches up with the scan.
    // After the import ended: its fault on standard error, its source in the status line.
    void importRead();
    void followScan();
    [[noreturn]] void eventLoop();
    // Ends the process with `code` at once, the scan's worker with it.
    [[noreturn]] static void quit(int code);
    void handleEvent(const SDL_Event& event);
    void handleActivity(const SDL_ActiveEvent& activity);
    // A key pressed or released at `time` on the clock of now().
    void handleKey(const SDL_keysym& keysym, bool down, double time);
    // The map's own keys while it shows, and m; true when the key was one of those.
    bool handleMapKey(const SDL_keysym& keysym, bool down, double time);
    // Going into folders, back, find, open, order: true when the key was one of those.
    bool handleNavigationKey(const SDL_keysym& keysym);
    // `?` and `h` show the key help; while it shows, any key hides it. True when it took the key.
    bool handleHelpKey(const SDL_keysym& keysym);
    // While the find field is open, keys go to it; true when it took the key.
    bool handleFindKey(const SDL_keysym& keysym);
    void handleClick(const SDL_MouseButtonEvent& button);
    // Brings the selection up to date with the pointer and the view (GL's matrices).
    void pickSelection();
    // Enter with nothing selected: the entry nearest the middle of the view.
    void selectNearestCentre();
    void openSelected();
    // F5 and Ctrl+R: the shown folder's subtree scanned again (not for an import).
    void refresh();
    // Ctrl+S: the tree shown, saved as an export file the status line names.
    void saveTree();
    // The caption names the shown folder; set when it changes.
    void updateCaption();
    void resize(int w, int h);
    // The GL viewport, the state, the names' raster size and the band follow the window's size.
    void viewResized(int w, int h);
    // Opens the font the helper thread has been loading and sets up the scene.
    void openScene();
    // Xft.dpi / 96 from the X server's resources, or 1.
    static double displayTextScale();
    void drawFrame();
    // F12: names a new file for the window's picture, which the next frame
    // shows in the status line and savePicture() writes as a PNG.
    void askForPicture();
    // The frame drawn in the back buffer into the file asked for.
    void savePicture();
    // With a frame cap, waits out the rest of the frame's time, taking events meanwhile.
    void pace();
    void countFrame();
    // Seconds since the application started, the clock the state moves by.
    double now() const;
    // When the key event SDL hands over next of this kind happened, on that
    // clock; now() when the display does not say.
    double keyTime(bool pressed) const;

    ExploreOptions options;
    // Opening the font overlaps the window's opening and the scan.
    FontLoader fontLoader;
    ExploreState state;
    std::unique_ptr<FontSet> fonts;
    std::unique_ptr<ExploreScene> scene;
    std::unique_ptr<MapScene> mapScene;
    // The row or the map: the view the keys and the pointer act in.
    std::unique_ptr<MapSwitch> views;
    // The left button is held down while the pointer moves.
    bool dragging = false;
    bool firstFrame = true;
    std::string caption;
    // The last left button press, to tell a double click.
    std::uint32_t lastClickTicks = 0;
    int lastClickX = -100;
    int lastClickY = -100;
    std::uint32_t videoFlags = 0;
    bool running = true;
    // False while the window is iconified: nothing is drawn.
    bool visible = true;
    std::chrono::steady_clock::time_point started;
    double frameStarted = 0.0;
    int frames = 0;
    std::uint32_t lastReport = 0;
    bool scanReported = false;
    // 1 once the scan stopped for want of memory: the tree shown is not whole.
    int exitCode = 0;
    // The file the next frame is saved in, or empty.
    std::string pendingPicture;
};
