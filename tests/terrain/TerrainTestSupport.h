#pragma once
#include <GL/glew.h>

#include "core/Game.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "terrain/Terrain.h"

namespace terraintest {

// The services the terrain code reaches through the Game: logger and texture loader.
inline Game& game() {
    Game& g = Game::instance();
    if (!g.getConfig().logger) g.getConfig().logger = new Logger();
    if (!g.getConfig().textureLoader) g.getConfig().textureLoader = new TextureLoader();
    return g;
}

// Position FBO, textures and the two query programs, created once per test program.
inline Game& gameWithHeightQuery() {
    Game& g = game();
    if (!g.positionFBO) g.createHeightQueryTargets();
    return g;
}

// The cameras as a new game sets them.
inline void placeCamerasAtStart() {
    Game& g = Game::instance();
    g.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    g.getTopDownCamera().set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
}

// Height of the terrain's own mesh triangles under world (x, z), read from the vertex data
// that was uploaded. False where no chunk's mesh covers the point.
inline bool meshHeightAt(Terrain& terrain, float x, float z, float* height) {
    const float3 origin = terrain.getPosition();
    for (TerrainChunk* chunk : terrain.getChunks()) {
        const int vx = chunk->getVerticesX();
        const int vz = chunk->getVerticesZ();
        const double cellX = chunk->getSizeX() / (vx - 1.0);
        const double cellZ = chunk->getSizeZ() / (vz - 1.0);
        const double lx = x - origin.x - chunk->getPosition().x;
        const double lz = z - origin.z - chunk->getPosition().z;
        if (lz < 0 || lz > chunk->getSizeZ()) continue;
        int i = static_cast<int>(lx / cellX);
        int j = static_cast<int>(lz / cellZ);
        if (j > vz - 2) j = vz - 2;
        if (lx < 0 || i < 1 || i > vx - 3) continue;
        const double fx = lx / cellX - i;
        const double fz = lz / cellZ - j;
        // Cell (i, j) is mesh vertices [base, base + 6): (i,j) (i,j+1) (i+1,j+1) (i+1,j+1) (i+1,j) (i,j).
        const size_t base = (static_cast<size_t>(j) * (vx - 3) + (i - 1)) * 6;
        const std::vector<float3>& mesh = chunk->getMeshPositions();
        const double h00 = mesh[base].y, h01 = mesh[base + 1].y, h11 = mesh[base + 2].y, h10 = mesh[base + 4].y;
        if (fx <= fz)
            *height = static_cast<float>(h00 + (h01 - h00) * fz + (h11 - h01) * fx);
        else
            *height = static_cast<float>(h00 + (h10 - h00) * fx + (h11 - h10) * fz);
        return true;
    }
    return false;
}

}  // namespace terraintest
