#pragma once

class FsNode;

// One frame as the viewer draws it at its start view: clear, the camera's
// view, the axes, the root's children, buffer swap.
class ViewerFrame {
public:
    // Needs the bench window's GL context with the viewer's state set. Waits
    // until GL has drawn it, so its cost lands in the caller's timing.
    static void draw(FsNode& root);
};
