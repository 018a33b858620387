#include "terrain/TerrainStrip.h"

#include "terrain/HeightGenerator.h"
#include "terrain/TerrainMesh.h"

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

void TerrainStrip::heightsAt(const std::vector<float>& points, std::vector<float>& heights) const {
    heights.assign(points.size() / 2, 0.0f);
    if (chunks.empty()) return;
    const float3 at = getPosition();
    for (size_t k = 0; k < heights.size(); ++k) {
        const float x = points[2 * k] - at.x, z = points[2 * k + 1] - at.z;
        // Nearest first: the first chunk whose row 0 is not ahead of the point holds it (a seam
        // row is the same in both chunks); past the far end, the far chunk's edge.
        const StripChunk* on = &chunks.back();
        for (const StripChunk& c : chunks)
            if (z >= c.z) {
                on = &c;
                break;
            }
        heights[k] = at.y + surfaceHeight(*on->grid, x, z - on->z);
    }
}
