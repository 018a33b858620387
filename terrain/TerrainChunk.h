#pragma once
#include <GL/glew.h>

#include <vector>

#include "framework/VectorMath.h"
#include "terrain/TerrainMode.h"

class Texture;

// Texture coordinate pair of one mesh vertex.
struct TexCoord2 {
    float s, t;
};

// One rectangular piece of the terrain strip: a grid of heights with smoothed normals, and
// the triangle mesh built from it in three static vertex buffers.
class TerrainChunk {
public:
    TerrainChunk(int sizeX, int sizeZ, int verticesX, int verticesZ);
    ~TerrainChunk();
    TerrainChunk(const TerrainChunk&) = delete;
    TerrainChunk& operator=(const TerrainChunk&) = delete;

    // Grid access; (i, j) is column (x) and row (z), stored at j * verticesX + i.
    float3 getVertex(int i, int j) const { return gridVertices[index(i, j)]; }
    void setVertex(int i, int j, const float3& v) { gridVertices[index(i, j)] = v; }
    float3 getNormal(int i, int j) const { return gridNormals[index(i, j)]; }
    void setNormal(int i, int j, const float3& n) { gridNormals[index(i, j)] = n; }
    // A height of exactly 0.0 counts as unset: seams copied from the neighbour survive.
    void setHeightIfUnset(int i, int j, float height);

    void computeNormals();
    void buildBuffers();
    void draw(int mode);

    float3& getPosition() { return position; }

    int getVertexCount() const { return vertexCount; }
    int getVerticesX() const { return verticesX; }
    int getVerticesZ() const { return verticesZ; }
    int getSizeX() const { return sizeX; }
    int getSizeZ() const { return sizeZ; }
    const std::vector<float3>& getMeshPositions() const { return meshPositions; }
    const std::vector<float3>& getMeshNormals() const { return meshNormals; }
    const std::vector<TexCoord2>& getMeshTexCoords() const { return meshTexCoords; }
    GLuint getPositionBuffer() const { return positionBuffer; }
    GLuint getNormalBuffer() const { return normalBuffer; }
    GLuint getTexCoordBuffer() const { return texCoordBuffer; }
    Texture* getBeachTexture() const { return beachTexture; }
    Texture* getWinterTexture() const { return winterTexture; }
    Texture* getDesertTexture() const { return desertTexture; }
    // The 3D texture a mode draws with (null for Untextured or when the file was missing).
    Texture* textureFor(int mode) const;

private:
    int index(int i, int j) const { return j * verticesX + i; }

    float3 position;
    GLuint positionBuffer;
    GLuint normalBuffer;
    GLuint texCoordBuffer;
    int vertexCount;
    std::vector<float3> gridVertices;
    std::vector<float3> gridNormals;
    std::vector<float3> meshPositions;
    std::vector<float3> meshNormals;
    std::vector<TexCoord2> meshTexCoords;
    int sizeX;
    int sizeZ;
    int verticesX;
    int verticesZ;
    Texture* beachTexture;
    Texture* winterTexture;
    Texture* desertTexture;
};
