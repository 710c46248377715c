#include "scene/SceneRoot.h"

#include "support/ProgressListener.h"

#include <utility>

namespace {

std::string& shownFolder()
{
    static std::string folder = kSceneRoot;
    return folder;
}

ProgressListener* scanListener = nullptr;
ScanOptions scanOptions;

} // namespace

SceneRoot::SceneRoot() : FsNode("", 0, shownFolder(), scanOptions, scanListener)
{
    // The base constructor has scanned the whole tree.
    if (scanListener != nullptr)
        scanListener->finished();
}

void SceneRoot::setFolder(std::string folderPath)
{
    shownFolder() = std::move(folderPath);
}

void SceneRoot::setProgressListener(ProgressListener* listener)
{
    scanListener = listener;
}

void SceneRoot::setOneFileSystem(bool on)
{
    scanOptions.oneFileSystem = on;
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
