#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/Random.h"
#include "terrain/HeightGenerator.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainStrip.h"

namespace {

bool same(const float3& a, const float3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// A strip's three chunks from a seed.
std::vector<std::shared_ptr<const HeightGrid>> strip(unsigned seed) {
    Random random(seed);
    TerrainStrip s;
    s.reset(random);
    std::vector<std::shared_ptr<const HeightGrid>> grids;
    for (const StripChunk& c : s.getChunks()) grids.push_back(c.grid);
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

// A plane y = 0.25 x - 0.5 z + 1 on a grid of 21 x 9 vertices over 40 x 12 units.
HeightGrid tiltedPlane() {
    HeightGrid grid(40, 12, 21, 9);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 21; ++i) {
            const float3 v = grid.getVertex(i, j);
            grid.setVertex(i, j, float3{v.x, 0.25f * v.x - 0.5f * v.z + 1, v.z});
        }
    grid.computeNormals();
    return grid;
}


TEST(TerrainRules, ASeedGivesTheSameStripAndChunksJoinAtSeamsThatCarryRelief) {
    const auto a = strip(2024), b = strip(2024), other = strip(2025);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rows(*a[k], 0, 128), rows(*b[k], 0, 128)) << "chunk " << k;
        EXPECT_NE(rows(*a[k], 0, 128), rows(*other[k], 0, 128)) << "chunk " << k;
        EXPECT_TRUE(k == 0 || rows(*a[k], 127, 128) == rows(*a[k - 1], 0, 1)) << "seam " << k;
    }
    int relief = 0;
    for (int i = 0; i < 128; ++i) relief += a[2]->getVertex(i, 127).y != 0 && a[2]->getNormal(i, 127).y > 0.3f;
    EXPECT_GT(relief, 120);
    // The first chunk has no neighbour: zero normals on its last row and in its outer columns.
    for (int n = 0; n < 128; ++n)
        for (const float3& v : {a[0]->getNormal(0, n), a[0]->getNormal(127, n), a[0]->getNormal(n, 127)})
            EXPECT_TRUE(same(v, float3{0, 0, 0})) << n;

    // The nearest chunk goes once the chase eye is strictly past its first row; one a call.
    Random random(2024);
    TerrainStrip s;
    s.reset(random);
    const uint32_t nearest = s.getChunks()[0].serial;
    EXPECT_FALSE(s.recycle(0.0f, random));
    EXPECT_TRUE(s.recycle(-0.001f, random));
    EXPECT_NE(s.getChunks()[0].serial, nearest);
    EXPECT_TRUE(rows(*s.getChunks()[2].grid, 127, 128) == rows(*s.getChunks()[1].grid, 0, 1)) << "the new seam";
    for (float far : {-80.0f, -100.0f}) {
        EXPECT_TRUE(s.recycle(-45.0f, random));
        EXPECT_EQ(s.getChunks()[2].z, far);
    }
    EXPECT_FALSE(s.recycle(-45.0f, random)) << "the eye is on the nearest chunk now";
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
    Random random(99);
    HeightGenerator generator(random);
    generator.record = &cells;
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

// Every triangle of a range, as its three grid (column, row) corners.
std::vector<std::vector<int>> triangles(const TerrainMesh& mesh, const IndexRange& r) {
    std::vector<std::vector<int>> out;
    const std::vector<uint16_t>& idx = mesh.getIndices();
    for (int k = r.first; k < r.first + r.count; k += 3) {
        std::vector<int> t;
        for (int c = 0; c < 3; ++c) t.insert(t.end(), {idx[k + c] % mesh.getVerticesX(), idx[k + c] / mesh.getVerticesX()});
        out.push_back(t);
    }
    return out;
}

// Column-major perspective (60 degrees, 4:3, near 0.1, far 30) times a view from eye to centre
// with y up, as gluPerspective and gluLookAt make them.
std::vector<float> chaseClip(float3 eye, float3 centre) {
    const float f = 1.0f / std::tan(30.0f * 3.14159265f / 180.0f), n = 0.1f, fa = 30.0f;
    const float p[16] = {f / (4.0f / 3.0f), 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1, 0, 0, 2 * fa * n / (n - fa), 0};
    float3 fw{centre.x - eye.x, centre.y - eye.y, centre.z - eye.z};
    auto norm = [](float3 v) {
        const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        return float3{v.x / l, v.y / l, v.z / l};
    };
    auto cross = [](float3 a, float3 b) { return float3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; };
    fw = norm(fw);
    const float3 side = norm(cross(fw, float3{0, 1, 0})), up = cross(side, fw);
    const float v[16] = {side.x, up.x, -fw.x, 0, side.y, up.y, -fw.y, 0, side.z, up.z, -fw.z, 0,
                         -(side.x * eye.x + side.y * eye.y + side.z * eye.z), -(up.x * eye.x + up.y * eye.y + up.z * eye.z),
                         fw.x * eye.x + fw.y * eye.y + fw.z * eye.z, 1};
    std::vector<float> m(16);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) m[c * 4 + r] = p[r] * v[c * 4] + p[4 + r] * v[c * 4 + 1] + p[8 + r] * v[c * 4 + 2] + p[12 + r] * v[c * 4 + 3];
    return m;
}

TerrainView viewFrom(const std::vector<float>& clip, float pixelsPerUnit) {
    TerrainView view{};
    std::copy(clip.begin(), clip.end(), view.clip);
    view.perspective = true;
    view.pixelsPerUnit = pixelsPerUnit;
    view.maxPixelError = 0.5f;
    return view;
}

}  // namespace

// On a plane every computed normal is the plane's, except in the outer columns and the last
// row (zero). At every row the mesh has two triangles per cell, row by row in each tile from the
// nearest (highest z) row, in
// columns 1 to 19 of 21; (s, t) are the grid indices over the vertex counts, so s never reaches 1.
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
    const TerrainMesh mesh(21, 9);
    ASSERT_EQ(mesh.getTilesX(), 1);
    ASSERT_EQ(mesh.getBands(), 1);
    const std::vector<std::vector<int>> full = triangles(mesh, mesh.range(0, 0, 0));
    ASSERT_EQ(full.size(), 8u * 18 * 2);
    const int corner[6][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < 8 * 18 * 6; ++k) {
        // Nearest rows (highest z) first.
        const int a = 1 + k / 6 % 18 + corner[k % 6][0], b = 7 - k / 6 / 18 + corner[k % 6][1];
        ASSERT_TRUE(full[k / 3][2 * (k % 3)] == a && full[k / 3][2 * (k % 3) + 1] == b)
            << "mesh vertex " << k << " should be grid vertex (" << a << ", " << b << ")";
        const TexCoord2 st = mesh.getTexCoords()[b * 21 + a];
        ASSERT_TRUE(st.s == a / 21.0f && st.t == b / 9.0f);
    }
    // A plane is its own coarser surface: no height error at any step.
    const ChunkBounds bounds = computeChunkBounds(mesh, grid);
    for (int level = 0; level < TerrainMesh::kLevels; ++level) EXPECT_LT(bounds.heightError[level], 1e-5f) << level;
}

// The game's chunks: tiles cover every inner cell once at the full step; a coarser step covers
// the same ground with the band's first and last rows kept, so bands always meet edge to edge.
TEST(TerrainRules, TilesCoverEveryCellOnceAndCoarserBandsKeepTheirEdgeRows) {
    const TerrainMesh mesh(128, 128);
    ASSERT_EQ(mesh.getTilesX() * (TerrainMesh::kTileColumns), 125);
    std::vector<int> cover(128 * 128, 0);
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int tile = 0; tile < mesh.getTilesX(); ++tile) {
            for (const std::vector<int>& t : triangles(mesh, mesh.range(tile, band, 0)))
                if (t[0] == t[2] && t[4] == t[0] + 1) ++cover[std::min(t[1], t[3]) * 128 + t[0]];  // the cell's first triangle
            for (int level = 1; level < TerrainMesh::kLevels; ++level) {
                double area = 0;
                std::vector<int> rows;
                for (const std::vector<int>& t : triangles(mesh, mesh.range(tile, band, level))) {
                    const double ax = t[2] - t[0], az = t[3] - t[1], bx = t[4] - t[0], bz = t[5] - t[1];
                    area += std::fabs(ax * bz - az * bx) / 2;
                    for (int c = 0; c < 3; ++c) rows.push_back(t[2 * c + 1]);
                }
                const int cells = (mesh.tileLastColumn(tile) - mesh.tileFirstColumn(tile)) *
                                  (mesh.bandLastRow(band) - mesh.bandFirstRow(band));
                EXPECT_DOUBLE_EQ(area, cells) << "band " << band << " tile " << tile << " level " << level;
                EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), mesh.bandFirstRow(band));
                EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), mesh.bandLastRow(band));
                for (int r : rows)
                    EXPECT_TRUE((r - mesh.bandFirstRow(band)) % TerrainMesh::stepOf(level) == 0 || r == mesh.bandLastRow(band));
            }
        }
    for (int j = 0; j < 127; ++j)
        for (int i = 0; i < 128; ++i) ASSERT_EQ(cover[j * 128 + i], i >= 1 && i <= 125 ? 1 : 0) << i << ", " << j;
}

// The cells around points are the nine around each, each once, as the full grid's triangles,
// clipped to the drawn columns and the rows; a point far off the chunk adds none.
TEST(TerrainRules, TheCellsAroundPointsAreTheNineAroundEachTakenOnce) {
    const TerrainMesh mesh(128, 128);
    const HeightGrid grid(50, 20, 128, 128);
    const float cx = 50.0f / 127, cz = 20.0f / 127, x0 = 100, z0 = -7;
    auto at = [&](float i, float j) { return std::vector<float>{x0 + i * cx, z0 + j * cz}; };
    std::vector<float> points;
    // Cell (10, 20) twice, its neighbour (11, 20), the corner cell (0, 126) and a point far off.
    for (const std::vector<float>& p : {at(10.5f, 20.5f), at(10.2f, 20.9f), at(11.5f, 20.5f), at(0.5f, 126.5f), at(300, 5)})
        points.insert(points.end(), p.begin(), p.end());
    std::vector<uint16_t> out;
    mesh.appendCellsAround(grid, points, x0, z0, out);
    std::set<std::pair<int, int>> cells;
    ASSERT_EQ(out.size() % 6, 0u);
    for (size_t k = 0; k < out.size(); k += 6) {
        const int i = out[k] % 128, j = out[k] / 128;
        auto v = [&](int a, int b) { return static_cast<uint16_t>(b * 128 + a); };
        EXPECT_EQ(std::vector<uint16_t>(out.begin() + k, out.begin() + k + 6),
                  (std::vector<uint16_t>{v(i, j), v(i, j + 1), v(i + 1, j + 1), v(i + 1, j + 1), v(i + 1, j), v(i, j)}));
        EXPECT_TRUE(cells.insert({i, j}).second) << "cell " << i << ", " << j << " twice";
    }
    std::set<std::pair<int, int>> expected{{1, 125}, {1, 126}};
    for (int i = 9; i <= 12; ++i)
        for (int j = 19; j <= 21; ++j) expected.insert({i, j});
    EXPECT_EQ(cells, expected);
}

// Seen from a chase camera: nothing behind the eye or outside the sides is sent, what is in
// front is; near bands keep every row, distant ones of a smooth grid may drop rows, a rough
// one keeps them; without a pixel scale every row is drawn. Runs of neighbouring tiles merge.
TEST(TerrainRules, TheViewSendsOnlyVisibleTilesAndCoarsensOnlyWhereItCannotBeSeen) {
    const auto chunks = strip(5);
    const HeightGrid& grid = *chunks[1];
    const TerrainMesh mesh(128, 128);
    const ChunkBounds bounds = computeChunkBounds(mesh, grid);
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int level = 1; level < TerrainMesh::kLevels; ++level)
            EXPECT_GE(bounds.heightError[band * 4 + level], bounds.heightError[band * 4 + level - 1]);
    // Eye over the chunk's middle column, 4 units in from its near (high z) edge, looking towards -z.
    const std::vector<float> clip = chaseClip(float3{25, 3, 16}, float3{25, 2, 10});
    auto sent = [&](float pixelsPerUnit) {
        std::vector<IndexRange> runs;
        selectTiles(mesh, grid, bounds, viewFrom(clip, pixelsPerUnit), runs);
        std::vector<int> rows(128, -1);  // per row: -1 not sent, else the coarsest step seen there
        for (size_t k = 0; k < runs.size(); ++k) {
            if (k > 0) EXPECT_NE(runs[k - 1].first + runs[k - 1].count, runs[k].first) << "unmerged runs";
            for (const std::vector<int>& t : triangles(mesh, runs[k])) {
                const int span = std::abs(t[1] - t[3]) + std::abs(t[3] - t[5]) + std::abs(t[1] - t[5]);
                for (int c = 0; c < 3; ++c) rows[t[2 * c + 1]] = std::max(rows[t[2 * c + 1]], span / 2);
            }
        }
        return rows;
    };
    const std::vector<int> every = sent(0);
    for (int j = 0; j < 128; ++j) {
        if (j > 104) EXPECT_EQ(every[j], -1) << "row " << j << " lies behind the eye";
        if (j <= 70) EXPECT_EQ(every[j], 1) << "row " << j << " lies in front";
    }
    std::vector<IndexRange> runs;
    selectTiles(mesh, grid, bounds, viewFrom(clip, 0), runs);
    int sideTiles = 0;
    for (const IndexRange& r : runs)
        for (int band = 0; band < mesh.getBands(); ++band)
            for (int tile : {0, mesh.getTilesX() - 1})
                sideTiles += r.first <= mesh.range(tile, band, 0).first &&
                             mesh.range(tile, band, 0).first < r.first + r.count && band >= 6;
    EXPECT_EQ(sideTiles, 0) << "the outer tiles next to the eye are outside the view";

    // The same view with the game's pixel scale: the band under the eye keeps every row; a
    // smoothed copy of the grid lets the far bands drop rows, the grid itself only where its
    // error stays under half a pixel.
    const std::vector<int> scaled = sent(520);
    for (int j = 96; j <= 127; ++j) EXPECT_TRUE(scaled[j] == -1 || scaled[j] == 1) << j;
    HeightGrid flat(50, 20, 128, 128);
    flat.computeNormals();
    const ChunkBounds flatBounds = computeChunkBounds(mesh, flat);
    std::vector<IndexRange> flatRuns;
    const std::vector<float> far = chaseClip(float3{25, 3, 40}, float3{25, 2, 34});  // the chunk 20 to 40 ahead
    selectTiles(mesh, flat, flatBounds, viewFrom(far, 520), flatRuns);
    ASSERT_FALSE(flatRuns.empty());
    int coarse = 0;
    for (const IndexRange& r : flatRuns)
        for (const std::vector<int>& t : triangles(mesh, r)) coarse += std::abs(t[1] - t[3]) > 1;
    EXPECT_GT(coarse, 0) << "a flat chunk far ahead keeps every row";
}

// A band's rows as a detail moves them, at row step 2 sliding towards step 4: at 0 the rows
// step 2 keeps are the grid; at 1 those that step 4 drops lie on the straight line between the
// rows it keeps, in height and normal; halfway, halfway. Rows step 2 drops (drawn by the height
// query only) lie midway between their neighbours as drawn. Step 1 unmoved is the grid itself;
// x and z never move.
TEST(TerrainRules, MovedRowsSlideOntoTheCoarserSurfaceAndKeptRowsStay) {
    const auto chunks = strip(9);
    const HeightGrid& grid = *chunks[1];
    const TerrainMesh mesh(128, 128);
    const int band = 3, r0 = mesh.bandFirstRow(band), r1 = mesh.bandLastRow(band);
    std::vector<float3> g0, gn, v0, n0, v1, n1, vh, nh;
    morphBand(mesh, grid, band, BandDetail{0, 0.0f}, g0, gn);
    morphBand(mesh, grid, band, BandDetail{1, 0.0f}, v0, n0);
    morphBand(mesh, grid, band, BandDetail{1, 1.0f}, v1, n1);
    morphBand(mesh, grid, band, BandDetail{1, 0.5f}, vh, nh);
    ASSERT_EQ(v0.size(), static_cast<size_t>(r1 - r0 - 1) * 128);
    auto at = [&](const std::vector<float3>& v, int i, int j) {
        return j == r0 || j == r1 ? grid.getVertex(i, j) : v[static_cast<size_t>(j - r0 - 1) * 128 + i];
    };
    int moved = 0;
    for (int j = r0 + 1; j < r1; ++j)
        for (int i = 0; i < 128; ++i) {
            const float3 g = grid.getVertex(i, j);
            ASSERT_TRUE(same(at(g0, i, j), g) && same(gn[static_cast<size_t>(j - r0 - 1) * 128 + i], grid.getNormal(i, j)));
            for (const std::vector<float3>* v : {&v0, &v1, &vh}) EXPECT_TRUE(at(*v, i, j).x == g.x && at(*v, i, j).z == g.z);
            const int ja = r0 + (j - r0) / 4 * 4, jb = std::min(ja + 4, r1);
            const float t = static_cast<float>(j - ja) / (jb - ja);
            const float line = grid.getVertex(i, ja).y + (grid.getVertex(i, jb).y - grid.getVertex(i, ja).y) * t;
            if ((j - r0) % 4 == 0) {  // kept at step 4
                for (const std::vector<float3>* v : {&v0, &v1, &vh}) EXPECT_TRUE(same(at(*v, i, j), g)) << i << ", " << j;
            } else if ((j - r0) % 2 == 0) {  // kept at step 2, dropped at step 4
                const size_t k = static_cast<size_t>(j - r0 - 1) * 128 + i;
                EXPECT_TRUE(same(v0[k], g));
                EXPECT_NEAR(v1[k].y, line, 1e-5f);
                EXPECT_NEAR(n1[k].y, grid.getNormal(i, ja).y + (grid.getNormal(i, jb).y - grid.getNormal(i, ja).y) * t, 1e-5f);
                EXPECT_NEAR(vh[k].y, (g.y + line) / 2, 1e-5f);
                moved += std::fabs(line - g.y) > 1e-3f;
            } else {  // dropped at step 2: midway between its drawn neighbours
                for (const std::vector<float3>* v : {&v0, &vh})
                    EXPECT_NEAR(at(*v, i, j).y, (at(*v, i, j - 1).y + at(*v, i, j + 1).y) / 2, 1e-5f) << i << ", " << j;
                EXPECT_NEAR(at(v1, i, j).y, line, 1e-5f);
            }
        }
    EXPECT_GT(moved, 100) << "the band is too flat to show anything";
}

// Flying towards a chunk in small steps, each band's step and its rows' move change only by
// little at a time: a coarser step is left only once its rows have slid back onto the grid,
// so the surface never jumps. Far bands take coarser steps than near ones.
TEST(TerrainRules, ApproachingBandsRefineWithoutJumps) {
    const auto chunks = strip(5);
    const HeightGrid& grid = *chunks[1];
    const TerrainMesh mesh(128, 128);
    const ChunkBounds bounds = computeChunkBounds(mesh, grid);
    std::vector<float> last(mesh.getBands(), -1.0f);
    int coarse = 0, moving = 0;
    for (float z = 60; z > 10; z -= 0.02f) {
        TerrainView view = viewFrom(chaseClip(float3{25, 1.4f, z}, float3{25, 0.5f, z - 2}), 520);
        view.maxPixelError = 2.0f;
        std::vector<IndexRange> runs;
        std::vector<BandDetail> details;
        selectTiles(mesh, grid, bounds, view, runs, &details);
        ASSERT_EQ(details.size(), static_cast<size_t>(mesh.getBands()));
        for (int band = 0; band < mesh.getBands(); ++band) {
            // Bands out of view (behind the eye, past the far plane) are not drawn at all.
            const int first = mesh.range(0, band, 0).first;
            const IndexRange end = mesh.range(mesh.getTilesX() - 1, band, TerrainMesh::kLevels - 1);
            bool seen = false;
            for (const IndexRange& r : runs) seen = seen || (r.first < end.first + end.count && r.first + r.count > first);
            const float c = details[band].level + details[band].morph;  // where between the steps it is
            if (!seen) {
                last[band] = -1;
                continue;
            }
            if (last[band] >= 0) EXPECT_LE(std::fabs(c - last[band]), 0.2f) << "band " << band << " at z " << z;
            last[band] = c;
            coarse += details[band].level > 0;
            moving += details[band].morph > 0 && details[band].morph < 1;
        }
    }
    EXPECT_GT(coarse, 0);
    EXPECT_GT(moving, 0);
    // From up close every band keeps every row, unmoved.
    std::vector<IndexRange> runs;
    std::vector<BandDetail> details;
    selectTiles(mesh, grid, bounds, viewFrom(chaseClip(float3{25, 1.4f, 18}, float3{25, 0.5f, 16}), 520), runs, &details);
    EXPECT_EQ(details[7], BandDetail{}) << details[7].level << " " << details[7].morph;
}
