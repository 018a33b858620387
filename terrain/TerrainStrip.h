#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/VectorMath.h"
#include "terrain/HeightGrid.h"

class Random;

// One piece of the strip: its finished height grid (never changed once made, so the renderer
// may keep it while it uploads and draws it), where it lies along the flight, and a serial
// number that tells the renderer which of its uploads it is: unique in the process, so the
// chunks of a new flight are never taken for an earlier flight's.
struct StripChunk {
    std::shared_ptr<const HeightGrid> grid;
    float z = 0.0f;  // offset of its row 0 inside the strip
    uint32_t serial = 0;
};

// The ground of a flight: three chunks one behind the other, nearest (highest z) first. Once
// the chase camera has passed the nearest chunk's first row, that chunk is dropped and a new
// one generated at the far end, its last row copied from the chunk it joins. This is the CPU
// side only; the renderer uploads what it finds here.
class TerrainStrip {
public:
    static constexpr int kChunkSizeX = 50;
    static constexpr int kChunkSizeZ = 20;
    static constexpr int kVertices = 128;

    // A new strip of three chunks, its relief drawn from random.
    void reset(Random& random);
    // Drops the passed chunk and adds one at the far end; true when it did.
    bool recycle(float chaseEyeZ, Random& random);

    const std::vector<StripChunk>& getChunks() const { return chunks; }
    // The ground's height (world y) under each (x, z) pair of points, on the triangles the
    // renderer draws with every row; a point off the strip answers for the nearest point of its
    // edge. The surface the distance draws with fewer rows strays from this by two pixels at most.
    void heightsAt(const std::vector<float>& points, std::vector<float>& heights) const;
    // The strip's own offset: it centres the 50-unit-wide chunks on x = 0.
    float3 getPosition() const { return float3{-kChunkSizeX / 2.0f, 0.0f, 0.0f}; }

private:
    void addChunk(Random& random);

    std::vector<StripChunk> chunks;
};
