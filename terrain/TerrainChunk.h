#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/VectorMath.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainMode.h"

class Texture;

// The three 3D textures the textured modes draw with, shared by all chunks (the owner, the
// game's resource cache, keeps them for the run). A null handle binds texture name 0.
struct TerrainTextures {
    Texture* beach = nullptr;   // "3dterrain4RGB.dds"
    Texture* winter = nullptr;  // "3dTexWinter.dds"
    Texture* desert = nullptr;  // "3dTexDesert.dds"
};

// The drawing side of one piece of the terrain strip: the strip's height grid (shared, never
// changed) with its vertices and normals in two static vertex buffers. The triangles, their
// texture coordinates and their index buffer are the terrain's, shared by every chunk.
class TerrainChunk {
public:
    TerrainChunk(std::shared_ptr<const HeightGrid> grid, float z, uint32_t serial, const TerrainTextures& textures);
    ~TerrainChunk();
    TerrainChunk(const TerrainChunk&) = delete;
    TerrainChunk& operator=(const TerrainChunk&) = delete;

    const HeightGrid& getGrid() const { return *grid; }
    uint32_t getSerial() const { return serial; }
    // Sends the grid to the vertex buffers and measures its tiles for the mesh.
    void upload(const TerrainMesh& mesh);
    // Draws the given runs of the shared index buffer (bound by the caller) with this chunk's
    // vertices; texCoordBuffer holds the shared texture coordinates.
    void draw(int mode, GLuint texCoordBuffer, const std::vector<IndexRange>& runs);
    // Moves the bands' rows in the vertex buffers as the details say (see morphBand); bands
    // whose detail is what the buffers already hold are not sent again.
    void applyDetails(const TerrainMesh& mesh, const std::vector<BandDetail>& details);

    const float3& getPosition() const { return position; }
    const ChunkBounds& getBounds() const { return bounds; }

    int getVertexCount() const { return vertexCount; }  // vertices uploaded
    GLuint getPositionBuffer() const { return positionBuffer; }
    GLuint getNormalBuffer() const { return normalBuffer; }
    // The 3D texture a mode draws with (null for Untextured or when the file was missing).
    Texture* textureFor(int mode) const;

private:
    float3 position;
    GLuint positionBuffer;
    GLuint normalBuffer;
    int vertexCount;
    std::shared_ptr<const HeightGrid> grid;
    uint32_t serial;
    ChunkBounds bounds;
    std::vector<BandDetail> applied;  // per band, what the vertex buffers hold
    std::vector<float3> bandVertices, bandNormals;
    TerrainTextures textures;
    // Reused by every draw: the run starts and lengths in the form glMultiDrawElements takes.
    std::vector<GLsizei> counts;
    std::vector<const GLvoid*> offsets;
};
