#include "objects/Camera.h"

Camera::Camera() : eye{0, 0, 0}, center{0, 0, 0}, up{0, 0, 0} {}

void Camera::set(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                 float upX, float upY, float upZ) {
    eye = float3{eyeX, eyeY, eyeZ};
    center = float3{centerX, centerY, centerZ};
    up = float3{upX, upY, upZ};
}

void Camera::moveEye(float dx, float dy, float dz) {
    eye.x += dx;
    eye.y += dy;
    eye.z += dz;
}

void Camera::moveCenter(float dx, float dy, float dz) {
    center.x += dx;
    center.y += dy;
    center.z += dz;
}
