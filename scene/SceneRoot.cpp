#include "scene/SceneRoot.h"

#include <utility>

namespace {

std::string& shownFolder()
{
    static std::string folder = kSceneRoot;
    return folder;
}

} // namespace

ProgressListener* scanListener = nullptr;

SceneRoot::SceneRoot() : FsNode("", 0, shownFolder())
{
}

void SceneRoot::setFolder(std::string folderPath)
{
    shownFolder() = std::move(folderPath);
}

void SceneRoot::setProgressListener(ProgressListener* listener)
{
    scanListener = listener;
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
