#pragma once

#include "scene/FsNode.h"

#include <string>

class ProgressListener;

// The folder the scene shows, absolute and ending with '/'; fixed when the
// program is built.
extern const char kSceneRoot[];

// The node for kSceneRoot, scanned on the first call of instance().
class SceneRoot : public FsNode {
public:
    // Needs a current GL context the first time: the scan loads the symbol models.
    static SceneRoot* instance();

    // Before the first instance(): the folder to show instead of kSceneRoot
    // (absolute, or relative to the working folder; ending with '/').
    static void setFolder(std::string folderPath);
    // Before the first instance(): told of the scan's progress, and when it is
    // over; may be null.
    static void setProgressListener(ProgressListener* listener);
    // Before the first instance(): keep the scan to the folder's file system.
    static void setOneFileSystem(bool on);

    // Draws the root's direct children in one row; the root's own icon is not shown.
    void draw();

private:
    SceneRoot();
};
