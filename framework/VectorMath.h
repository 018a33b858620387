#pragma once

// Three floats: positions, velocities, rotations in degrees, normals and colours.
struct float3 {
    float x, y, z;
};

inline float3 make_float3(float x, float y, float z) { return float3{x, y, z}; }

// Quaternion, w first.
struct quaternion {
    float w, x, y, z;
};

void crossProduct(const float3& a, const float3& b, float3& out);
float vectorLength(const float3& v);
float3 normalizeVector(float3& v);  // changes v and returns it; no guard for length 0
float distance(float x1, float y1, float z1, float x2, float y2, float z2);
quaternion conjugate(const quaternion& q);
float absolute(float v);
float3 difference(const float3& a, const float3& b);
float dotProduct(float ax, float ay, float az, float bx, float by, float bz);
float angleBetween(const float3& a, const float3& b);
quaternion quaternionFromAxisAngle(const float3& axis, float degrees);
void quaternionToMatrix(const quaternion& q, float matrix[16]);

// The corners of the cube of half-side r around a point in eye space, in clip coordinates under
// a column-major projection matrix.
void cubeInClip(const float eye[3], float r, const float projection[16], float clip[8][4]);
// Whether a box, given by its corners in clip coordinates, may reach a picture of width x height
// pixels widened by marginPixels on every side: false when all its corners lie beyond one side
// of the view (the near and far planes included), so a box reaching behind the eye needs no
// special case.
bool boxMayShow(const float clip[8][4], int width, int height, float marginPixels);
