#include "framework/VectorMath.h"

#include <algorithm>
#include <cmath>

void crossProduct(const float3& a, const float3& b, float3& out) {
    // Through temporaries, so out may alias a or b.
    const float x = a.y * b.z - a.z * b.y;
    const float y = a.z * b.x - a.x * b.z;
    const float z = a.x * b.y - a.y * b.x;
    out.x = x;
    out.y = y;
    out.z = z;
}

float vectorLength(const float3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

float3 normalizeVector(float3& v) {
    const float length = vectorLength(v);
    v.x /= length;
    v.y /= length;
    v.z /= length;
    return v;
}

float distance(float x1, float y1, float z1, float x2, float y2, float z2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    const float dz = z2 - z1;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

quaternion conjugate(const quaternion& q) { return quaternion{q.w, -q.x, -q.y, -q.z}; }

float absolute(float v) { return v < 0.0f ? -v : v; }

float3 difference(const float3& a, const float3& b) { return float3{a.x - b.x, a.y - b.y, a.z - b.z}; }

float dotProduct(float ax, float ay, float az, float bx, float by, float bz) {
    return ax * bx + ay * by + az * bz;
}

float angleBetween(const float3& a, const float3& b) {
    const float angle =
        std::acos(dotProduct(a.x, a.y, a.z, b.x, b.y, b.z) / (vectorLength(a) * vectorLength(b)));
    return std::isnan(angle) ? 0.0f : angle;
}

quaternion quaternionFromAxisAngle(const float3& axis, float degrees) {
    const double halfAngle = degrees / 180.0 * 3.141592653589793 / 2.0;
    const float s = static_cast<float>(std::sin(halfAngle));
    return quaternion{static_cast<float>(std::cos(halfAngle)), axis.x * s, axis.y * s, axis.z * s};
}

void quaternionToMatrix(const quaternion& q, float m[16]) {
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    // Column-major, as glMultMatrixf takes it.
    m[0] = 1.0f - 2.0f * (y * y + z * z);
    m[1] = 2.0f * (x * y + w * z);
    m[2] = 2.0f * (x * z - w * y);
    m[3] = 0.0f;
    m[4] = 2.0f * (x * y - w * z);
    m[5] = 1.0f - 2.0f * (x * x + z * z);
    m[6] = 2.0f * (y * z + w * x);
    m[7] = 0.0f;
    m[8] = 2.0f * (x * z + w * y);
    m[9] = 2.0f * (y * z - w * x);
    m[10] = 1.0f - 2.0f * (x * x + y * y);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
}

void cubeInClip(const float eye[3], float r, const float projection[16], float clip[8][4]) {
    for (int corner = 0; corner < 8; ++corner) {
        const float e[3] = {eye[0] + (corner & 1 ? r : -r), eye[1] + (corner & 2 ? r : -r), eye[2] + (corner & 4 ? r : -r)};
        for (int i = 0; i < 4; ++i)
            clip[corner][i] = projection[i] * e[0] + projection[4 + i] * e[1] + projection[8 + i] * e[2] + projection[12 + i];
    }
}

bool boxMayShow(const float clip[8][4], int width, int height, float marginPixels) {
    const float wx = 1.0f + 2.0f * marginPixels / std::max(1, width);
    const float wy = 1.0f + 2.0f * marginPixels / std::max(1, height);
    // Each side as weights of x, y, z and w: a corner lies beyond it where the sum is negative.
    const float sides[6][4] = {{1, 0, 0, wx}, {-1, 0, 0, wx}, {0, 1, 0, wy}, {0, -1, 0, wy}, {0, 0, 1, 1}, {0, 0, -1, 1}};
    for (const auto& side : sides) {
        bool allBeyond = true;
        for (int c = 0; c < 8 && allBeyond; ++c)
            allBeyond = side[0] * clip[c][0] + side[1] * clip[c][1] + side[2] * clip[c][2] + side[3] * clip[c][3] < 0;
        if (allBeyond) return false;
    }
    return true;
}
