#include <GL/glew.h>
#include <GL/glu.h>

#include "objects/Camera.h"

void Camera::apply() const {
    gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
}
