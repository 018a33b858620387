#pragma once
#include "framework/VectorMath.h"

// A look-at camera: eye, centre and up.
class Camera {
public:
    Camera();
    void set(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
             float upX, float upY, float upZ);
    void apply() const;  // gluLookAt with the nine values (drawing side, CameraView.cpp)
    float3 getEye() const { return eye; }
    float3 getCenter() const { return center; }
    float3 getUp() const { return up; }
    void setEye(float x, float y, float z) { eye = float3{x, y, z}; }
    void setCenter(float x, float y, float z) { center = float3{x, y, z}; }
    void moveEye(float dx, float dy, float dz);
    void moveCenter(float dx, float dy, float dz);

private:
    float3 eye;
    float3 center;
    float3 up;
};
