#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "terrain/HeightGenerator.h"
#include "terrain/HeightGrid.h"

namespace {

bool same(const float3& a, const float3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// A terrain's first three chunks, generated as the terrain does from a seed.
std::vector<std::unique_ptr<HeightGrid>> strip(unsigned seed) {
    std::srand(seed);
    std::vector<std::unique_ptr<HeightGrid>> grids;
    for (int k = 0; k < 3; ++k) {
        grids.push_back(std::make_unique<HeightGrid>(50, 20, 128, 128));
        generateChunkGrid(*grids.back(), k ? grids[k - 1].get() : nullptr);
    }
    return grids;
}

// Rows from..to - 1 as plain floats: per vertex its height and normal.
std::vector<float> rows(const HeightGrid& g, int from, int to) {
    std::vector<float> r;
    for (int j = from; j < to; ++j)
        for (int i = 0; i < g.getVerticesX(); ++i) {
            const float3 n = g.getNormal(i, j);
            r.insert(r.end(), {g.getVertex(i, j).y, n.x, n.y, n.z});
        }
    return r;
}

// A plane y = 0.25 x - 0.5 z + 1 on a grid of 21 x 9 vertices over 40 x 12 units, with its mesh.
HeightGrid tiltedPlane() {
    HeightGrid grid(40, 12, 21, 9);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 21; ++i) {
            const float3 v = grid.getVertex(i, j);
            grid.setVertex(i, j, float3{v.x, 0.25f * v.x - 0.5f * v.z + 1, v.z});
        }
    grid.computeNormals();
    grid.buildMesh();
    return grid;
}

}  // namespace

TEST(TerrainRules, ASeedGivesTheSameStripAndChunksJoinAtSeamsThatCarryRelief) {
    const auto a = strip(2024), b = strip(2024), other = strip(2025);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rows(*a[k], 0, 128), rows(*b[k], 0, 128)) << "chunk " << k;
        EXPECT_NE(rows(*a[k], 0, 128), rows(*other[k], 0, 128)) << "chunk " << k;
        EXPECT_EQ(a[k]->getMeshVertexCount(), 127 * 125 * 6);
        EXPECT_TRUE(k == 0 || rows(*a[k], 127, 128) == rows(*a[k - 1], 0, 1)) << "seam " << k;
    }
    int relief = 0;
    for (int i = 0; i < 128; ++i) relief += a[2]->getVertex(i, 127).y != 0 && a[2]->getNormal(i, 127).y > 0.3f;
    EXPECT_GT(relief, 120);
    // The first chunk has no neighbour: zero normals on its last row and in its outer columns.
    for (int n = 0; n < 128; ++n)
        for (const float3& v : {a[0]->getNormal(0, n), a[0]->getNormal(127, n), a[0]->getNormal(n, 127)})
            EXPECT_TRUE(same(v, float3{0, 0, 0})) << n;
}

// Level 1 offsets span -1.5 .. 1.497 and later levels shrink them to nothing; a height set
// beforehand stays (a zero counts as unset); an edge midpoint takes 0.33 of its corners and
// the computed centre (2.5, not the stored 7) plus its offset.
TEST(TerrainRules, OffsetsShrinkByLevelAndHeightsAreSetOnce) {
    HeightGrid grid(50, 20, 128, 128);
    for (const float3& corner : {float3{0, 1, 0}, float3{127, 2, 0}, float3{127, 3, 127}, float3{0, 4, 127}})
        grid.setHeightIfUnset(static_cast<int>(corner.x), static_cast<int>(corner.z), corner.y);
    grid.setHeightIfUnset(63, 63, 7.0f);
    grid.setHeightIfUnset(31, 95, 0.125f);
    grid.setHeightIfUnset(31, 95, -4.0f);
    grid.setHeightIfUnset(90, 20, 0.0f);
    grid.setHeightIfUnset(90, 20, 2.5f);
    std::vector<HeightGenerator::CellRecord> cells;
    HeightGenerator generator;
    generator.record = &cells;
    std::srand(99);
    generator.generate(grid, 0.005f, 3.0f);
    ASSERT_GT(cells.size(), 1000u);
    EXPECT_FLOAT_EQ(grid.getVertex(63, 0).y, (1 + 2 + 2.5) * 0.33 + cells[0].offsets[0]);
    for (const HeightGenerator::CellRecord& c : cells) {
        ASSERT_EQ(c.scale, std::max(0, 4 - c.level)) << "level " << c.level;
        for (float o : c.offsets) EXPECT_TRUE(c.level > 1 || (o >= -1.5f && o <= 1.497f)) << o;
    }
    EXPECT_EQ(grid.getVertex(63, 63).y, 7.0f);
    EXPECT_EQ(grid.getVertex(31, 95).y, 0.125f);
    EXPECT_EQ(grid.getVertex(90, 20).y, 2.5f);
    std::vector<float> offsets(100000);
    for (float& o : offsets) o = generator.randomOffset(3);
    EXPECT_FLOAT_EQ(*std::min_element(offsets.begin(), offsets.end()), -1.5f);
    EXPECT_FLOAT_EQ(*std::max_element(offsets.begin(), offsets.end()), 1.497f);
}

// On a plane every computed normal is the plane's, except in the outer columns and the last
// row (zero). The mesh has two triangles per cell, row by row, in columns 1 to 19 of 21; (s, t)
// are the grid indices over the vertex counts, so s never reaches 1.
TEST(TerrainRules, APlaneHasItsNormalInsideTheBorderAndTwoTrianglesPerInnerCell) {
    const HeightGrid grid = tiltedPlane();
    EXPECT_TRUE(same(grid.getVertex(20, 8), float3{40, 5, 12}) && same(grid.getVertex(5, 2), float3{10, 2, 3}));
    const float length = std::sqrt(0.25f * 0.25f + 1 + 0.5f * 0.5f);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 21; ++i) {
            const float3 n = grid.getNormal(i, j);
            const float in = i == 0 || i == 20 || j == 8 ? 0.0f : 1 / length;
            EXPECT_TRUE(std::fabs(n.x + 0.25f * in) + std::fabs(n.y - in) + std::fabs(n.z - 0.5f * in) < 1e-5) << i << ", " << j;
        }
    ASSERT_EQ(grid.getMeshVertexCount(), 8 * 18 * 6);
    const int corner[6][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < grid.getMeshVertexCount(); ++k) {
        const int a = 1 + k / 6 % 18 + corner[k % 6][0], b = k / 6 / 18 + corner[k % 6][1];
        const TexCoord2 st = grid.getMeshTexCoords()[k];
        ASSERT_TRUE(st.s == a / 21.0f && st.t == b / 9.0f && same(grid.getMeshPositions()[k], grid.getVertex(a, b)) &&
                    same(grid.getMeshNormals()[k], grid.getNormal(a, b)))
            << "mesh vertex " << k << " should be grid vertex (" << a << ", " << b << ")";
    }
}
