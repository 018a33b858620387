#pragma once
#include <GL/glew.h>

#include <vector>

#include "framework/VectorMath.h"
#include "terrain/TerrainChunk.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainMode.h"

class TerrainShader;
class TerrainStrip;

// What a draw takes from the running game.
struct TerrainFrame {
    bool playing;      // the terrain program's uniforms are set only during play
    float waterLevel;  // the sea level, where the beach colouring starts
};

// The drawing side of the endless strip: the strip's chunks (made by the flight's rules) in
// vertex buffers, nearest first. A draw sends only the tiles inside the current view volume,
// the distant ones with fewer rows where that moves the picture by two pixels at most. Rows
// slide into place as the distance changes, in the vertex buffers.
class Terrain {
public:
    Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ, const TerrainTextures& textures);
    ~Terrain();
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    // Uploads the strip's new chunks and lets go of those it dropped; nothing when they match.
    void sync(const TerrainStrip& strip);
    const float3& getPosition() const { return position; }
    void draw(bool useShader, bool withFog, int mode, const TerrainFrame& frame);

    const std::vector<TerrainChunk*>& getChunks() const { return chunks; }
    const TerrainMesh& getMesh() const { return mesh; }
    GLuint getIndexBuffer() const { return indexBuffer; }
    // Indices the last draw sent, over all chunks (what the view test and the rows left).
    int getLastIndexCount() const { return lastIndexCount; }
    TerrainShader* getShader() const { return shader; }
    int getChunkSizeX() const { return chunkSizeX; }
    int getChunkSizeZ() const { return chunkSizeZ; }
    int getVerticesX() const { return verticesX; }
    int getVerticesZ() const { return verticesZ; }

private:
    TerrainView viewOf() const;

    TerrainShader* shader;
    TerrainMesh mesh;
    GLuint indexBuffer;
    GLuint texCoordBuffer;
    std::vector<IndexRange> runs;  // reused by every draw
    std::vector<BandDetail> details;
    int lastIndexCount;
    float3 position;
    std::vector<TerrainChunk*> chunks;
    int chunkSizeX;
    int chunkSizeZ;
    int verticesX;
    int verticesZ;
    TerrainTextures textures;
};
