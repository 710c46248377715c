#include "geometry/Camera.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The square in the plane z = 0 between x = -1 and 1, y = 0 and 2.
Wall unitSquare()
{
    return Wall(Vector3(-1.0f, 0.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f), Vector3(0.0f, 2.0f, 0.0f),
                Vector3(0.5f, 0.5f, 0.5f), 1.0f);
}

Camera cameraLooking(Vector3 direction, Vector3 position = Vector3())
{
    return Camera(position, direction, Vector3(0.0f, 1.0f, 0.0f));
}

const Vector3 kAhead(0.0f, 0.0f, -1.0f);

} // namespace

TEST(WallDistance, StraightAheadIsTheDistanceToTheHit)
{
    const Camera camera = cameraLooking(kAhead);
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 1.0f, 0.5f), unitSquare()), 0.5f);
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 1.0f, 2.0f), unitSquare()), 2.0f);
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 1.0f, 1.0f), unitSquare()), 1.0f);
}

TEST(WallDistance, IgnoresPitchAndLengthOfTheViewDirection)
{
    const Vector3 point(0.0f, 1.0f, 0.5f);
    EXPECT_EQ(cameraLooking(Vector3(0.0f, 0.5f, -1.0f)).wallDistance(point, unitSquare()), 0.5f);
    EXPECT_EQ(cameraLooking(Vector3(0.0f, 0.0f, -4.0f)).wallDistance(point, unitSquare()), 0.5f);
}

TEST(WallDistance, WallBehindThePointIsNoHit)
{
    EXPECT_EQ(cameraLooking(kAhead).wallDistance(Vector3(0.0f, 1.0f, -0.5f), unitSquare()), -1.0f);
    EXPECT_EQ(cameraLooking(Vector3(0.0f, 0.0f, 1.0f)).wallDistance(Vector3(0.0f, 1.0f, 0.5f), unitSquare()), -1.0f);
}

TEST(WallDistance, RayBesideTheWallIsNoHit)
{
    const Camera camera = cameraLooking(kAhead);
    EXPECT_EQ(camera.wallDistance(Vector3(3.0f, 1.0f, 0.5f), unitSquare()), -1.0f); // u = 2
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 3.0f, 0.5f), unitSquare()), -1.0f); // v = 1.5
    EXPECT_EQ(camera.wallDistance(Vector3(-2.0f, 1.0f, 0.5f), unitSquare()), -1.0f); // u = -0.5
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, -1.0f, 0.5f), unitSquare()), -1.0f); // v = -0.5
}

TEST(WallDistance, TheBorderBelongsToTheWall)
{
    const Camera camera = cameraLooking(kAhead);
    EXPECT_EQ(camera.wallDistance(Vector3(1.0f, 1.0f, 0.5f), unitSquare()), 0.5f); // u = 1
    EXPECT_EQ(camera.wallDistance(Vector3(-1.0f, 1.0f, 0.5f), unitSquare()), 0.5f); // u = 0
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 2.0f, 0.5f), unitSquare()), 0.5f); // v = 1
    EXPECT_EQ(camera.wallDistance(Vector3(0.0f, 0.0f, 0.5f), unitSquare()), 0.5f); // v = 0
}

TEST(WallDistance, ObliqueRayMeasuresAlongItsOwnPath)
{
    const Camera camera = cameraLooking(Vector3(-1.0f, 0.0f, -1.0f));
    EXPECT_NEAR(camera.wallDistance(Vector3(0.0f, 1.0f, 0.5f), unitSquare()), 0.7071f, 5e-5f);
}

TEST(WallDistance, RayParallelToTheWallIsNoHit)
{
    EXPECT_EQ(cameraLooking(Vector3(1.0f, 0.0f, 0.0f)).wallDistance(Vector3(0.0f, 1.0f, 0.5f), unitSquare()), -1.0f);
}

TEST(WallDistance, VerticalViewDirectionIsNoHit)
{
    EXPECT_EQ(cameraLooking(Vector3(0.0f, 1.0f, 0.0f)).wallDistance(Vector3(0.0f, 1.0f, 0.5f), unitSquare()), -1.0f);
}

TEST(WallDistance, IgnoresColourAndOpacity)
{
    const Wall plain = unitSquare();
    const Wall tinted(plain.origin, plain.edgeA, plain.edgeB, Vector3(1.0f, 0.0f, 0.0f), 0.25f);
    EXPECT_EQ(tinted.opacity, 0.25f);
    EXPECT_EQ(tinted.colour.x, 1.0f);
    EXPECT_EQ(cameraLooking(kAhead).wallDistance(Vector3(0.0f, 1.0f, 0.5f), tinted), 0.5f);
}

TEST(CameraWalls, MoveEndingHalfAUnitBeforeAWallIsUndone)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 1.0f));
    camera.setWalls({{1, &wall}});
    camera.moveForward(0.5f);
    EXPECT_EQ(camera.position.x, 0.0f);
    EXPECT_EQ(camera.position.y, 1.0f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

TEST(CameraWalls, MoveEndingOneUnitOrMoreBeforeAWallStands)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 3.0f));
    camera.setWalls({{1, &wall}});
    camera.moveForward(1.0f);
    EXPECT_EQ(camera.position.z, 2.0f);
    camera.moveForward(1.0f);
    EXPECT_EQ(camera.position.z, 1.0f);
    camera.moveForward(0.5f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

TEST(CameraWalls, LookingBackDoesNotChangeTheTest)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 1.0f));
    camera.setWalls({{1, &wall}});
    camera.setLookBack(true);
    camera.moveForward(0.5f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

TEST(CameraWalls, WallBehindOrMissedNeverUndoesAMove)
{
    const Wall wall = unitSquare();
    Camera behind = cameraLooking(kAhead, Vector3(0.0f, 1.0f, -0.5f));
    behind.setWalls({{1, &wall}});
    behind.moveForward(0.5f);
    EXPECT_EQ(behind.position.z, -1.0f);

    Camera beside = cameraLooking(kAhead, Vector3(3.0f, 1.0f, 1.5f));
    beside.setWalls({{1, &wall}});
    beside.moveForward(1.0f);
    EXPECT_EQ(beside.position.z, 0.5f);

    Camera above = cameraLooking(kAhead, Vector3(0.0f, 3.0f, 1.5f));
    above.setWalls({{1, &wall}});
    above.moveForward(1.0f);
    EXPECT_EQ(above.position.z, 0.5f);
}

TEST(CameraWalls, BackingIntoAWallBehindTheEyeStands)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, -1.5f));
    camera.setWalls({{1, &wall}});
    camera.moveBackward(1.0f);
    EXPECT_EQ(camera.position.z, -0.5f);
}

TEST(CameraWalls, BackingAwayFromAWallThatIsTooCloseIsUndone)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 0.5f));
    camera.setWalls({{1, &wall}});
    camera.moveBackward(0.25f);
    EXPECT_EQ(camera.position.z, 0.5f);
    // Far enough back in one step, it stands.
    camera.moveBackward(0.5f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

TEST(CameraWalls, AnyOneWallIsEnoughToUndo)
{
    const Wall missed(Vector3(10.0f, 0.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f), Vector3(0.0f, 2.0f, 0.0f), Vector3(),
                      1.0f);
    const Wall ahead = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 1.0f));
    camera.setWalls({{-5, &missed}, {3, &ahead}, {9, &missed}});
    camera.moveForward(0.5f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

TEST(CameraWalls, SetWallsReplacesTheRegistryAndSharesTheRecords)
{
    const Wall first = unitSquare();
    const Wall second = unitSquare();
    Camera camera = cameraLooking(kAhead);
    camera.setWalls({{1, &first}, {2, &first}});
    camera.setWalls({{7, &second}});
    ASSERT_EQ(camera.walls.size(), 1u);
    EXPECT_EQ(camera.walls.at(7), &second);
}

TEST(CameraWalls, SetWallsWithItsOwnRegistryChangesNothing)
{
    const Wall wall = unitSquare();
    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 1.0f));
    camera.setWalls({{4, &wall}, {8, &wall}});
    camera.setWalls(camera.walls);
    ASSERT_EQ(camera.walls.size(), 2u);
    EXPECT_EQ(camera.walls.at(4), &wall);
    EXPECT_EQ(camera.walls.at(8), &wall);
    camera.moveForward(0.5f);
    EXPECT_EQ(camera.position.z, 1.0f);
}

namespace {

// Makes the order in which a move reads its walls visible: every wall lives
// alone on a page that starts out unreadable, the first read of it faults, and
// the handler writes down which wall it was before opening the page.
class WallReadRecorder {
public:
    static constexpr int kMaxWalls = 4;

    explicit WallReadRecorder(int wallCount)
        : count(wallCount), pageSize(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)))
    {
        void* mapped = mmap(nullptr, pageSize * kMaxWalls, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base = mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
    }

    ~WallReadRecorder()
    {
        if (active == this) {
            sigaction(SIGSEGV, &previousAction, nullptr);
            active = nullptr;
        }
        if (base != nullptr)
            munmap(base, pageSize * kMaxWalls);
    }

    WallReadRecorder(const WallReadRecorder&) = delete;
    WallReadRecorder& operator=(const WallReadRecorder&) = delete;

    bool ready() const { return base != nullptr; }

    const Wall* place(int index, const Wall& wall)
    {
        return new (base + pageSize * static_cast<std::size_t>(index)) Wall(wall);
    }

    // From here on, the first read of each wall is recorded.
    void arm()
    {
        active = this;
        struct sigaction action {};
        action.sa_sigaction = &WallReadRecorder::onFault;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, &previousAction);
        mprotect(base, pageSize * static_cast<std::size_t>(count), PROT_NONE);
    }

    int readCount() const { return reads; }
    int readAt(int position) const { return order[position]; }

private:
    static void onFault(int, siginfo_t* info, void*)
    {
        WallReadRecorder* self = active;
        const char* address = static_cast<const char*>(info->si_addr);
        if (self != nullptr && address >= self->base && address < self->base + self->pageSize * self->count) {
            const auto index = static_cast<std::size_t>(address - self->base) / self->pageSize;
            if (self->reads < kMaxWalls)
                self->order[self->reads] = static_cast<int>(index);
            ++self->reads;
            mprotect(self->base + index * self->pageSize, self->pageSize, PROT_READ);
            return;
        }
        // Not ours: let the fault take its normal course on the retry.
        signal(SIGSEGV, SIG_DFL);
    }

    static inline WallReadRecorder* active = nullptr;

    int count;
    std::size_t pageSize;
    char* base = nullptr;
    struct sigaction previousAction {};
    volatile int reads = 0;
    volatile int order[kMaxWalls] = {-1, -1, -1, -1};
};

} // namespace

TEST(CameraWalls, VisitsEveryWallInAscendingKeyOrder)
{
    WallReadRecorder recorder(3);
    ASSERT_TRUE(recorder.ready());
    // Page 0 holds the wall that undoes the move; the others are missed.
    const Wall missed(Vector3(10.0f, 0.0f, 0.0f), Vector3(2.0f, 0.0f, 0.0f), Vector3(0.0f, 2.0f, 0.0f), Vector3(),
                      1.0f);
    const Wall* ahead = recorder.place(0, unitSquare());
    const Wall* missedA = recorder.place(1, missed);
    const Wall* missedB = recorder.place(2, missed);

    Camera camera = cameraLooking(kAhead, Vector3(0.0f, 1.0f, 1.0f));
    WallMap walls;
    walls[40] = missedA;
    walls[-7] = ahead;
    walls[3] = missedB;
    camera.setWalls(walls);

    recorder.arm();
    camera.moveForward(0.5f);

    EXPECT_EQ(camera.position.z, 1.0f);
    // The undoing wall comes first and the loop still goes on to the others.
    ASSERT_EQ(recorder.readCount(), 3);
    EXPECT_EQ(recorder.readAt(0), 0);
    EXPECT_EQ(recorder.readAt(1), 2);
    EXPECT_EQ(recorder.readAt(2), 1);
}
