#include "scene/SceneRoot.h"

SceneRoot::SceneRoot() : FsNode("", 0, kSceneRoot)
{
}

SceneRoot* SceneRoot::instance()
{
    static SceneRoot root;
    return &root;
}

void SceneRoot::draw()
{
    drawChildren();
}
