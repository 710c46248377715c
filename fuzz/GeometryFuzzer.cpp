// Feeds raw floats to the 3x3 solver, the wall test and a guarded move.
// Any float is legal input there, so beyond the sanitizers the checks below
// are the promises the callers rely on.
#include "geometry/Camera.h"
#include "geometry/LinearSystem3.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kFloatCount = 12 + 15 + 1;

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBits(Vector3 a, Vector3 b)
{
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Missing floats are zero, so short inputs still reach every call.
    float f[kFloatCount] = {};
    std::memcpy(f, data, size < sizeof f ? size : sizeof f);

    const LinearSystem3 system(Vector3(f[0], f[1], f[2]), Vector3(f[3], f[4], f[5]), Vector3(f[6], f[7], f[8]),
                               Vector3(f[9], f[10], f[11]));
    if (!system.solvable)
        check(system.solution.x == 0.0f && system.solution.y == 0.0f && system.solution.z == 0.0f);

    const Vector3 lookDirection(f[12], f[13], f[14]);
    const Vector3 point(f[15], f[16], f[17]);
    const Wall wall(Vector3(f[18], f[19], f[20]), Vector3(f[21], f[22], f[23]), Vector3(f[24], f[25], f[26]),
                    Vector3(1.0f, 1.0f, 1.0f), 1.0f);

    Camera camera(point, lookDirection, Vector3(0.0f, 1.0f, 0.0f));
    const float distance = camera.wallDistance(point, wall);
    check(distance == -1.0f || distance >= 0.0f || std::isnan(distance));

    // A move either stands or leaves the position exactly where it was.
    const float step = f[27];
    const Vector3 moved = point + lookDirection.normalized() * step;
    camera.setWalls({{0, &wall}});
    camera.moveForward(step);
    check(sameBits(camera.position, point) || sameBits(camera.position, moved));
    return 0;
}
