#pragma once

class Camera;
class ExploreState;
class FsNode;
class TreeSource;

// One frame as the viewer draws it: clear, the camera's view, the axes, the
// scene, buffer swap. Needs the bench window's GL context with the viewer's
// state set. Waits until GL has drawn it, so its cost lands in the caller's
// timing rather than in the next frame's.
class ViewerFrame {
public:
    // The root's row seen from the start pose.
    static void draw(FsNode& root);
    // The explore view's first frame of a tree its source is filling: waits
    // until the top folder has entries to show (listed, or read so far),
    // shows them in `state` and draws the row. The source goes on.
    static void firstExploreFrame(TreeSource& source, ExploreState& state);
    // `drawScene` in place of the scene, seen from `camera`.
    template <typename DrawScene>
    static void draw(DrawScene drawScene, const Camera& camera)
    {
        begin(camera);
        drawScene();
        end();
    }

private:
    static void begin(const Camera& camera);
    static void end();
};
