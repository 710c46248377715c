#pragma once

#include "geometry/Camera.h"
#include "tree/EntryTree.h"

#include <cstddef>
#include <optional>

// Where the camera stands in one view of the shown folder (the row, the map):
// to see it whole, and to face one of its entries. The navigation asks the
// view that shows for these poses, so Home, Tab, find and coming back out
// work alike in every view.
class ViewFraming {
public:
    virtual ~ViewFraming() = default;

    // The whole of `folder`, of `count` entries in view, in a window of
    // aspect ratio width / height: where a folder is shown from, and Home.
    virtual Camera home(EntryId folder, std::size_t count, double aspect) = 0;
    // In front of `entry`, which stands in `slot` of `folder`'s entries in
    // view, or (slot out of range) anywhere below `folder`.
    virtual Camera facing(EntryId folder, std::size_t slot, EntryId entry, double aspect) = 0;
    // Going from showing `from` to showing `to` (one below the other): the
    // pose in `to`'s view that shows what `pose` showed in `from`'s, for the
    // camera to fly from; empty when the view cuts instead.
    virtual std::optional<Camera> carried(EntryId from, EntryId to, const Camera& pose)
    {
        (void)from;
        (void)to;
        (void)pose;
        return std::nullopt;
    }
    // Whether find looks at the names anywhere below the shown folder rather
    // than only at its own entries.
    virtual bool findsBelow() const { return false; }
};
