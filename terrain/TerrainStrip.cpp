#include "terrain/TerrainStrip.h"

#include "terrain/HeightGenerator.h"

void TerrainStrip::reset(Random& random) {
    chunks.clear();
    for (int i = 0; i < 3; ++i) addChunk(random);
}

void TerrainStrip::addChunk(Random& random) {
    auto grid = std::make_shared<HeightGrid>(kChunkSizeX, kChunkSizeZ, kVertices, kVertices);
    const StripChunk* last = chunks.empty() ? nullptr : &chunks.back();
    generateChunkGrid(*grid, last ? last->grid.get() : nullptr, random);
    StripChunk chunk;
    // The new chunk's last row lies on the far chunk's first row.
    chunk.z = last ? last->z - kChunkSizeZ : 0.0f;
    chunk.grid = std::move(grid);
    static uint32_t lastSerial = 0;
    chunk.serial = ++lastSerial;
    chunks.push_back(std::move(chunk));
}

bool TerrainStrip::recycle(float chaseEyeZ, Random& random) {
    if (chunks.empty() || !(chunks.front().z + getPosition().z > chaseEyeZ)) return false;
    chunks.erase(chunks.begin());
    addChunk(random);
    return true;
}
