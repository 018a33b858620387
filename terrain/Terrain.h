#pragma once
#include <vector>

#include "framework/VectorMath.h"
#include "terrain/TerrainChunk.h"
#include "terrain/TerrainMode.h"

class TerrainShader;

// The endless strip: three chunks one behind the other, nearest (highest z) first. The chunk
// the chase camera has passed is dropped and a new one generated at the far end.
class Terrain {
public:
    Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ);
    ~Terrain();
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    float3& getPosition() { return position; }
    void draw(bool useShader, bool withFog, int mode);
    void addChunk();

    const std::vector<TerrainChunk*>& getChunks() const { return chunks; }
    TerrainShader* getShader() const { return shader; }
    int getChunkSizeX() const { return chunkSizeX; }
    int getChunkSizeZ() const { return chunkSizeZ; }
    int getVerticesX() const { return verticesX; }
    int getVerticesZ() const { return verticesZ; }

private:
    TerrainShader* shader;
    float3 position;
    std::vector<TerrainChunk*> chunks;
    int chunkSizeX;
    int chunkSizeZ;
    int verticesX;
    int verticesZ;
};
