#include "terrain/HeightGenerator.h"

#include <cmath>

#include "platform/Random.h"
#include "terrain/HeightGrid.h"

HeightGenerator::HeightGenerator(Random& source) : amplitude(0.0f), roughness(0.0f), record(nullptr), random(source) {}

void HeightGenerator::generate(HeightGrid& grid, float roughnessValue, float amplitudeValue) {
    roughness = roughnessValue;
    amplitude = amplitudeValue;
    subdivide(grid, 0, 0, grid.getVerticesX() - 1, grid.getVerticesZ() - 1, 1, static_cast<int>(amplitude));
}

float HeightGenerator::randomOffset(int scale) {
    const int r = random.next();
    return static_cast<float>(((r % 1000) / 1000.0 - 0.5) * scale);
}

void HeightGenerator::subdivide(HeightGrid& grid, int x0, int y0, int x1, int y1, int level, int scale) {
    const int mx = (x0 + x1) / 2;
    const int my = (y0 + y1) / 2;
    if (mx == x0) return;

    auto h = [&grid](int i, int j) { return grid.getVertex(i, j).y; };
    const float c = (h(x0, y0) + h(x1, y0) + h(x1, y1) + h(x0, y1)) * 0.25f;
    grid.setHeightIfUnset(mx, my, c);

    // The factor is 0.33, not a third: every edge sags a little towards zero, flattening the
    // relief. The offset is drawn even when the vertex is already set, so the random sequence
    // does not depend on what the neighbouring cells wrote.
    float offsets[4];
    offsets[0] = randomOffset(scale);
    grid.setHeightIfUnset(mx, y0, static_cast<float>((h(x0, y0) + h(x1, y0) + c) * 0.33 + offsets[0]));
    offsets[1] = randomOffset(scale);
    grid.setHeightIfUnset(x0, my, static_cast<float>((h(x0, y0) + h(x0, y1) + c) * 0.33 + offsets[1]));
    offsets[2] = randomOffset(scale);
    grid.setHeightIfUnset(x1, my, static_cast<float>((h(x1, y0) + h(x1, y1) + c) * 0.33 + offsets[2]));
    offsets[3] = randomOffset(scale);
    grid.setHeightIfUnset(mx, y1, static_cast<float>((h(x0, y1) + h(x1, y1) + c) * 0.33 + offsets[3]));
    if (record) record->push_back(CellRecord{x0, y0, x1, y1, level, scale, {offsets[0], offsets[1], offsets[2], offsets[3]}});

    const int nextScale = static_cast<int>(std::pow(2.0, -roughness) * scale);
    subdivide(grid, x0, y0, mx, my, level + 1, nextScale);
    subdivide(grid, mx, y0, x1, my, level + 1, nextScale);
    subdivide(grid, x0, my, mx, y1, level + 1, nextScale);
    subdivide(grid, mx, my, x1, y1, level + 1, nextScale);
}

void generateChunkGrid(HeightGrid& grid, const HeightGrid* neighbour, Random& random) {
    if (neighbour) grid.copySeamFrom(*neighbour);
    HeightGenerator generator(random);
    generator.generate(grid, 0.005f, 3.0f);
    grid.computeNormals();
}
