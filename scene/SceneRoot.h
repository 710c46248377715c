#pragma once

#include "scene/FsNode.h"

// The folder the scene shows, absolute and ending with '/'; fixed when the
// program is built.
extern const char kSceneRoot[];

// The node for kSceneRoot, scanned on the first call of instance().
class SceneRoot : public FsNode {
public:
    // Needs a current GL context the first time: the scan loads the symbol models.
    static SceneRoot* instance();

    // Draws the root's direct children in one row; the root's own icon is not shown.
    void draw();

private:
    SceneRoot();
};
