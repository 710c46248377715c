#pragma once

#include "explore/ViewFraming.h"

#include <cstdint>

class MapModel;

// The map's poses: Home sees the shown folder's whole platform from in front
// and above; an entry is faced by framing its place on the map; going into a
// folder or out of it carries the camera between the two maps' scales, so
// the flight starts where the camera was. Find looks below the shown folder.
class MapViewFraming : public ViewFraming {
public:
    // The model the map is drawn from; null frames only Home. Not owned.
    void setModel(MapModel* map) { model = map; }
    // The time the model lays out folders still being counted at.
    void setTime(std::int64_t nowMs) { timeMs = nowMs; }

    Camera home(EntryId folder, std::size_t count, double aspect) override;
    Camera facing(EntryId folder, std::size_t slot, EntryId entry, double aspect) override;
    std::optional<Camera> carried(EntryId from, EntryId to, const Camera& pose) override;
    bool findsBelow() const override { return true; }

private:
    MapModel* model = nullptr;
    std::int64_t timeMs = 0;
};
