// The camera's wall test: where a horizontal ray along the view direction meets a wall.
#include "geometry/Camera.h"
#include "geometry/LinearSystem3.h"

float Camera::wallDistance(Vector3 point, const Wall& wall) const
{
    const Vector3 ahead(lookDirection.x, 0.0f, lookDirection.z);

    const LinearSystem3 toPlane(ahead, wall.edgeA, wall.edgeB, wall.origin - point);
    if (!toPlane.solvable)
        return -1.0f;

    const Vector3 hit = (wall.origin - wall.edgeA * toPlane.solution.y) - wall.edgeB * toPlane.solution.z;

    const Vector3 zero;
    const LinearSystem3 onWall(wall.edgeA, wall.edgeB, zero, hit - wall.origin);
    const LinearSystem3 alongRay(ahead, zero, zero, hit - point);

    if (!alongRay.solvable)
        return -1.0f;
    const Vector3 t = alongRay.solution;
    if (!(t.x >= 0.0f) || !(t.y >= 0.0f) || !(t.z >= 0.0f))
        return -1.0f; // behind the point, or not a number

    if (!onWall.solvable)
        return -1.0f;

    const float distance = (hit - point).length();

    const Vector3 uv = onWall.solution;
    if (uv.x < 0.0f || uv.y < 0.0f || uv.z < 0.0f)
        return -1.0f;
    if (uv.x > 1.0f || uv.y > 1.0f || uv.z > 1.0f)
        return -1.0f;
    return distance;
}
