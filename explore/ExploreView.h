#pragma once

#include "explore/ViewFraming.h"
#include "tree/EntryTree.h"

#include <vector>

class ExploreState;

// One way of showing the shown folder (the row, the map): the navigation in
// ExploreState is shared, and the view supplies the camera's poses, what is
// under the pointer, and the picture of the folder with its names and the
// selection's frame. The application draws through whichever view shows.
class ExploreView {
public:
    virtual ~ExploreView() = default;

    // Where the camera stands in this view.
    virtual ViewFraming& framing() = 0;
    // Draws the shown folder under the current GL matrices at `now`
    // seconds: the entries, their names, the selected one framed.
    virtual void drawView(const ExploreState& state, double now) = 0;
    // Selects, when the state asks for a pick, the entry under the pointer
    // through the current GL matrices, or with the pointer outside the window
    // or `centre` (a drag) the one nearest the middle of the view.
    virtual void pick(ExploreState& state, bool centre) = 0;
    // With nothing selected, Enter selects the entry nearest the middle and
    // turns to it.
    virtual void selectNearestCentre(ExploreState& state, double now) = 0;
    // The folders whose entries the last picture drew.
    virtual std::vector<EntryId> foldersOnScreen() const = 0;
};
