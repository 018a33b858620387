#pragma once
#include <vector>

#include "framework/VectorMath.h"

// Texture coordinate pair of one mesh vertex.
struct TexCoord2 {
    float s, t;
};

// One chunk's grid of heights with smoothed normals. Everything here is plain CPU work, so the
// terrain's shape can be made and checked without a GL context; a TerrainChunk uploads the grid
// as it is and draws it through the triangles of a TerrainMesh.
class HeightGrid {
public:
    HeightGrid(int sizeX, int sizeZ, int verticesX, int verticesZ);

    // Grid access; (i, j) is column (x) and row (z), stored at j * verticesX + i.
    float3 getVertex(int i, int j) const { return gridVertices[index(i, j)]; }
    void setVertex(int i, int j, const float3& v) { gridVertices[index(i, j)] = v; }
    float3 getNormal(int i, int j) const { return gridNormals[index(i, j)]; }
    void setNormal(int i, int j, const float3& n) { gridNormals[index(i, j)] = n; }
    // A height of exactly 0.0 counts as unset: seams copied from the neighbour survive.
    void setHeightIfUnset(int i, int j, float height);

    // The last row lies on row 0 of the chunk this one is placed behind: take its heights and
    // normals so the surface and its shading stay continuous across the seam.
    void copySeamFrom(const HeightGrid& neighbour);
    void computeNormals();

    int getVerticesX() const { return verticesX; }
    int getVerticesZ() const { return verticesZ; }
    int getSizeX() const { return sizeX; }
    int getSizeZ() const { return sizeZ; }
    // Every vertex and normal, row by row: what the vertex buffers hold.
    const std::vector<float3>& getVertices() const { return gridVertices; }
    const std::vector<float3>& getNormals() const { return gridNormals; }

private:
    int index(int i, int j) const { return j * verticesX + i; }

    int sizeX;
    int sizeZ;
    int verticesX;
    int verticesZ;
    std::vector<float3> gridVertices;
    std::vector<float3> gridNormals;
};
