// The one GL call of the camera, kept apart so the camera arithmetic links without GL.
#include "geometry/Camera.h"

#include <GL/glu.h>

void Camera::applyView() const
{
    const Vector3 centre = viewCentre();
    gluLookAt(position.x, position.y, position.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
}
