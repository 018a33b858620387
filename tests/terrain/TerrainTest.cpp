// The terrain's GL side: the uploads, the GPU's height query and the drawn landscape. The
// shape and the choice of tiles are in TerrainRulesTest.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "framework/Logger.h"
#include "support/GlHarness.h"
#include "terrain/Terrain.h"

namespace {

// A new game's strip from the seed, uploaded with the game's volumes.
struct Uploaded {
    explicit Uploaded(unsigned seed) {
        static Logger logger;  // the terrain program logs there, like every effect
        effectContext().logger = &logger;
        auto volume = [](const char* name) { return Game::instance().getResourceCache().getTexture(name, GL_TEXTURE_3D); };
        Random random(seed);
        strip.reset(random);
        terrain = std::make_unique<Terrain>(50, 20, 128, 128,
                                            TerrainTextures{volume("3dterrain4RGB.dds"), volume("3dTexWinter.dds"), volume("3dTexDesert.dds")});
        terrain->sync(strip);
    }
    TerrainStrip strip;
    std::unique_ptr<Terrain> terrain;
};

// A frame of play (the sea where a game starts).
const TerrainFrame kPlaying{true, -0.7f};

// The position pass of the terrain under a top-down camera at height y over z.
TerrainHeightQuery& positionPass(Terrain& terrain, Camera& topDown, float y, float z) {
    static TerrainHeightQuery query;
    static TextureLoader loader;
    static Logger logger;
    if (!query.hasTargets())
        query.createTargets(&logger, &loader, TerrainHeightQuery::kPositionWidth, TerrainHeightQuery::kPositionHeight);
    topDown.set(0, y, z, 0, 0, z, 0, 0, -1);
    query.renderPositions(topDown, [&](bool s, bool f, int m) { terrain.draw(s, f, m, kPlaying); });
    return query;
}

// Random grid vertices of the mesh (world x, height, world z) inside the area the position pass
// covers around a top-down camera over z.
std::vector<float3> verticesAround(Terrain& terrain, float z, int count) {
    std::mt19937 rng(7);
    std::vector<float3> out;
    while (static_cast<int>(out.size()) < count) {
        const TerrainChunk* chunk = terrain.getChunks()[rng() % 3];
        const float3 v = chunk->getGrid().getVertex(1 + rng() % 126, rng() % 128);
        const float3 w{v.x + terrain.getPosition().x, v.y, v.z + chunk->getPosition().z};
        if (std::fabs(w.x) < 9.5f && w.z > z - 29.5f && w.z < z + 1.5f) out.push_back(w);
    }
    return out;
}

// Both matrices, then the matrix mode, both stack depths and the viewport.
std::vector<float> matrixState() {
    std::vector<float> s(39);
    glGetFloatv(GL_MODELVIEW_MATRIX, &s[0]);
    glGetFloatv(GL_PROJECTION_MATRIX, &s[16]);
    int k = 32;  // the viewport fills the last four
    for (GLenum what : {GL_MATRIX_MODE, GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_VIEWPORT}) glGetFloatv(what, &s[k++]);
    return s;
}

// Draws the chase view of the terrain, lit by a low sun, on a sky-blue clear colour. Returns the
// share of the lower half that shows terrain; of the pixels nearer than 6 to the eye the mean
// and spread of their brightness; and the mean colour distance to the fog colour of those
// pixels and of the ones farther than 20.
std::vector<double> drawChaseView(Terrain& terrain, bool useShader, bool withFog, int mode) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    Game::instance().initProjection();
    glLoadIdentity();
    gluLookAt(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.45f, 0.62f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float sun[4] = {-0.8f, 0.35f, 0.25f, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL}) glEnable(cap);
    glColor3f(0.55f, 0.7f, 0.45f);
    terrain.draw(useShader, withFog, mode, kPlaying);
    glPopAttrib();
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    std::vector<float> depth(px.size() / 4);
    glReadPixels(0, 0, harness::kWidth, harness::kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    double covered = 0, n[2] = {0, 0}, sum = 0, squares = 0, fog[2] = {0, 0};
    for (size_t k = 0; k < depth.size(); ++k) {
        const double eye = 0.1 * 30 / (30 - depth[k] * 29.9);
        const double l = 0.3 * px[4 * k] + 0.59 * px[4 * k + 1] + 0.11 * px[4 * k + 2];
        covered += k < depth.size() / 2 && depth[k] < 1;
        if (depth[k] >= 1 || (eye > 6 && eye < 20)) continue;
        n[eye >= 20] += 1;
        fog[eye >= 20] += std::abs(px[4 * k] - 204) + std::abs(px[4 * k + 1] - 219) + std::abs(px[4 * k + 2] - 237);
        if (eye <= 6) sum += l, squares += l * l;
    }
    return {covered / (depth.size() / 2), sum / n[0], std::sqrt(squares / n[0] - sum * sum / n[0] / n[0]),
            fog[0] / n[0], fog[1] / std::max(1.0, n[1])};
}

}  // namespace

// The chunks' buffers hold their grids (the normals byte for byte, the heights as the GPU
// answers them): from either eye height the heights are the grid's; 512 pairs fit one query,
// more are asked in batches; the query leaves the matrices and the viewport as they were.
// Drawn only under the points, the position pass answers at them exactly as over the whole
// ground: anywhere inside the area, on cell edges and chunk seams, and for points outside the
// area, which read its edge. Once the strip recycles a chunk, the uploads it still has are kept.
TEST(TerrainChunks, HoldTheGridsTheHeightQueryAnswersInBatchesAndUnderThePointsAloneAsOverTheWhole) {
    Uploaded g(31);
    Terrain& terrain = *g.terrain;
    for (size_t k = 0; k < 3; ++k) {
        std::vector<float3> normals(128 * 128);
        glBindBuffer(GL_ARRAY_BUFFER, terrain.getChunks()[k]->getNormalBuffer());
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, 128 * 128 * 12, normals.data());
        EXPECT_EQ(std::memcmp(normals.data(), g.strip.getChunks()[k].grid->getNormals().data(), 128 * 128 * 12), 0) << k;
        EXPECT_EQ(terrain.getChunks()[k]->getPosition().z, -20.0f * k);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const std::vector<float3> samples = verticesAround(terrain, -6, 700);
    Camera topDown;
    for (float eyeY : {7.0f, 5.0f}) {
        TerrainHeightQuery& query = positionPass(terrain, topDown, eyeY, -6);
        std::vector<float> request, heights(520, -1000.0f);
        for (int k = 0; k < 513; ++k) request.insert(request.end(), {samples[k].x, samples[k].z});
        glMatrixMode(GL_PROJECTION);
        glTranslatef(1, 2, 3);  // the caller's projection, which the query must keep
        glMatrixMode(GL_MODELVIEW);
        const std::vector<float> state = matrixState();
        harness::captureStdout();
        query.computeHeightsAt(request, heights.data());
        EXPECT_EQ(harness::capturedStdout(), "[WARNING] computeTerrainHeightAt: too many positions requested\n");
        EXPECT_EQ(matrixState(), state);
        EXPECT_EQ(heights[512], -1000.0f) << "513 pairs still give 512 answers";

        for (const float3& s : samples) request.insert(request.end(), {s.x, s.z});
        std::vector<float> all;
        query.groundHeights(topDown, request, all);
        ASSERT_EQ(all.size(), request.size() / 2);
        for (size_t k = 0, bad = 0; k < all.size() && bad < 5; ++k) {
            const float3& want = samples[k < 513 ? k : k - 513];
            if (std::fabs(all[k] - want.y) > 0.1f)
                ADD_FAILURE() << ++bad << ": at (" << want.x << ", " << want.z << ") gpu " << all[k] << ", grid " << want.y;
        }
    }

    std::mt19937 rng(3);
    std::uniform_real_distribution<float> across(-13, 13), along(-6 - 34, -6 + 5);
    std::vector<float> points;
    for (int k = 0; k < 380; ++k) points.insert(points.end(), {across(rng), along(rng)});
    for (int k = 0; k < 60; ++k) points.insert(points.end(), {samples[k].x, samples[k].z});  // cell corners
    for (float seam : {0.0f, -20.0f})
        for (float dz : {-0.001f, 0.0f, 0.001f}) points.insert(points.end(), {across(rng), seam + dz});
    std::vector<float> whole(512), under(512);
    TerrainHeightQuery& query = positionPass(terrain, topDown, 5, -6);
    const int wholeIndices = terrain.getLastIndexCount();
    query.computeHeightsAt(points, whole.data());
    const std::vector<float> inside = TerrainHeightQuery::insideArea(topDown, points);
    query.renderPositions(topDown, [&](bool, bool, int) { terrain.drawAround(inside); });
    query.computeHeightsAt(points, under.data());
    EXPECT_LT(terrain.getLastIndexCount(), wholeIndices / 5);
    for (size_t k = 0, bad = 0; k < points.size() / 2 && bad < 5; ++k)
        if (under[k] != whole[k])
            ADD_FAILURE() << ++bad << ": at (" << points[2 * k] << ", " << points[2 * k + 1] << ") " << under[k]
                          << " instead of " << whole[k];
    EXPECT_EQ(harness::glErrors(), "");

    const std::vector<TerrainChunk*> before = terrain.getChunks();
    Random random(5);
    ASSERT_TRUE(g.strip.recycle(-0.001f, random));
    terrain.sync(g.strip);
    ASSERT_EQ(terrain.getChunks().size(), 3u);
    EXPECT_TRUE(terrain.getChunks()[0] == before[1] && terrain.getChunks()[1] == before[2]);
    EXPECT_EQ(terrain.getChunks()[2]->getPosition().z, -60.0f);
}

// A chase view sends only the tiles in front of the eye, far fewer than the three chunks hold,
// and they cover the view: every mode, with and without the terrain program, shades a
// landscape there, and fog pales only the distance. Seen from below the ground, nothing is sent.
TEST(TerrainDraw, AChaseViewSendsOnlyItsTilesAndEveryModeShadesALandscapeFoggedOnlyFarOff) {
    Uploaded g(12);
    Terrain& terrain = *g.terrain;
    for (int mode = Winter; mode <= Untextured; ++mode)
        for (bool shader : {true, false}) {
            const std::vector<double> view = drawChaseView(terrain, shader, false, mode);
            EXPECT_GT(view[0], 0.95) << "mode " << mode << (shader ? " with" : " without") << " the program";
            EXPECT_GT(view[1], 40) << "mode " << mode << ": too dark";
            EXPECT_GT(view[2], shader ? 4.0 : 2.0) << "mode " << mode << ": flat colour, no relief visible";
        }
    const TerrainMesh& mesh = terrain.getMesh();
    int all = 0;  // every row of every tile of the three chunks
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int tile = 0; tile < mesh.getTilesX(); ++tile) all += 3 * mesh.range(tile, band, 0).count;
    EXPECT_GT(terrain.getLastIndexCount(), all / 10);
    EXPECT_LT(terrain.getLastIndexCount(), all / 2) << "tiles behind the eye or beside the view were sent";
    const std::vector<double> plain = drawChaseView(terrain, true, false, Desert);
    const std::vector<double> fogged = drawChaseView(terrain, true, true, Desert);
    EXPECT_LT(fogged[4], plain[4] * 0.6) << "no fog in the distance";
    EXPECT_NEAR(fogged[3], plain[3], 12.0) << "fog on the ground in front of the camera";

    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, -50, 0, 0, -100, 0, 0, 0, -1);  // straight down from far below the ground
    terrain.draw(false, false, Untextured, kPlaying);
    glPopMatrix();
    EXPECT_EQ(terrain.getLastIndexCount(), 0);
    EXPECT_EQ(harness::glErrors(), "");
}
