#pragma once
#include <GL/glew.h>

#include "framework/VectorMath.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainMode.h"

class Texture;

// The three 3D textures the textured modes draw with, shared by all chunks (the owner, the
// game's resource cache, keeps them for the run). A null handle binds texture name 0.
struct TerrainTextures {
    Texture* beach = nullptr;   // "3dterrain4RGB.dds"
    Texture* winter = nullptr;  // "3dTexWinter.dds"
    Texture* desert = nullptr;  // "3dTexDesert.dds"
};

// One rectangular piece of the terrain strip: its height grid, and the grid's mesh in three
// static vertex buffers once uploaded.
class TerrainChunk {
public:
    TerrainChunk(int sizeX, int sizeZ, int verticesX, int verticesZ, const TerrainTextures& textures);
    ~TerrainChunk();
    TerrainChunk(const TerrainChunk&) = delete;
    TerrainChunk& operator=(const TerrainChunk&) = delete;

    HeightGrid& getGrid() { return grid; }
    const HeightGrid& getGrid() const { return grid; }
    // Sends the grid's built mesh to the vertex buffers; what draw then draws.
    void upload();
    void draw(int mode);

    float3& getPosition() { return position; }

    int getVertexCount() const { return vertexCount; }  // vertices uploaded
    GLuint getPositionBuffer() const { return positionBuffer; }
    GLuint getNormalBuffer() const { return normalBuffer; }
    GLuint getTexCoordBuffer() const { return texCoordBuffer; }
    // The 3D texture a mode draws with (null for Untextured or when the file was missing).
    Texture* textureFor(int mode) const;

private:
    float3 position;
    GLuint positionBuffer;
    GLuint normalBuffer;
    GLuint texCoordBuffer;
    int vertexCount;
    HeightGrid grid;
    TerrainTextures textures;
};
