// The terrain's CPU side: the strip, the relief, the normals, the mesh, the view's choice of
// tiles and row steps and the volumes' baked grain. The GL side is in TerrainTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/Random.h"
#include "terrain/GroundGrain.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainStrip.h"

namespace {

bool same(const float3& a, const float3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The middle chunk of a strip from a seed: a grid with a neighbour on both sides.
std::shared_ptr<const HeightGrid> chunk(unsigned seed) {
    Random random(seed);
    TerrainStrip s;
    s.reset(random);
    return s.getChunks()[1].grid;
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

// The chase camera's view from (25, 1.4, z) towards (25, 0.5, z - 2), over the middle of a
// chunk, times a perspective of 60 degrees at 4:3 from 0.1 to 30, as gluLookAt and
// gluPerspective make them; the game's pixel scale.
TerrainView chaseView(float z, float maxPixelError) {
    const float l = std::sqrt(0.81f + 4), fy = -0.9f / l, fz = -2 / l, c = 1 / std::tan(3.14159265f / 6);
    const float a = 30.1f / -29.9f, b = 6 / -29.9f, d = fy * 1.4f + fz * z;
    // Column by column, as GL keeps it.
    return TerrainView{
        {0.75f * c, 0, 0, 0, 0, -fz * c, -a * fy, fy, 0, fy * c, -a * fz, fz, -18.75f * c, (fz * 1.4f - fy * z) * c, a * d + b, -d},
        true, 520, maxPixelError};
}

}  // namespace

// Chunks join at seams that carry relief, in heights and normals. The nearest chunk goes once
// the chase eye is strictly past its first row, one a call, and the new one joins the far end.
TEST(TerrainRules, ChunksJoinAtSeamsWithReliefAndTheNearestGoesOnceTheEyeHasPassedIt) {
    Random random(2024);
    TerrainStrip s;
    s.reset(random);
    const std::vector<StripChunk>& c = s.getChunks();
    for (int k = 1; k < 3; ++k) EXPECT_EQ(rows(*c[k].grid, 127, 128), rows(*c[k - 1].grid, 0, 1)) << "seam " << k;
    int relief = 0;
    for (int i = 0; i < 128; ++i) relief += c[2].grid->getVertex(i, 127).y != 0 && c[2].grid->getNormal(i, 127).y > 0.3f;
    EXPECT_GT(relief, 120);

    const uint32_t nearest = c[0].serial;
    EXPECT_FALSE(s.recycle(0.0f, random));
    EXPECT_TRUE(s.recycle(-0.001f, random) && c[0].serial != nearest);
    EXPECT_EQ(rows(*c[2].grid, 127, 128), rows(*c[1].grid, 0, 1)) << "the new seam";
    for (float far : {-80.0f, -100.0f}) {
        EXPECT_TRUE(s.recycle(-45.0f, random));
        EXPECT_EQ(c[2].z, far);
    }
    EXPECT_FALSE(s.recycle(-45.0f, random)) << "the eye is on the nearest chunk now";
}

// The strip's ground is the grid's height at every vertex, a seam's from either chunk; a point
// off the strip (or NaN) has the height of the nearest point of its edge. (Between the vertices
// it is the drawn surface: TerrainTest compares it with the picture.)
TEST(TerrainRules, TheGroundIsTheGridAtItsVerticesAndTheNearestEdgeOffTheStrip) {
    Random random(77);
    TerrainStrip s;
    s.reset(random);
    const float3 at = s.getPosition();
    std::vector<float> points, want, heights;
    for (const StripChunk& c : s.getChunks())
        for (int j : {0, 1, 64, 127})
            for (int i : {1, 2, 70, 126}) {
                const float3 v = c.grid->getVertex(i, j);
                points.insert(points.end(), {at.x + v.x, at.z + c.z + v.z});
                want.push_back(v.y);
            }
    s.heightsAt(points, heights);
    ASSERT_EQ(heights.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(heights[k], want[k], 1e-4f) << k;

    // Each point off the strip, then the edge point it answers for (the outer columns are not drawn).
    const HeightGrid& near = *s.getChunks()[0].grid;
    const float left = at.x + near.getVertex(1, 0).x, right = at.x + near.getVertex(126, 0).x, nan = std::nanf("");
    const float pairs[][4] = {{-30, -5, left, -5},  {30, -33, right, -33}, {3, 25, 3, 20},     {-4, -70, -4, -40},
                              {nan, -5, left, -5}, {2, nan, 2, -40},       {40, 90, right, 20}};
    points.clear();
    for (const auto& p : pairs) points.insert(points.end(), {p[0], p[1]});
    for (const auto& p : pairs) points.insert(points.end(), {p[2], p[3]});
    s.heightsAt(points, heights);
    const size_t n = sizeof pairs / sizeof pairs[0];
    for (size_t k = 0; k < n; ++k)
        EXPECT_NEAR(heights[k], heights[n + k], 1e-5f) << "(" << pairs[k][0] << ", " << pairs[k][1] << ")";
}

// The sea is drawn but where the ground stands above it all over a tile: every point left out
// has ground above the sea, no point is drawn twice, and what no chunk covers is sea. With the
// sea under all the ground only what lies off the strip is left; over all of it, everything.
TEST(TerrainRules, TheSeaLeavesOutOnlyWhatTheGroundStandsOver) {
    Random random(31);
    TerrainStrip s;
    s.reset(random);
    const TerrainMesh mesh(TerrainStrip::kVertices, TerrainStrip::kVertices);
    std::vector<ChunkBounds> bounds;
    float lowest = 1e30f, highest = -1e30f;
    for (const StripChunk& c : s.getChunks()) {
        bounds.push_back(computeChunkBounds(mesh, *c.grid));
        for (float y : bounds.back().minY) lowest = std::min(lowest, y);
        for (float y : bounds.back().maxY) highest = std::max(highest, y);
    }
    std::vector<PlacedChunk> placed;
    for (size_t k = 0; k < s.getChunks().size(); ++k)
        placed.push_back(PlacedChunk{s.getChunks()[k].grid.get(), &bounds[k], s.getPosition().x,
                                     s.getPosition().z + s.getChunks()[k].z});
    // Past both ends of the strip (z = -40 to 20) by 15 and 5.
    const GroundRect sea{-23, -55, 23, 25};
    std::vector<float> points;
    for (int j = 0; j < 160; ++j)
        for (int i = 0; i < 92; ++i) points.insert(points.end(), {sea.x0 + (i + 0.5f) * 0.5f, sea.z0 + (j + 0.5f) * 0.5f});
    std::vector<float> ground;
    s.heightsAt(points, ground);

    for (float level : {lowest - 0.01f, (lowest + highest) / 2, highest + 0.01f}) {
        std::vector<GroundRect> parts;
        seaParts(mesh, placed, level, sea, parts);
        int wrong = 0, left = 0, drawn = 0;
        for (size_t k = 0; k < ground.size(); ++k) {
            const float x = points[2 * k], z = points[2 * k + 1];
            int covered = 0;
            for (const GroundRect& r : parts) covered += x > r.x0 && x < r.x1 && z > r.z0 && z < r.z1;
            const bool onStrip = z > -40 && z < 20;
            // Left out only over ground above the sea; at the extremes, all of the strip or none.
            const int want = level < lowest ? !onStrip : level > highest ? 1 : covered;
            wrong += covered > 1 || (!covered && !(onStrip && ground[k] > level)) || covered != want;
            (covered ? drawn : left) += onStrip;
        }
        EXPECT_EQ(wrong, 0) << level;
        EXPECT_TRUE(left > 0 || level > highest) << level;
        EXPECT_TRUE(drawn > 0 || level < lowest) << level;
    }
}

// On a plane every computed normal is the plane's, except in the outer columns and the last row
// (zero), and every coarser step is as good as the grid.
TEST(TerrainRules, APlaneHasItsNormalInsideTheBorderAndNoErrorAtAnyStep) {
    HeightGrid grid(40, 12, 21, 9);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 21; ++i) {
            const float3 v = grid.getVertex(i, j);
            grid.setVertex(i, j, float3{v.x, 0.25f * v.x - 0.5f * v.z + 1, v.z});
        }
    grid.computeNormals();
    EXPECT_TRUE(same(grid.getVertex(20, 8), float3{40, 5, 12}) && same(grid.getVertex(5, 2), float3{10, 2, 3}));
    const float length = std::sqrt(0.25f * 0.25f + 1 + 0.5f * 0.5f);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 21; ++i) {
            const float3 n = grid.getNormal(i, j);
            const float in = i == 0 || i == 20 || j == 8 ? 0.0f : 1 / length;
            EXPECT_TRUE(std::fabs(n.x + 0.25f * in) + std::fabs(n.y - in) + std::fabs(n.z - 0.5f * in) < 1e-5) << i << ", " << j;
        }
    const ChunkBounds bounds = computeChunkBounds(TerrainMesh(21, 9), grid);
    for (int level = 0; level < TerrainMesh::kLevels; ++level) EXPECT_LT(bounds.heightError[level], 1e-5f) << level;
}

// The game's chunks: tiles cover every inner cell once at the full step (two triangles a cell
// in columns 1 to 125: the outer columns have no normals); a coarser step covers the same
// ground with the band's first and last rows kept, so bands always meet edge to edge. (s, t)
// are the grid indices over the vertex counts, so s never reaches 1.
TEST(TerrainRules, TilesCoverEveryCellOnceAndCoarserBandsKeepTheirEdgeRows) {
    const TerrainMesh mesh(128, 128);
    EXPECT_TRUE(mesh.getTexCoords()[127 * 128 + 127].s == 127 / 128.0f && mesh.getTexCoords()[127 * 128 + 126].t == 127 / 128.0f);
    std::vector<int> cover(128 * 128, 0);
    int indices = 0;
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int tile = 0; tile < mesh.getTilesX(); ++tile) {
            indices += mesh.range(tile, band, 0).count;
            for (const std::vector<int>& t : triangles(mesh, mesh.range(tile, band, 0)))
                if (t[0] == t[2] && t[4] == t[0] + 1) ++cover[std::min(t[1], t[3]) * 128 + t[0]];  // the cell's first triangle
            const int first = mesh.bandFirstRow(band), last = mesh.bandLastRow(band);
            for (int level = 1; level < TerrainMesh::kLevels; ++level) {
                double area = 0;
                std::vector<int> rows;
                for (const std::vector<int>& t : triangles(mesh, mesh.range(tile, band, level))) {
                    area += std::fabs((t[2] - t[0]) * (t[5] - t[1]) - (t[3] - t[1]) * (t[4] - t[0])) / 2.0;
                    for (int c = 0; c < 3; ++c) rows.push_back(t[2 * c + 1]);
                }
                EXPECT_DOUBLE_EQ(area, (mesh.tileLastColumn(tile) - mesh.tileFirstColumn(tile)) * (last - first))
                    << "band " << band << " tile " << tile << " level " << level;
                EXPECT_TRUE(*std::min_element(rows.begin(), rows.end()) == first && *std::max_element(rows.begin(), rows.end()) == last);
                for (int r : rows) EXPECT_TRUE((r - first) % TerrainMesh::stepOf(level) == 0 || r == last);
            }
        }
    for (int j = 0; j < 127; ++j)
        for (int i = 0; i < 128; ++i) ASSERT_EQ(cover[j * 128 + i], i >= 1 && i <= 125 ? 1 : 0) << i << ", " << j;
    EXPECT_EQ(indices, 125 * 127 * 6);
}

// Flying towards a chunk in small steps, each band's row step and its rows' move change only by
// little at a time: a coarser step is left only once its rows have slid back onto the grid, so
// the surface never jumps. Far bands take coarser steps; from up close every row is kept. (What
// the view sends at all is checked on the GPU, in TerrainTest.)
TEST(TerrainRules, ApproachingBandsRefineWithoutJumps) {
    const std::shared_ptr<const HeightGrid> chunk5 = chunk(5);
    const HeightGrid& grid = *chunk5;
    const TerrainMesh mesh(128, 128);
    const ChunkBounds bounds = computeChunkBounds(mesh, grid);
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int level = 1; level < TerrainMesh::kLevels; ++level)
            EXPECT_GE(bounds.heightError[band * 4 + level], bounds.heightError[band * 4 + level - 1]);
    std::vector<IndexRange> runs;
    std::vector<float> last(mesh.getBands(), -1.0f);
    std::vector<BandDetail> details;
    int coarse = 0, moving = 0;
    for (float z = 60; z > 10; z -= 0.02f) {
        runs.clear();
        selectTiles(mesh, grid, bounds, chaseView(z, 2), runs, &details);
        ASSERT_EQ(details.size(), static_cast<size_t>(mesh.getBands()));
        for (int band = 0; band < mesh.getBands(); ++band) {
            // Bands out of view (behind the eye, past the far plane) are not drawn at all.
            const int first = mesh.range(0, band, 0).first;
            const IndexRange end = mesh.range(mesh.getTilesX() - 1, band, TerrainMesh::kLevels - 1);
            bool seen = false;
            for (const IndexRange& r : runs) seen = seen || (r.first < end.first + end.count && r.first + r.count > first);
            const float c = details[band].level + details[band].morph;  // where between the steps it is
            EXPECT_TRUE(!seen || last[band] < 0 || std::fabs(c - last[band]) <= 0.2f) << "band " << band << " at z " << z;
            last[band] = seen ? c : -1;
            coarse += seen && details[band].level > 0;
            moving += seen && details[band].morph > 0 && details[band].morph < 1;
        }
    }
    EXPECT_GT(coarse, 0);
    EXPECT_GT(moving, 0);
    selectTiles(mesh, grid, bounds, chaseView(18, 0.5f), runs, &details);
    EXPECT_EQ(details[7], BandDetail{}) << details[7].level << " " << details[7].morph;
}

// A band's rows as a detail moves them, at row step 2 sliding towards step 4: at 0 the rows
// step 2 keeps are the grid; at 1 those that step 4 drops lie on the straight line between the
// rows it keeps, in height and normal; halfway, halfway. Rows step 2 drops (not drawn) stay as
// the grid has them. Step 1 unmoved is the grid itself; x and z never move.
TEST(TerrainRules, MovedRowsSlideOntoTheCoarserSurfaceAndKeptRowsStay) {
    const std::shared_ptr<const HeightGrid> chunk9 = chunk(9);
    const HeightGrid& grid = *chunk9;
    const TerrainMesh mesh(128, 128);
    const int band = 3, r0 = mesh.bandFirstRow(band), r1 = mesh.bandLastRow(band);
    std::vector<float3> g0, gn, v0, n0, v1, n1, vh, nh;
    morphBand(mesh, grid, band, BandDetail{0, 0.0f}, g0, gn);
    morphBand(mesh, grid, band, BandDetail{1, 0.0f}, v0, n0);
    morphBand(mesh, grid, band, BandDetail{1, 1.0f}, v1, n1);
    morphBand(mesh, grid, band, BandDetail{1, 0.5f}, vh, nh);
    ASSERT_EQ(v0.size(), static_cast<size_t>(r1 - r0 - 1) * 128);
    int moved = 0;
    for (int j = r0 + 1; j < r1; ++j)
        for (int i = 0; i < 128; ++i) {
            const size_t k = static_cast<size_t>(j - r0 - 1) * 128 + i;
            const float3 g = grid.getVertex(i, j);
            ASSERT_TRUE(same(g0[k], g) && same(gn[k], grid.getNormal(i, j)));
            for (const std::vector<float3>* v : {&v0, &v1, &vh}) EXPECT_TRUE((*v)[k].x == g.x && (*v)[k].z == g.z);
            const int ja = r0 + (j - r0) / 4 * 4, jb = std::min(ja + 4, r1);
            const float t = static_cast<float>(j - ja) / (jb - ja);
            const float line = grid.getVertex(i, ja).y + (grid.getVertex(i, jb).y - grid.getVertex(i, ja).y) * t;
            if ((j - r0) % 4 == 0) {  // kept at step 4
                for (const std::vector<float3>* v : {&v0, &v1, &vh}) EXPECT_TRUE(same((*v)[k], g)) << i << ", " << j;
            } else if ((j - r0) % 2 == 0) {  // kept at step 2, dropped at step 4
                EXPECT_TRUE(same(v0[k], g));
                EXPECT_NEAR(v1[k].y, line, 1e-5f);
                EXPECT_NEAR(n1[k].y, grid.getNormal(i, ja).y + (grid.getNormal(i, jb).y - grid.getNormal(i, ja).y) * t, 1e-5f);
                EXPECT_NEAR(vh[k].y, (g.y + line) / 2, 1e-5f);
                moved += std::fabs(line - g.y) > 1e-3f;
            } else {  // dropped at step 2
                for (const std::vector<float3>* v : {&v0, &v1, &vh}) EXPECT_TRUE(same((*v)[k], g)) << i << ", " << j;
            }
        }
    EXPECT_GT(moved, 100) << "the band is too flat to show anything";
}

// One read of the baked slice gives what the ground's two reads of the file's slice gave: the
// plain one, and the grain five times finer shifted by 0.375, its mean at 0.6; both filtered
// linearly between texel centres and tiling, as the rasteriser reads them.
TEST(GroundGrain, OneReadOfTheBakedSliceIsTheTwoReadsOfTheFile) {
    const int w = 16, h = 8;
    std::vector<uint8_t> file(w * h * 4);
    Random random(5);
    for (uint8_t& b : file) b = static_cast<uint8_t>(40 + random.next() % 180);
    std::vector<uint8_t> baked;
    groundgrain::bakeSlice(file.data(), w, h, baked);
    ASSERT_EQ(baked.size(), size_t(w * 5) * (h * 5) * 4);
    auto read = [](const std::vector<uint8_t>& t, int tw, int th, float s, float u, int k) {
        const float x = s * tw - 0.5f, y = u * th - 0.5f;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        auto at = [&](int i, int j) { return t[(((j % th + th) % th) * tw + (i % tw + tw) % tw) * 4 + k] / 255.0f; };
        const float fx = x - x0, fy = y - y0;
        return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
               (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
    };
    float worst = 0;
    for (int i = 0; i < 500; ++i) {
        const float s = random.next() / 3000.0f - 1.0f, u = random.next() / 3000.0f - 1.0f;
        float base[3], grain[3];
        for (int k = 0; k < 3; ++k) {
            base[k] = read(file, w, h, s, u, k);
            grain[k] = read(file, w, h, s * 5 + 0.375f, u * 5 + 0.375f, k);
        }
        const float lift = ((grain[0] - base[0]) + (grain[1] - base[1]) + (grain[2] - base[2])) * 0.333f * 0.6f;
        for (int k = 0; k < 3; ++k)
            worst = std::max(worst, std::fabs(read(baked, w * 5, h * 5, s, u, k) - std::clamp(base[k] + lift, 0.0f, 1.0f)));
    }
    EXPECT_LT(worst, 1.01f / 255) << "off by more than the rounding of the stored byte";
    EXPECT_FALSE(groundgrain::bakes(4096, 4096, 64)) << "a damaged file's volume is drawn as read";
}
