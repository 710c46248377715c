#include "bench/ViewerFrame.h"

#include "app/Application.h"
#include "bench/BenchWindow.h"
#include "explore/ExploreState.h"
#include "explore/RowView.h"
#include "geometry/Camera.h"
#include "scene/FsNode.h"
#include "tree/TreeSource.h"

#include <SDL/SDL.h>
#include <GL/gl.h>

#include <chrono>
#include <thread>

void ViewerFrame::draw(FsNode& root)
{
    static const Camera start = Camera::atStart();
    draw([&root] { root.drawChildren(); }, start);
}

void ViewerFrame::firstExploreFrame(TreeSource& source, ExploreState& state)
{
    state.setViewSize(BenchWindow::kWidth, BenchWindow::kHeight);
    state.setRowShape(RowView::shapeOfLoadedSymbols());
    const EntryTree& tree = source.tree();
    while (tree.root() == kNoEntry)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    // Asked for as the window asks for the folder it shows.
    while (!tree.isListed(tree.root()) && tree.entriesSoFar(tree.root()).empty()) {
        source.control().requestEntryListing(tree.root());
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    state.setScan(&source.control());
    state.show(&tree, tree.root());
    RowView row;
    draw([&] { row.draw(state); }, state.camera());
}

void ViewerFrame::begin(const Camera& camera)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.applyView();
    Application::drawAxes();
}

void ViewerFrame::end()
{
    SDL_GL_SwapBuffers();
    // The frame counter's clock read.
    volatile Uint32 ticks = SDL_GetTicks();
    (void)ticks;
    // Not in the viewer: the frame's cost lands in its own timing.
    glFinish();
}
