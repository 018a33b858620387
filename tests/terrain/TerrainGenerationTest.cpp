#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <set>

#include "support/GlHarness.h"
#include "terrain/HeightGenerator.h"
#include "platform/Random.h"
#include "terrain/TerrainChunk.h"
#include "TerrainTestSupport.h"

using terraintest::game;

namespace {

void expectSameVector(const float3& a, const float3& b, const char* what, int i) {
    EXPECT_EQ(a.x, b.x) << what << " column " << i;
    EXPECT_EQ(a.y, b.y) << what << " column " << i;
    EXPECT_EQ(a.z, b.z) << what << " column " << i;
}

float3 unit(float x, float y, float z) {
    const float l = std::sqrt(x * x + y * y + z * z);
    return float3{x / l, y / l, z / l};
}

}  // namespace

TEST(TerrainChunk, GridStartsFlatOnTheRegularLatticeWithZeroNormals) {
    game();
    TerrainChunk chunk(50, 20, 128, 128);
    EXPECT_EQ(chunk.getVertexCount(), 128 * 128 * 6);  // capacity until the mesh is built
    for (int j = 0; j < 128; j += 9) {
        for (int i = 0; i < 128; i += 7) {
            const float3 v = chunk.getVertex(i, j);
            EXPECT_FLOAT_EQ(v.x, static_cast<float>(i * 50 / 127.0));
            EXPECT_EQ(v.y, 0.0f);
            EXPECT_FLOAT_EQ(v.z, static_cast<float>(j * 20 / 127.0));
            const float3 n = chunk.getNormal(i, j);
            EXPECT_EQ(n.x, 0.0f);
            EXPECT_EQ(n.y, 0.0f);
            EXPECT_EQ(n.z, 0.0f);
        }
    }
    // The far edges land exactly on the chunk size, so neighbouring rows coincide.
    EXPECT_EQ(chunk.getVertex(127, 127).x, 50.0f);
    EXPECT_EQ(chunk.getVertex(127, 127).z, 20.0f);
    EXPECT_NE(chunk.getPositionBuffer(), 0u);
    EXPECT_NE(chunk.getNormalBuffer(), chunk.getPositionBuffer());
    EXPECT_NE(chunk.getTexCoordBuffer(), chunk.getNormalBuffer());
}

TEST(TerrainChunk, HeightIsSetOnlyWhileItIsExactlyZero) {
    game();
    TerrainChunk chunk(4, 4, 5, 5);
    chunk.setHeightIfUnset(2, 3, 1.25f);
    EXPECT_EQ(chunk.getVertex(2, 3).y, 1.25f);
    chunk.setHeightIfUnset(2, 3, -4.0f);
    EXPECT_EQ(chunk.getVertex(2, 3).y, 1.25f);
    // A vertex whose value is 0.0 counts as unset and can be written again.
    chunk.setHeightIfUnset(1, 1, 0.0f);
    chunk.setHeightIfUnset(1, 1, 0.5f);
    EXPECT_EQ(chunk.getVertex(1, 1).y, 0.5f);
    // Index layout: (i, j) and (j, i) are different vertices.
    EXPECT_EQ(chunk.getVertex(3, 2).y, 0.0f);
}

TEST(HeightGenerator, RandomOffsetCoversItsRangeInThousandthSteps) {
    HeightGenerator generator;
    std::srand(77);
    float lowest = 10, highest = -10;
    for (int k = 0; k < 100000; ++k) {
        const float v = generator.randomOffset(3);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
        const double steps = v / 0.003 + 500.0;  // integral when v = (r/1000 - 0.5) * 3
        ASSERT_NEAR(steps, std::round(steps), 1e-3) << v;
    }
    EXPECT_FLOAT_EQ(lowest, -1.5f);
    EXPECT_FLOAT_EQ(highest, 1.497f);
    // It draws exactly one random value: replaying the sequence gives the same offsets.
    std::srand(5);
    const int r1 = gameRandom(), r2 = gameRandom();
    std::srand(5);
    EXPECT_FLOAT_EQ(generator.randomOffset(2), static_cast<float>(((r1 % 1000) / 1000.0 - 0.5) * 2));
    EXPECT_FLOAT_EQ(generator.randomOffset(1), static_cast<float>(((r2 % 1000) / 1000.0 - 0.5) * 1));
    EXPECT_EQ(generator.randomOffset(0), 0.0f);
}

TEST(HeightGenerator, ScalesShrinkThreeTwoOneThenZeroAndEveryVertexIsReached) {
    game();
    for (unsigned seed : {1u, 99u, 4242u}) {
        TerrainChunk chunk(50, 20, 128, 128);
        std::vector<HeightGenerator::CellRecord> cells;
        HeightGenerator generator;
        generator.record = &cells;
        std::srand(seed);
        generator.generate(chunk, 0.005f, 3.0f);
        EXPECT_FLOAT_EQ(generator.roughness, 0.005f);
        EXPECT_FLOAT_EQ(generator.amplitude, 3.0f);
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells[0].level, 1);
        EXPECT_EQ(cells[0].x1, 127);
        EXPECT_EQ(cells[0].y1, 127);

        std::set<int> levelOne, levelTwo;
        std::vector<bool> reached(128 * 128, false);
        for (const auto& c : cells) {
            const int expected = c.level == 1 ? 3 : c.level == 2 ? 2 : c.level == 3 ? 1 : 0;
            ASSERT_EQ(c.scale, expected) << "level " << c.level;
            for (float o : c.offsets) {
                if (c.level == 1) {
                    EXPECT_GE(o, -1.5f);
                    EXPECT_LE(o, 1.497f + 1e-6f);
                }
                if (c.level >= 4) {
                    EXPECT_EQ(o, 0.0f);
                }
            }
            const int mx = (c.x0 + c.x1) / 2, my = (c.y0 + c.y1) / 2;
            for (int i : {c.x0, mx, c.x1})
                for (int j : {c.y0, my, c.y1}) reached[j * 128 + i] = true;
            if (c.level == 1) levelOne.insert(c.x0);
            if (c.level == 2) levelTwo.insert(c.x0 * 1000 + c.y0);
        }
        EXPECT_EQ(levelOne.size(), 1u);
        EXPECT_EQ(levelTwo.size(), 4u);
        // Every vertex that the mesh or its normals use is reached; only the even rows of
        // column 0, which the mesh leaves out, fall between the uneven 63/64 splits.
        for (int j = 0; j < 128; ++j)
            for (int i = 1; i < 128; ++i) ASSERT_TRUE(reached[j * 128 + i]) << "vertex " << i << "," << j;

        // Four offsets per cell, drawn in recursion order straight from the game's random values.
        std::srand(seed);
        for (const auto& c : cells)
            for (float o : c.offsets)
                ASSERT_FLOAT_EQ(o, static_cast<float>(((gameRandom() % 1000) / 1000.0 - 0.5) * c.scale));
    }
}

TEST(HeightGenerator, EdgesUseTheFactorPointThreeThreeAndTheComputedCentre) {
    game();
    // 5 x 5 grid, corners at 1: scale 0 (amplitude below 1) leaves only interpolation.
    TerrainChunk chunk(4, 4, 5, 5);
    for (int i : {0, 4})
        for (int j : {0, 4}) chunk.setVertex(i, j, float3{static_cast<float>(i), 1.0f, static_cast<float>(j)});
    chunk.setHeightIfUnset(2, 2, 5.0f);  // a pre-set centre survives and is not what the edges use
    HeightGenerator generator;
    generator.generate(chunk, 0.005f, 0.9f);
    EXPECT_EQ(chunk.getVertex(2, 2).y, 5.0f);
    for (auto [i, j] : {std::pair{2, 0}, {0, 2}, {4, 2}, {2, 4}})
        EXPECT_NEAR(chunk.getVertex(i, j).y, 0.99f, 1e-6f) << i << "," << j;  // (1 + 1 + 1) * 0.33
    // Second level, cell (0,0)-(2,2): centre = (1 + 0.99 + 5 + 0.99) / 4, written at (1, 1).
    EXPECT_NEAR(chunk.getVertex(1, 1).y, (1 + 0.99f + 5 + 0.99f) * 0.25f, 1e-5f);
    // Its edge (1, 0) uses that computed centre: (1 + 0.99 + c) * 0.33.
    EXPECT_NEAR(chunk.getVertex(1, 0).y, (1 + 0.99f + (1 + 0.99f + 5 + 0.99f) * 0.25f) * 0.33f, 1e-5f);
}

TEST(HeightGenerator, PresetHeightsAreNeverOverwritten) {
    game();
    TerrainChunk chunk(50, 20, 128, 128);
    chunk.setHeightIfUnset(63, 63, 7.0f);   // level-1 centre
    chunk.setHeightIfUnset(63, 0, -2.5f);   // level-1 edge midpoint
    chunk.setHeightIfUnset(31, 95, 0.125f);  // deep inside
    std::srand(3);
    HeightGenerator generator;
    generator.generate(chunk, 0.005f, 3.0f);
    EXPECT_EQ(chunk.getVertex(63, 63).y, 7.0f);
    EXPECT_EQ(chunk.getVertex(63, 0).y, -2.5f);
    EXPECT_EQ(chunk.getVertex(31, 95).y, 0.125f);
    // The raised centre pulls its neighbourhood up.
    EXPECT_GT(chunk.getVertex(62, 62).y, 3.0f);
}

TEST(TerrainChunk, NormalsOfAnInclinedPlaneAreThePlaneNormalInsideAndZeroAtTheSides) {
    game();
    TerrainChunk chunk(8, 8, 9, 9);
    for (int j = 0; j < 9; ++j)
        for (int i = 0; i < 9; ++i) {
            float3 v = chunk.getVertex(i, j);
            v.y = 0.1f * v.x + 0.2f * v.z;
            chunk.setVertex(i, j, v);
        }
    chunk.computeNormals();
    const float3 expected = unit(-0.1f, 1.0f, -0.2f);
    for (int j = 0; j < 8; ++j)
        for (int i = 1; i < 8; ++i) {
            const float3 n = chunk.getNormal(i, j);
            EXPECT_NEAR(n.x, expected.x, 1e-5f) << i << "," << j;
            EXPECT_NEAR(n.y, expected.y, 1e-5f) << i << "," << j;
            EXPECT_NEAR(n.z, expected.z, 1e-5f) << i << "," << j;
        }
    for (int j = 0; j < 9; ++j) {
        EXPECT_EQ(chunk.getNormal(0, j).y, 0.0f);
        EXPECT_EQ(chunk.getNormal(8, j).y, 0.0f);
    }
    for (int i = 0; i < 9; ++i) EXPECT_EQ(chunk.getNormal(i, 8).y, 0.0f);  // last row: the seam's, none here
}

TEST(Terrain, ChunksJoinSeamlesslyAndTheFirstKeepsZeroNormalsAtItsBorders) {
    game();
    std::srand(2024);
    Terrain terrain(50, 20, 128, 128);
    const auto& chunks = terrain.getChunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0]->getPosition().z, 0.0f);
    EXPECT_EQ(chunks[1]->getPosition().z, -20.0f);
    EXPECT_EQ(chunks[2]->getPosition().z, -40.0f);
    for (int k = 1; k < 3; ++k) {
        for (int i = 0; i < 128; ++i) {
            EXPECT_EQ(chunks[k]->getVertex(i, 127).y, chunks[k - 1]->getVertex(i, 0).y) << "chunk " << k;
            expectSameVector(chunks[k]->getNormal(i, 127), chunks[k - 1]->getNormal(i, 0), "seam normal", i);
        }
    }
    // The seam carries real relief and real shading, not zeros.
    int nonZeroHeights = 0;
    for (int i = 0; i < 128; ++i) nonZeroHeights += chunks[1]->getVertex(i, 127).y != 0.0f;
    EXPECT_GT(nonZeroHeights, 120);
    EXPECT_GT(chunks[1]->getNormal(60, 127).y, 0.5f);

    const TerrainChunk& first = *chunks[0];
    for (int j = 0; j < 128; ++j) {
        for (int i : {0, 127}) {
            const float3 n = first.getNormal(i, j);
            EXPECT_TRUE(n.x == 0 && n.y == 0 && n.z == 0) << "outer column " << i << " row " << j;
        }
    }
    for (int i = 0; i < 128; ++i) {
        const float3 n = first.getNormal(i, 127);
        EXPECT_TRUE(n.x == 0 && n.y == 0 && n.z == 0) << "last row column " << i;
    }
    for (int j = 0; j < 127; j += 5)
        for (int i = 1; i < 127; i += 5) {
            const float3 n = first.getNormal(i, j);
            EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-4f);
            EXPECT_GT(n.y, 0.0f);
        }
}

TEST(TerrainChunk, MeshHasTheGridTrianglesWithoutTheOuterColumnsAndIsUploaded) {
    game();
    std::srand(11);
    Terrain terrain(50, 20, 128, 128);
    TerrainChunk& chunk = *terrain.getChunks()[1];
    const int n = chunk.getVertexCount();
    ASSERT_EQ(n, 127 * 125 * 6);
    const auto& positions = chunk.getMeshPositions();
    const auto& normals = chunk.getMeshNormals();
    const auto& tex = chunk.getMeshTexCoords();
    // Cell (i, j) -> (i,j) (i,j+1) (i+1,j+1) (i+1,j+1) (i+1,j) (i,j), columns 1..125, rows 0..126.
    const int order[6][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (auto [i, j] : {std::pair{1, 0}, {125, 0}, {64, 63}, {1, 126}, {125, 126}}) {
        const size_t base = (static_cast<size_t>(j) * 125 + (i - 1)) * 6;
        for (int k = 0; k < 6; ++k) {
            const int a = i + order[k][0], b = j + order[k][1];
            expectSameVector(positions[base + k], chunk.getVertex(a, b), "position", a);
            expectSameVector(normals[base + k], chunk.getNormal(a, b), "normal", a);
            EXPECT_EQ(tex[base + k].s, static_cast<float>(a) / 128);
            EXPECT_EQ(tex[base + k].t, static_cast<float>(b) / 128);
        }
    }
    float minS = 1, maxS = 0, maxT = 0;
    float minX = 1e9f, maxX = -1e9f;
    for (int k = 0; k < n; ++k) {
        minS = std::min(minS, tex[k].s);
        maxS = std::max(maxS, tex[k].s);
        maxT = std::max(maxT, tex[k].t);
        minX = std::min(minX, positions[k].x);
        maxX = std::max(maxX, positions[k].x);
    }
    EXPECT_EQ(minS, 1.0f / 128);
    EXPECT_EQ(maxS, 126.0f / 128);
    EXPECT_EQ(maxT, 127.0f / 128);
    EXPECT_LT(maxS, 1.0f);
    EXPECT_EQ(minX, chunk.getVertex(1, 0).x);
    EXPECT_EQ(maxX, chunk.getVertex(126, 0).x);

    // The three buffers hold exactly the mesh.
    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, chunk.getPositionBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, n * 12);
    std::vector<float3> back(n);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, n * 12, back.data());
    EXPECT_EQ(0, std::memcmp(back.data(), positions.data(), n * 12));
    glBindBuffer(GL_ARRAY_BUFFER, chunk.getNormalBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, n * 12);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, n * 12, back.data());
    EXPECT_EQ(0, std::memcmp(back.data(), normals.data(), n * 12));
    glBindBuffer(GL_ARRAY_BUFFER, chunk.getTexCoordBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, n * 8);
    std::vector<TexCoord2> texBack(n);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, n * 8, texBack.data());
    EXPECT_EQ(0, std::memcmp(texBack.data(), tex.data(), n * 8));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(TerrainChunk, DestructorReleasesItsThreeBuffers) {
    game();
    GLuint names[3];
    {
        TerrainChunk chunk(4, 4, 5, 5);
        chunk.buildBuffers();
        names[0] = chunk.getPositionBuffer();
        names[1] = chunk.getNormalBuffer();
        names[2] = chunk.getTexCoordBuffer();
        for (GLuint name : names) EXPECT_TRUE(glIsBuffer(name));
    }
    for (GLuint name : names) EXPECT_FALSE(glIsBuffer(name));
}

TEST(Terrain, RecyclesTheNearestChunkOnlyOnceTheChaseEyeIsStrictlyPastIt) {
    Game& g = game();
    g.state = Title;
    std::srand(8);
    Terrain terrain(50, 20, 128, 128);
    terrain.getPosition() = float3{-25, 0, 0};
    const std::vector<TerrainChunk*> before = terrain.getChunks();

    // Eye exactly on the nearest chunk's first row: nothing happens yet.
    g.getChaseCamera().set(0, 1.4f, 0.0f, 0, 0.5f, -2, 0, 0, -1);
    terrain.draw(false, false, Untextured);
    EXPECT_EQ(terrain.getChunks(), before);

    g.getChaseCamera().set(0, 1.4f, -0.001f, 0, 0.5f, -2, 0, 0, -1);
    terrain.draw(false, false, Untextured);
    auto chunks = terrain.getChunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0], before[1]);
    EXPECT_EQ(chunks[1], before[2]);
    EXPECT_EQ(chunks[2]->getPosition().z, -60.0f);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(chunks[2]->getVertex(i, 127).y, chunks[1]->getVertex(i, 0).y);

    // Far past two chunks: still one replacement per draw.
    g.getChaseCamera().set(0, 1.4f, -45.0f, 0, 0.5f, -47, 0, 0, -1);
    terrain.draw(true, false, Untextured);
    chunks = terrain.getChunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0]->getPosition().z, -40.0f);
    EXPECT_EQ(chunks[2]->getPosition().z, -80.0f);
    terrain.draw(false, false, Untextured);
    chunks = terrain.getChunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0]->getPosition().z, -60.0f);
    EXPECT_EQ(chunks[2]->getPosition().z, -100.0f);
    // The eye is now inside the nearest chunk: stable again.
    terrain.draw(false, false, Untextured);
    EXPECT_EQ(terrain.getChunks()[0]->getPosition().z, -60.0f);
}
