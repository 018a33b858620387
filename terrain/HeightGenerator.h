#pragma once
#include <vector>

class HeightGrid;
class Random;

// Recursive midpoint displacement over a chunk's grid; lives only while a chunk is generated.
class HeightGenerator {
public:
    // What one cell of the recursion drew, kept only when `record` is set (tests read it).
    struct CellRecord {
        int x0, y0, x1, y1;
        int level;
        int scale;
        float offsets[4];  // the four edge-midpoint offsets in drawing order
    };

    explicit HeightGenerator(Random& random);

    void generate(HeightGrid& grid, float roughness, float amplitude);
    void subdivide(HeightGrid& grid, int x0, int y0, int x1, int y1, int level, int scale);
    // ((r % 1000) / 1000 - 0.5) * scale, r the next value of the source: within [-0.5, 0.499] * scale.
    float randomOffset(int scale);

    float amplitude;
    float roughness;
    std::vector<CellRecord>* record;

private:
    Random& random;
};

// The whole CPU side of a new chunk, as the terrain adds it: the seam taken from the chunk it
// is placed behind (none for a terrain's first chunk), the relief, the normals and the mesh.
void generateChunkGrid(HeightGrid& grid, const HeightGrid* neighbour, Random& random);
