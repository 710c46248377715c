#include "app/Application.h"
#include "geometry/Camera.h"
#include "scene/FsNode.h"
#include "scene/IconRow.h"
#include "scene/RowLayout.h"
#include "tests/gl/TestSymbols.h"

#include <SDL/SDL.h>
#include <GL/gl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Far enough for the view down the row from slot 50,000 to reach the far plane.
constexpr std::size_t kSlots = 51000;

float slotX(int slot)
{
    return RowLayout::standard().slotX(slot);
}

struct Pose {
    const char* name;
    Vector3 position;
    float turnLeft; // Camera::turnLeft argument: half the angle
    float pitch;
    bool lookBack;
    int width;
    int height;
};

struct Picture {
    std::vector<unsigned char> colour;
    std::vector<float> depth;
};

// A root of kSlots children read from a scanned folder holding one folder and
// one file, repeated in memory: real shipped symbols of both types with depth.
FsNode* longRow()
{
    static FsNode* root = [] {
        gltest::provideSymbols();
        std::string pattern = (fs::temp_directory_path() / "lumenfold-row-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return static_cast<FsNode*>(nullptr);
        fs::create_directory(pattern + "/a folder");
        std::ofstream(pattern + "/a file") << "text";
        const fs::path previous = fs::current_path();
        testing::internal::CaptureStdout();
        FsNode* scanned = new FsNode("", 0, pattern + "/");
        testing::internal::GetCapturedStdout();
        fs::current_path(previous);
        fs::remove_all(pattern);
        if (scanned->children.size() != 2)
            return static_cast<FsNode*>(nullptr);
        FsNode* folder = scanned->children[0];
        FsNode* file = scanned->children[1];
        if (folder->type != FsNodeType::Folder)
            std::swap(folder, file);
        scanned->children.clear();
        // Mostly files, every fifth a folder.
        for (std::size_t i = 0; i < kSlots; ++i)
            scanned->children.push_back(i % 5 == 0 ? folder : file);
        return scanned;
    }();
    return root;
}

// One frame as the viewer draws it, read back from the back buffer.
Picture draw(FsNode* root, const Camera& camera, int width, int height)
{
    Application::resizeWindow(width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.applyView();
    Application::drawAxes();
    root->drawChildren();
    glFinish();

    Picture picture;
    picture.colour.resize(static_cast<std::size_t>(width) * height * 4);
    picture.depth.resize(static_cast<std::size_t>(width) * height);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.colour.data());
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, picture.depth.data());
    return picture;
}

std::size_t litPixels(const Picture& picture)
{
    std::size_t lit = 0;
    for (std::size_t i = 0; i < picture.colour.size(); i += 4)
        lit += picture.colour[i] != 0 || picture.colour[i + 1] != 0 || picture.colour[i + 2] != 0;
    return lit;
}

} // namespace

TEST(IconRow, LeavingOutSlotsThatCannotShowKeepsEveryPixel)
{
    FsNode* root = longRow();
    ASSERT_NE(root, nullptr);
    // The fixed state and lights as the viewer sets them after loading the scene.
    Application::initGL();

    const float start = 30.0f;
    const Pose poses[] = {
        {"start view", {0, 1, start}, 0, 0, false, 800, 600},
        {"walked into the row", {6.0f, 1, 1.3f}, 0, 0, false, 800, 600},
        {"turned left at the origin", {0, 1, 0}, 45, 0, false, 800, 600},
        {"turned right at the origin, down the row", {0, 1, 0}, -45, 0, false, 800, 600},
        {"looking back", {0, 1, start}, 0, 0, true, 800, 600},
        {"pitched up", {0, 1, start}, 0, 12, false, 800, 600},
        {"pitched down", {4, 1, 6}, 0, -30, false, 800, 600},
        {"pitched down inside the row", {2, 1.4f, 1.1f}, -40, -50, false, 800, 600},
        {"far along the row at slot 50,000", {slotX(50000), 1, start}, 0, 0, false, 800, 600},
        {"down the row from slot 50,000", {slotX(50000), 1, 0.5f}, -45, 0, false, 800, 600},
        {"down the row to its end", {slotX(50900), 1, 0.5f}, -45, 0, false, 800, 600},
        {"behind the origin looking away", {-10, 1, 1}, 45, 0, false, 800, 600},
        {"behind the origin looking along the row", {-10, 1, 1.5f}, -45, 0, false, 800, 600},
        {"320 x 200 window", {0, 1, start}, 0, 0, false, 320, 200},
        {"1600 x 400 window", {0, 1, start}, 0, 0, false, 1600, 400},
        {"1600 x 400 window, turned", {20, 1, 12}, -20, 0, false, 1600, 400},
        // The row about as far away as the far plane (1,000) and nearly
        // parallel to it, where GL's rounding of the clip values decides.
        {"far plane, 1,001.05 out, turned 0.5 degrees", {400, 1, 1001.05f}, 0.25f, 0, false, 800, 600},
        {"far plane, 1,001.1 out, straight", {400, 1, 1001.1f}, 0, 0, false, 800, 600},
        {"far plane, 1,001.45 out, turned 0.5 degrees", {400, 1, 1001.45f}, 0.25f, 0, false, 800, 600},
        {"far plane, 1,001.9 out, turned 0.5 degrees", {400, 1, 1001.9f}, 0.25f, 0, false, 800, 600},
        {"far plane, 1,002 out, turned 1 degree the other way", {700, 1, 1002}, -0.5f, 0, false, 800, 600},
        {"far plane, 1,002.7 out, turned 0.5 degrees", {400, 1, 1002.7f}, 0.25f, 0, false, 800, 600},
        {"far plane, 1,005 out, turned 2 degrees", {500, 1, 1005}, 1, 0, false, 800, 600},
        {"far plane, 1,010 out, straight", {600, 1, 1010}, 0, 0, false, 800, 600},
        {"far plane, 1,010 out, turned 2 degrees", {600, 1, 1010}, -1, 0, false, 800, 600},
    };
    for (const Pose& pose : poses) {
        const bool resized = pose.width != 800 || pose.height != 600;
        if (resized) {
            ASSERT_NE(SDL_SetVideoMode(pose.width, pose.height, 32, SDL_OPENGL | SDL_RESIZABLE), nullptr) << pose.name;
        }
        Camera camera(pose.position, Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f));
        camera.turnLeft(pose.turnLeft);
        camera.pitch(pose.pitch);
        camera.setLookBack(pose.lookBack);

        IconRow::setCulling(true);
        const Picture culled = draw(root, camera, pose.width, pose.height);
        IconRow::setCulling(false);
        const Picture everything = draw(root, camera, pose.width, pose.height);
        IconRow::setCulling(true);

        std::size_t differing = 0;
        for (std::size_t i = 0; i < culled.depth.size(); ++i)
            differing += culled.depth[i] != everything.depth[i] || culled.colour[4 * i] != everything.colour[4 * i]
                || culled.colour[4 * i + 1] != everything.colour[4 * i + 1]
                || culled.colour[4 * i + 2] != everything.colour[4 * i + 2];
        EXPECT_EQ(differing, 0u) << pose.name << ": " << litPixels(everything) << " pixels lit";

        if (resized) {
            ASSERT_NE(SDL_SetVideoMode(800, 600, 32, SDL_OPENGL | SDL_RESIZABLE), nullptr);
        }
    }
}
