#include "terrain/HeightGrid.h"

#include <cmath>

namespace {

float3 sub(const float3& a, const float3& b) { return float3{a.x - b.x, a.y - b.y, a.z - b.z}; }

float3 cross(const float3& a, const float3& b) {
    return float3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void accumulate(float3& sum, const float3& v) {
    sum.x += v.x;
    sum.y += v.y;
    sum.z += v.z;
}

// On a height field the summed products always point upwards, so the length is never zero;
// the guard only keeps a degenerate grid from producing NaNs.
float3 normalised(const float3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) return v;
    return float3{v.x / length, v.y / length, v.z / length};
}

}  // namespace

HeightGrid::HeightGrid(int sizeX, int sizeZ, int verticesX, int verticesZ)
    : sizeX(sizeX), sizeZ(sizeZ), verticesX(verticesX), verticesZ(verticesZ) {
    const size_t gridSize = static_cast<size_t>(verticesX) * verticesZ;
    gridNormals.assign(gridSize, float3{0, 0, 0});
    gridVertices.resize(gridSize);
    for (int j = 0; j < verticesZ; ++j) {
        for (int i = 0; i < verticesX; ++i) {
            gridVertices[index(i, j)] = float3{static_cast<float>(i * sizeX / (verticesX - 1.0)), 0.0f,
                                               static_cast<float>(j * sizeZ / (verticesZ - 1.0))};
        }
    }
}

void HeightGrid::setHeightIfUnset(int i, int j, float height) {
    float3& v = gridVertices[index(i, j)];
    if (v.y == 0.0f) v.y = height;
}

void HeightGrid::copySeamFrom(const HeightGrid& neighbour) {
    for (int i = 0; i < verticesX; ++i) {
        setHeightIfUnset(i, verticesZ - 1, neighbour.getVertex(i, 0).y);
        setNormal(i, verticesZ - 1, neighbour.getNormal(i, 0));
    }
}

void HeightGrid::computeNormals() {
    // Row 0: only the three triangles towards row 1 exist inside this chunk.
    for (int i = 1; i <= verticesX - 2; ++i) {
        const float3 p = getVertex(i, 0);
        const float3 left = sub(getVertex(i - 1, 0), p);
        const float3 leftUp = sub(getVertex(i - 1, 1), p);
        const float3 up = sub(getVertex(i, 1), p);
        const float3 right = sub(getVertex(i + 1, 0), p);
        float3 sum{0, 0, 0};
        accumulate(sum, cross(left, leftUp));
        accumulate(sum, cross(leftUp, up));
        accumulate(sum, cross(up, right));
        setNormal(i, 0, normalised(sum));
    }
    for (int i = 1; i <= verticesX - 2; ++i) {
        for (int j = 1; j <= verticesZ - 2; ++j) {
            const float3 p = getVertex(i, j);
            const float3 a = sub(getVertex(i, j - 1), p);
            const float3 b = sub(getVertex(i - 1, j), p);
            const float3 c = sub(getVertex(i - 1, j + 1), p);
            const float3 d = sub(getVertex(i, j + 1), p);
            const float3 e = sub(getVertex(i + 1, j), p);
            const float3 f = sub(getVertex(i + 1, j - 1), p);
            float3 sum{0, 0, 0};
            accumulate(sum, cross(a, b));
            accumulate(sum, cross(b, c));
            accumulate(sum, cross(c, d));
            accumulate(sum, cross(d, e));
            accumulate(sum, cross(e, f));
            accumulate(sum, cross(f, a));
            setNormal(i, j, normalised(sum));
        }
    }
    // Columns 0 and verticesX - 1 keep zero normals; the last row keeps the copied seam.
}
