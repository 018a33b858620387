#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/Game.h"
#include "core/GameState.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "objects/GameObject.h"
#include "platform/Random.h"
#include "support/GlHarness.h"
#include "terrain/HeightGenerator.h"
#include "terrain/Terrain.h"

namespace {

// The services the terrain reaches through the Game, the height-query targets, cameras at the start.
Game& game() {
    Game& g = Game::instance();
    if (!g.getConfig().logger) g.getConfig().logger = new Logger();
    if (!g.getConfig().textureLoader) g.getConfig().textureLoader = new TextureLoader();
    if (!g.heightQuery.hasTargets()) g.createHeightQueryTargets();
    g.state = Playing;
    g.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    g.getTopDownCamera().set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
    return g;
}

// A new game terrain from the given seed.
Terrain& freshTerrain(unsigned seed) {
    std::srand(seed);
    game().getWorld().reset();
    return *game().getWorld().getTerrain();
}

// Height of the terrain's own triangles under world (x, z); false where no chunk's mesh is.
bool meshHeightAt(Terrain& terrain, float x, float z, float* height) {
    for (TerrainChunk* c : terrain.getChunks()) {
        const double u = (x - terrain.getPosition().x - c->getPosition().x) * (c->getVerticesX() - 1.0) / c->getSizeX();
        const double v = (z - terrain.getPosition().z - c->getPosition().z) * (c->getVerticesZ() - 1.0) / c->getSizeZ();
        const int i = static_cast<int>(u), j = std::min(static_cast<int>(v), c->getVerticesZ() - 2);
        if (v < 0 || v > c->getVerticesZ() - 1 || u < 1 || i > c->getVerticesX() - 3) continue;
        auto h = [&](int a, int b) { return c->getVertex(i + a, j + b).y; };
        const double fu = u - i, fv = v - j;  // cell split along (i, j)-(i + 1, j + 1)
        *height = fu <= fv ? h(0, 0) + (h(0, 1) - h(0, 0)) * fv + (h(1, 1) - h(0, 1)) * fu
                           : h(0, 0) + (h(1, 0) - h(0, 0)) * fu + (h(1, 1) - h(1, 0)) * fv;
        return true;
    }
    return false;
}

// Random (x, z, true height) inside the area the position pass covers around the top-down camera.
std::vector<float3> samplesAround(Terrain& terrain, float cameraZ, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> xs(-9.5f, 9.5f), zs(cameraZ - 29.5f, cameraZ + 1.5f);
    std::vector<float3> out;
    for (float3 s{0, 0, 0}; static_cast<int>(out.size()) < count;)
        if (s.x = xs(rng), s.z = zs(rng), meshHeightAt(terrain, s.x, s.z, &s.y)) out.push_back(s);
    return out;
}

std::vector<float> pairs(const std::vector<float3>& samples) {
    std::vector<float> r;
    for (const float3& s : samples) r.insert(r.end(), {s.x, s.z});
    return r;
}

// Records what the height query hands it.
struct GroundProbe : GameObject {
    explicit GroundProbe(const float3& at) { setPosition(at.x, 123.0f, at.z); }
    void followGround(float groundHeight) override { received.push_back(groundHeight); }
    std::vector<float> received;
};

// The chase view of the terrain, lit by a low sun, on a sky-blue clear colour.
void beginFrame() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 800.0 / 600.0, 0.1, 30);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    game().getChaseCamera().apply();
    glEnable(GL_DEPTH_TEST);
    game().getWorld().drawSea();  // sets the level the beach band follows; cleared away, only terrain counts
    glClearColor(0.45f, 0.62f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    const float sun[4] = {-0.8f, 0.35f, 0.25f, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL}) glEnable(cap);
    glColor3f(0.55f, 0.7f, 0.45f);
}

// Of the lower half: the share not the clear colour, and its brightness (mean, spread).
std::vector<double> lowerHalfStats() {
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight / 2);
    double covered = 0, sum = 0, squares = 0;
    for (size_t k = 0; k < px.size(); k += 4) {
        if (std::abs(px[k] - 115) + std::abs(px[k + 1] - 158) + std::abs(px[k + 2] - 217) < 6) continue;
        const double l = 0.3 * px[k] + 0.59 * px[k + 1] + 0.11 * px[k + 2];
        covered += 1;
        sum += l;
        squares += l * l;
    }
    return {covered / (px.size() / 4), sum / covered, std::sqrt(squares / covered - sum * sum / covered / covered)};
}

// Mean colour distance to the fog colour of the pixels nearer than 6 and farther than 20 from the eye.
std::vector<double> fogDistances() {
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    std::vector<float> depth(px.size() / 4);
    glReadPixels(0, 0, harness::kWidth, harness::kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    std::vector<double> sum(2), count(2);
    for (size_t i = 0; i < depth.size(); ++i) {
        const double eye = 0.1 * 30 / (30 - depth[i] * 29.9);
        if (depth[i] >= 1 || (eye > 6 && eye < 20)) continue;
        sum[eye >= 20] += std::abs(px[i * 4] - 204) + std::abs(px[i * 4 + 1] - 219) + std::abs(px[i * 4 + 2] - 237);
        count[eye >= 20] += 1;
    }
    EXPECT_TRUE(count[0] > 1000 && count[1] > 1000) << "near and far ground must be in view";
    return {sum[0] / count[0], sum[1] / count[1]};
}

}  // namespace

TEST(TerrainGeneration, ChunksJoinAtTheSeamsTheFirstKeepsZeroBorderNormalsAndTheMeshIsTrimmed) {
    game();
    std::srand(2024);
    Terrain terrain(50, 20, 128, 128);
    const std::vector<TerrainChunk*>& chunks = terrain.getChunks();
    ASSERT_EQ(chunks.size(), 3u);
    auto same = [](const float3& a, const float3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    int relief = 0;
    for (int k = 1; k < 3; ++k)
        for (int i = 0; i < 128; ++i) {
            EXPECT_EQ(chunks[k]->getVertex(i, 127).y, chunks[k - 1]->getVertex(i, 0).y) << k << ", " << i;
            EXPECT_TRUE(same(chunks[k]->getNormal(i, 127), chunks[k - 1]->getNormal(i, 0))) << k << ", " << i;
            relief += chunks[k]->getVertex(i, 127).y != 0 && chunks[k]->getNormal(i, 127).y > 0.3f;
        }
    EXPECT_GT(relief, 240);  // the seams carry real heights and shading, not zeros
    const float3 zero{0, 0, 0};
    for (int n = 0; n < 128; ++n)
        EXPECT_TRUE(same(chunks[0]->getNormal(0, n), zero) && same(chunks[0]->getNormal(127, n), zero) &&
                    same(chunks[0]->getNormal(n, 127), zero)) << n;
    // The mesh leaves out the outer columns; its texture s runs up to 126 / 128, never 1.
    ASSERT_EQ(chunks[1]->getVertexCount(), 127 * 125 * 6);
    float maxS = 0;
    for (int k = 0; k < chunks[1]->getVertexCount(); ++k) maxS = std::max(maxS, chunks[1]->getMeshTexCoords()[k].s);
    EXPECT_EQ(maxS, 126.0f / 128);
}

TEST(TerrainGeneration, ScalesShrinkThreeTwoOneZeroOffsetsStayInRangeAndHeightsAreSetOnce) {
    game();
    for (unsigned seed : {1u, 99u}) {
        TerrainChunk chunk(50, 20, 128, 128);
        chunk.setHeightIfUnset(63, 63, 7.0f);   // the level-1 centre, set beforehand
        chunk.setHeightIfUnset(31, 95, 0.125f);
        chunk.setHeightIfUnset(31, 95, -4.0f);  // a second write does not take
        std::vector<HeightGenerator::CellRecord> cells;
        HeightGenerator generator;
        generator.record = &cells;
        std::srand(seed);
        generator.generate(chunk, 0.005f, 3.0f);
        ASSERT_GT(cells.size(), 1000u);
        for (const HeightGenerator::CellRecord& c : cells) {
            ASSERT_EQ(c.scale, std::max(0, 4 - c.level)) << "level " << c.level;
            for (float o : c.offsets) EXPECT_TRUE(c.level > 1 || (o >= -1.5f && o <= 1.497f)) << o;
        }
        EXPECT_EQ(chunk.getVertex(63, 63).y, 7.0f);
        EXPECT_EQ(chunk.getVertex(31, 95).y, 0.125f);
    }
    // The level-1 offsets reach exactly the ends of their range.
    HeightGenerator generator;
    float lowest = 10, highest = -10;
    for (int k = 0; k < 100000; ++k) {
        const float o = generator.randomOffset(3);
        lowest = std::min(lowest, o);
        highest = std::max(highest, o);
    }
    EXPECT_FLOAT_EQ(lowest, -1.5f);
    EXPECT_FLOAT_EQ(highest, 1.497f);
}

TEST(TerrainStrip, RecyclesOneChunkPerDrawOnlyOnceTheChaseEyeIsStrictlyPastTheNearest) {
    game();
    std::srand(8);
    Terrain terrain(50, 20, 128, 128);
    const std::vector<TerrainChunk*> before = terrain.getChunks();
    auto drawWithEyeAt = [&](float z) {
        game().getChaseCamera().set(0, 1.4f, z, 0, 0.5f, z - 2, 0, 0, -1);
        terrain.draw(false, false, Untextured);
        EXPECT_EQ(terrain.getChunks().size(), 3u);
    };
    drawWithEyeAt(0.0f);  // on the nearest chunk's first row: not past it yet
    EXPECT_EQ(terrain.getChunks(), before);
    drawWithEyeAt(-0.001f);
    EXPECT_EQ(std::vector<TerrainChunk*>(terrain.getChunks().begin(), terrain.getChunks().begin() + 2),
              std::vector<TerrainChunk*>(before.begin() + 1, before.end()));
    for (float far : {-60.0f, -80.0f, -100.0f, -100.0f}) {  // far past two chunks: still one per draw
        EXPECT_EQ(terrain.getChunks()[2]->getPosition().z, far);
        drawWithEyeAt(-45.0f);
    }
}

TEST(HeightQuery, GpuHeightsMatchTheTerrainTrianglesAndOnly512PairsFit) {
    Terrain& terrain = freshTerrain(31);
    Game& g = game();
    for (float eyeY : {5.0f, 7.0f}) {
        g.getTopDownCamera().set(0, eyeY, -6, 0, 0, -6, 0, 0, -1);
        g.renderTerrainPositions();
        const std::vector<float3> samples = samplesAround(terrain, -6, 513, 7);
        std::vector<float> heights(520, -1000.0f);
        harness::captureStdout();
        g.computeTerrainHeightAt(pairs(std::vector<float3>(samples.begin(), samples.begin() + 512)), heights.data());
        EXPECT_EQ(harness::capturedStdout(), "");
        int bad = 0;
        for (int k = 0; k < 512 && bad < 5; ++k)
            if (std::fabs(heights[k] - (samples[k].y - eyeY)) > 0.1f)
                ADD_FAILURE() << ++bad << ": at (" << samples[k].x << ", " << samples[k].z << ") gpu "
                              << heights[k] + eyeY << ", triangles " << samples[k].y;
        // One pair more: a warning, and still the 512 answers, nothing written past them.
        heights.assign(520, -1000.0f);
        harness::captureStdout();
        g.computeTerrainHeightAt(pairs(samples), heights.data());
        EXPECT_EQ(harness::capturedStdout(), "[WARNING] computeTerrainHeightAt: too many positions requested\n");
        EXPECT_NEAR(heights[511], samples[511].y - eyeY, 0.1f);
        EXPECT_EQ(heights[512], -1000.0f);
    }
}

// Ground under the sea answers the sea level itself; more than 512 objects are asked in batches.
TEST(HeightQuery, PlaceOnTerrainFloorsAtTheSeaAndAnswersEveryObject) {
    Terrain& terrain = freshTerrain(23);
    Game& g = game();
    g.getWorld().drawSea();
    const float sea = g.getWorld().getSeaLevel();
    g.renderTerrainPositions();
    std::vector<GameObject*> objects;
    const std::vector<float3> samples = samplesAround(terrain, -1.25f, 700, 41);
    for (const float3& s : samples) objects.push_back(new GroundProbe(s));
    g.placeOnTerrain(objects);
    int underSea = 0;
    for (size_t k = 0; k < objects.size(); ++k) {
        const std::vector<float>& received = static_cast<GroundProbe*>(objects[k])->received;
        ASSERT_EQ(received.size(), 1u) << k;
        if (samples[k].y < sea - 0.1f) {
            EXPECT_EQ(received[0], sea) << k;
            ++underSea;
        }
        EXPECT_NEAR(received[0], std::max(samples[k].y, sea), 0.1f) << k;
        delete objects[k];
    }
    EXPECT_GT(underSea, 10);
}

TEST(HeightQuery, LeavesModelViewModeBothStacksAndTheWindowViewport) {
    freshTerrain(9);
    game().renderTerrainPositions();
    for (GLenum mode : {GL_MODELVIEW, GL_PROJECTION}) {
        glMatrixMode(mode);
        glPushMatrix();
        glTranslatef(1, 2, 3);
    }
    auto stacks = [] {
        std::vector<float> s(34);
        glGetFloatv(GL_PROJECTION_MATRIX, s.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, s.data() + 16);
        GLint depths[2];
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depths[0]);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depths[1]);
        s[32] = depths[0], s[33] = depths[1];
        return s;
    };
    const std::vector<float> before = stacks();
    std::vector<float> heights(512);
    game().computeTerrainHeightAt({0.0f, -5.0f, 1.0f, -10.0f}, heights.data());
    EXPECT_EQ(stacks(), before);
    GLint mode = 0, viewport[4];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, harness::kWidth, harness::kHeight}));
    for (GLenum m : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(m);
        glPopMatrix();
    }
}

// Every mode with and without the terrain program shades a landscape.
TEST(TerrainDraw, EveryModeDrawsAShadedLandscapeAndFogPalesOnlyTheDistance) {
    Terrain& terrain = freshTerrain(12);
    const char* names[4] = {"winter", "desert", "beach", "untextured"};
    for (int mode = Winter; mode <= Untextured; ++mode)
        for (bool shader : {true, false}) {
            beginFrame();
            terrain.draw(shader, false, mode);
            const std::string name = std::string("terrain-") + names[mode] + (shader ? "-shader" : "-fixed");
            const std::vector<double> stats = lowerHalfStats();
            EXPECT_GT(stats[0], 0.95) << name;
            EXPECT_GT(stats[1], 40) << name << ": too dark";
            EXPECT_GT(stats[2], shader ? 4.0 : 2.0) << name << ": flat colour, no relief visible";
            glPopAttrib();
        }
    std::vector<double> plain, fogged;
    for (bool fog : {false, true}) {
        beginFrame();
        terrain.draw(true, fog, Desert);
        (fog ? fogged : plain) = fogDistances();
        glPopAttrib();
    }
    EXPECT_LT(fogged[1], plain[1] * 0.6) << "no fog in the distance";
    EXPECT_NEAR(fogged[0], plain[0], 12.0) << "fog on the ground in front of the camera";
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(TerrainDraw, UntexturedWithoutTheShaderTouchesNoTextureUnitButTheCleanUp) {
    Terrain& terrain = freshTerrain(4);
    GLuint names[3], coords = 0;
    glGenTextures(3, names);
    glGenBuffers(1, &coords);
    beginFrame();  // draws the sea, which feeds texture coordinates of its own
    for (int unit = 0; unit < 3; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glBindTexture(GL_TEXTURE_2D, names[unit]);
    }
    glBindBuffer(GL_ARRAY_BUFFER, coords);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    terrain.draw(false, false, Untextured);
    GLint source = 0;
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &source);
    EXPECT_EQ(static_cast<GLuint>(source), coords) << "texture coordinates were set up";
    for (int unit = 0; unit < 3; ++unit) {
        GLint bound = 0;
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), names[unit]) << "unit " << unit;
    }
    EXPECT_GT(lowerHalfStats()[0], 0.95);
    glPopAttrib();
    glDeleteTextures(3, names);
    glDeleteBuffers(1, &coords);
}
