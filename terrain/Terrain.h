#pragma once
#include <GL/glew.h>

#include <vector>

#include "framework/VectorMath.h"
#include "terrain/TerrainChunk.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainMode.h"

class TerrainShader;

// What a draw takes from the running game.
struct TerrainFrame {
    float3 chaseEye;   // the nearest chunk is recycled once this eye has passed it
    bool playing;      // the terrain program's uniforms are set only during play
    float waterLevel;  // the sea level, where the beach colouring starts
};

// The endless strip: three chunks one behind the other, nearest (highest z) first. The chunk
// the chase camera has passed is dropped and a new one generated at the far end. A draw sends
// only the tiles inside the current view volume, the distant ones with fewer rows where that
// moves the picture by two pixels at most. Rows slide into place as the distance changes, in
// the vertex buffers, so the height query's top-down pass sees the surface the view last drew.
class Terrain {
public:
    Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ, const TerrainTextures& textures);
    ~Terrain();
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    float3& getPosition() { return position; }
    void draw(bool useShader, bool withFog, int mode, const TerrainFrame& frame);
    // Only the cells around the (x, z) pairs of points, untextured and in the current program:
    // a top-down pass that is read at those points alone needs nothing else. Recycles as draw.
    void drawAround(const std::vector<float>& points, const TerrainFrame& frame);
    void addChunk();

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
    void dropPassedChunk(const float3& chaseEye);

    TerrainShader* shader;
    TerrainMesh mesh;
    GLuint indexBuffer;
    GLuint cellIndexBuffer;  // rewritten by every drawAround
    GLuint texCoordBuffer;
    std::vector<IndexRange> runs;  // reused by every draw
    std::vector<BandDetail> details;
    std::vector<uint16_t> cellIndices;
    int lastIndexCount;
    float3 position;
    std::vector<TerrainChunk*> chunks;
    int chunkSizeX;
    int chunkSizeZ;
    int verticesX;
    int verticesZ;
    TerrainTextures textures;
};
