#pragma once
#include <vector>

#include "framework/VectorMath.h"
#include "terrain/TerrainChunk.h"
#include "terrain/TerrainMode.h"

class TerrainShader;

// What a draw takes from the running game.
struct TerrainFrame {
    float3 chaseEye;   // the nearest chunk is recycled once this eye has passed it
    bool playing;      // the terrain program's uniforms are set only during play
    float waterLevel;  // the sea level, where the beach colouring starts
};

// The endless strip: three chunks one behind the other, nearest (highest z) first. The chunk
// the chase camera has passed is dropped and a new one generated at the far end.
class Terrain {
public:
    Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ, const TerrainTextures& textures);
    ~Terrain();
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    float3& getPosition() { return position; }
    void draw(bool useShader, bool withFog, int mode, const TerrainFrame& frame);
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
    TerrainTextures textures;
};
