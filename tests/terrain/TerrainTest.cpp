#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "framework/Logger.h"
#include "objects/GameObject.h"
#include "support/GlHarness.h"
#include "terrain/HeightGenerator.h"
#include "terrain/Terrain.h"

namespace {

// A new game's terrain from the seed, with the game's volumes, centred as the world puts it.
std::unique_ptr<Terrain> terrainFrom(unsigned seed) {
    GameConfig& config = Game::instance().getConfig();
    if (!config.logger) config.logger = new Logger();  // the terrain program logs there, like every effect
    effectContext().logger = config.logger;
    ResourceCache& cache = Game::instance().getResourceCache();
    const TerrainTextures volumes{cache.getTexture("3dterrain4RGB.dds", GL_TEXTURE_3D),
                                  cache.getTexture("3dTexWinter.dds", GL_TEXTURE_3D),
                                  cache.getTexture("3dTexDesert.dds", GL_TEXTURE_3D)};
    std::srand(seed);
    auto terrain = std::make_unique<Terrain>(50, 20, 128, 128, volumes);
    terrain->getPosition() = float3{-25, 0, 0};
    return terrain;
}

// A frame of play with the chase eye at z (where a game starts by default).
TerrainFrame playing(float eyeZ = 0.5f) { return TerrainFrame{float3{0, 1.4f, eyeZ}, true, -0.7f}; }

// The position pass of the terrain under a top-down camera at height y over z.
TerrainHeightQuery& positionPass(Terrain& terrain, Camera& topDown, float y, float z) {
    static TerrainHeightQuery query;
    static TextureLoader loader;
    if (!query.hasTargets()) query.createTargets(Game::instance().getConfig().logger, &loader, TerrainHeightQuery::kPositionWidth,
                                                TerrainHeightQuery::kPositionHeight);
    topDown.set(0, y, z, 0, 0, z, 0, 0, -1);
    query.renderPositions(topDown, [&](bool s, bool f, int m) { terrain.draw(s, f, m, playing()); });
    return query;
}

// Random grid vertices of the mesh (world x, height, world z) inside the area the position pass
// covers around a top-down camera over z.
std::vector<float3> verticesAround(Terrain& terrain, float z, int count) {
    std::mt19937 rng(7);
    std::vector<float3> out;
    while (static_cast<int>(out.size()) < count) {
        TerrainChunk* chunk = terrain.getChunks()[rng() % 3];
        const float3 v = chunk->getGrid().getVertex(1 + rng() % 126, rng() % 128);
        const float3 w{v.x + terrain.getPosition().x, v.y, v.z + chunk->getPosition().z};
        if (std::fabs(w.x) < 9.5f && w.z > z - 29.5f && w.z < z + 1.5f) out.push_back(w);
    }
    return out;
}

// Records what the height query hands it.
struct GroundProbe : GameObject {
    explicit GroundProbe(const float3& at) : GameObject(ObjectKind::Bullet) { setPosition(at.x, 123.0f, at.z); }
    void followGround(float groundHeight) override { received.push_back(groundHeight); }
    std::vector<float> received;
};

// Both matrices, then the matrix mode, both stack depths and the viewport.
std::vector<float> matrixState() {
    std::vector<float> s(39);
    glGetFloatv(GL_MODELVIEW_MATRIX, &s[0]);
    glGetFloatv(GL_PROJECTION_MATRIX, &s[16]);
    const GLenum what[] = {GL_MATRIX_MODE, GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_VIEWPORT};
    for (int k = 0; k < 4; ++k) glGetFloatv(what[k], &s[32 + k]);  // the viewport fills the last four
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
    terrain.draw(useShader, withFog, mode, playing());
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

// The buffers hold, byte for byte, the grids the CPU rules build from the same seed, and the
// shared index buffer the mesh's triangles.
TEST(TerrainChunks, UploadTheGridsTheRulesBuildFromTheSeed) {
    std::unique_ptr<Terrain> terrain = terrainFrom(77);
    std::srand(77);
    std::vector<std::unique_ptr<HeightGrid>> cpu;
    auto expectBuffer = [](GLenum target, GLuint name, const void* expected, int bytes) {
        GLint size = 0;
        std::vector<char> data(bytes);
        glBindBuffer(target, name);
        glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
        glGetBufferSubData(target, 0, bytes, data.data());
        glBindBuffer(target, 0);
        EXPECT_EQ(size, bytes);
        EXPECT_EQ(std::memcmp(data.data(), expected, bytes), 0) << "buffer " << name;
    };
    for (TerrainChunk* chunk : terrain->getChunks()) {
        cpu.push_back(std::make_unique<HeightGrid>(50, 20, 128, 128));
        generateChunkGrid(*cpu.back(), cpu.size() > 1 ? cpu[cpu.size() - 2].get() : nullptr);
        const HeightGrid& grid = *cpu.back();
        EXPECT_EQ(chunk->getPosition().z, -20.0f * (cpu.size() - 1));
        ASSERT_EQ(chunk->getVertexCount(), 128 * 128);
        expectBuffer(GL_ARRAY_BUFFER, chunk->getPositionBuffer(), grid.getVertices().data(), 128 * 128 * 12);
        expectBuffer(GL_ARRAY_BUFFER, chunk->getNormalBuffer(), grid.getNormals().data(), 128 * 128 * 12);
    }
    const std::vector<uint16_t>& indices = terrain->getMesh().getIndices();
    GLint bound = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    expectBuffer(GL_ELEMENT_ARRAY_BUFFER, terrain->getIndexBuffer(), indices.data(), static_cast<int>(indices.size() * 2));
}

TEST(TerrainChunks, OneIsRecycledPerDrawOnlyOnceTheChaseEyeIsStrictlyPastTheNearest) {
    std::unique_ptr<Terrain> terrain = terrainFrom(8);
    const std::vector<TerrainChunk*> before = terrain->getChunks();
    terrain->draw(false, false, Untextured, playing(0.0f));  // on the nearest chunk's first row: not past it
    EXPECT_EQ(terrain->getChunks(), before);
    terrain->draw(false, false, Untextured, playing(-0.001f));
    ASSERT_EQ(terrain->getChunks().size(), 3u);
    EXPECT_TRUE(terrain->getChunks()[0] == before[1] && terrain->getChunks()[1] == before[2]);
    for (float far : {-60.0f, -80.0f, -100.0f, -100.0f}) {  // far past two chunks: still one per draw
        EXPECT_EQ(terrain->getChunks()[2]->getPosition().z, far);
        terrain->draw(false, false, Untextured, playing(-45.0f));
    }
}

// Heights from the GPU are those of the grid; 512 pairs fit one query; any number of objects
// get the ground under them, never below the sea; the query leaves the matrices and viewport.
TEST(HeightQuery, AnswersTheGridHeightsAndPutsObjectsOnTheGroundOrTheSea) {
    std::unique_ptr<Terrain> terrain = terrainFrom(31);
    for (float eyeY : {5.0f, 7.0f}) {
        Camera topDown;
        TerrainHeightQuery& query = positionPass(*terrain, topDown, eyeY, -6);
        const std::vector<float3> samples = verticesAround(*terrain, -6, 700);
        std::vector<float> request, heights(520, -1000.0f);
        for (int k = 0; k < 512; ++k) request.insert(request.end(), {samples[k].x, samples[k].z});
        glMatrixMode(GL_PROJECTION);
        glTranslatef(1, 2, 3);  // the caller's projection, which the query must keep
        glMatrixMode(GL_MODELVIEW);
        const std::vector<float> state = matrixState();
        harness::captureStdout();
        query.computeHeightsAt(request, heights.data());
        EXPECT_EQ(harness::capturedStdout(), "");
        EXPECT_EQ(matrixState(), state);
        for (int k = 0, bad = 0; k < 512 && bad < 5; ++k)
            if (std::fabs(heights[k] + eyeY - samples[k].y) > 0.1f)
                ADD_FAILURE() << ++bad << ": at (" << samples[k].x << ", " << samples[k].z << ") gpu "
                              << heights[k] + eyeY << ", grid " << samples[k].y;
        heights.assign(520, -1000.0f);  // one pair more: a warning, and still the 512 answers only
        request.insert(request.end(), {samples[512].x, samples[512].z});
        harness::captureStdout();
        query.computeHeightsAt(request, heights.data());
        EXPECT_EQ(harness::capturedStdout(), "[WARNING] computeTerrainHeightAt: too many positions requested\n");
        EXPECT_NEAR(heights[511] + eyeY, samples[511].y, 0.1f);
        EXPECT_EQ(heights[512], -1000.0f);

        std::vector<float> levels;
        for (const float3& s : samples) levels.push_back(s.y);
        std::nth_element(levels.begin(), levels.begin() + 140, levels.end());
        const float sea = levels[140];  // a fifth of the ground lies below it
        std::vector<GameObject*> objects;
        for (const float3& s : samples) objects.push_back(new GroundProbe(s));
        // Three points more than the objects ride in the same queries: the first two batches.
        const std::vector<float> extra{samples[3].x, samples[3].z, samples[600].x, samples[600].z, samples[9].x, samples[9].z};
        float extraHeights[3] = {-1000, -1000, -1000};
        std::vector<GameObject*> first(objects.begin(), objects.begin() + 510);
        query.placeOnTerrain(first, topDown, sea, extra, extraHeights);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(extraHeights[k] + eyeY, samples[k == 0 ? 3 : k == 1 ? 600 : 9].y, 0.1f) << k;
        for (GameObject* o : first) static_cast<GroundProbe*>(o)->received.clear();
        query.placeOnTerrain(objects, topDown, sea);
        for (size_t k = 0; k < objects.size(); ++k) {
            const std::vector<float>& received = static_cast<GroundProbe*>(objects[k])->received;
            ASSERT_EQ(received.size(), 1u) << k;
            EXPECT_TRUE(samples[k].y >= sea - 0.1f || received[0] == sea) << k << ": " << received[0];
            EXPECT_NEAR(received[0], std::max(samples[k].y, sea), 0.1f) << k;
            delete objects[k];
        }
    }
}

// Drawn only under the points, the position pass answers at those points exactly as over the
// whole ground: anywhere inside the area, on cell edges and chunk seams, and for points outside
// the area, which read its edge.
TEST(HeightQuery, TheGroundUnderThePointsAloneAnswersAsTheWholeGround) {
    std::unique_ptr<Terrain> terrain = terrainFrom(44);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> across(-13, 13), along(-6 - 34, -6 + 5);
    std::vector<float> points;
    for (int k = 0; k < 380; ++k) points.insert(points.end(), {across(rng), along(rng)});
    for (const float3& v : verticesAround(*terrain, -6, 60)) points.insert(points.end(), {v.x, v.z});  // cell corners
    for (float seam : {0.0f, -20.0f})
        for (float dz : {-0.001f, 0.0f, 0.001f}) points.insert(points.end(), {across(rng), seam + dz});

    Camera topDown;
    std::vector<float> whole(512), under(512);
    positionPass(*terrain, topDown, 5, -6).computeHeightsAt(points, whole.data());
    const int wholeIndices = terrain->getLastIndexCount();
    TerrainHeightQuery& query = positionPass(*terrain, topDown, 5, -6);
    const std::vector<float> inside = TerrainHeightQuery::insideArea(topDown, points);
    query.renderPositions(topDown, [&](bool, bool, int) { terrain->drawAround(inside, playing()); });
    query.computeHeightsAt(points, under.data());
    EXPECT_LT(terrain->getLastIndexCount(), wholeIndices / 5);
    for (size_t k = 0, bad = 0; k < points.size() / 2 && bad < 5; ++k)
        if (under[k] != whole[k])
            ADD_FAILURE() << ++bad << ": at (" << points[2 * k] << ", " << points[2 * k + 1] << ") " << under[k]
                          << " instead of " << whole[k];
    EXPECT_EQ(harness::glErrors(), "");
}

// A chase view sends only the tiles in front of the eye: far fewer than the three chunks hold,
// and what it sends still covers the view (the landscape test below checks the picture).
TEST(TerrainDraw, AChaseViewSendsOnlyTheTilesInsideTheView) {
    std::unique_ptr<Terrain> terrain = terrainFrom(12);
    const TerrainMesh& mesh = terrain->getMesh();
    int all = 0;  // every row of every tile of the three chunks
    for (int band = 0; band < mesh.getBands(); ++band)
        for (int tile = 0; tile < mesh.getTilesX(); ++tile) all += 3 * mesh.range(tile, band, 0).count;
    drawChaseView(*terrain, false, false, Untextured);
    const int chase = terrain->getLastIndexCount();
    EXPECT_GT(chase, all / 10);
    EXPECT_LT(chase, all / 2) << "tiles behind the eye or beside the view were sent";
    // Looking straight down from far below the ground, nothing of the strip is in view.
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, -50, 0, 0, -100, 0, 0, 0, -1);
    terrain->draw(false, false, Untextured, playing());
    glPopMatrix();
    EXPECT_EQ(terrain->getLastIndexCount(), 0);
    EXPECT_EQ(harness::glErrors(), "");
}

// Every mode, with and without the terrain program, shades a landscape; fog pales only the distance.
TEST(TerrainDraw, EveryModeShadesALandscapeAndFogPalesOnlyTheDistance) {
    std::unique_ptr<Terrain> terrain = terrainFrom(12);
    for (int mode = Winter; mode <= Untextured; ++mode)
        for (bool shader : {true, false}) {
            const std::vector<double> view = drawChaseView(*terrain, shader, false, mode);
            EXPECT_GT(view[0], 0.95) << "mode " << mode << (shader ? " with" : " without") << " the program";
            EXPECT_GT(view[1], 40) << "mode " << mode << ": too dark";
            EXPECT_GT(view[2], shader ? 4.0 : 2.0) << "mode " << mode << ": flat colour, no relief visible";
        }
    const std::vector<double> plain = drawChaseView(*terrain, true, false, Desert);
    const std::vector<double> fogged = drawChaseView(*terrain, true, true, Desert);
    EXPECT_LT(fogged[4], plain[4] * 0.6) << "no fog in the distance";
    EXPECT_NEAR(fogged[3], plain[3], 12.0) << "fog on the ground in front of the camera";

    // Untextured without the program: the first three texture units and the texture coordinate
    // source stay as they were.
    GLuint names[4];
    glGenTextures(3, names);
    glGenBuffers(1, &names[3]);
    glBindBuffer(GL_ARRAY_BUFFER, names[3]);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    for (int unit = 0; unit < 3; ++unit) glActiveTextureARB(GL_TEXTURE0_ARB + unit), glBindTexture(GL_TEXTURE_2D, names[unit]);
    terrain->draw(false, false, Untextured, playing());
    GLint bound[4];
    glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &bound[3]);
    for (int unit = 0; unit < 3; ++unit) glActiveTextureARB(GL_TEXTURE0_ARB + unit), glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound[unit]);
    EXPECT_EQ(std::vector<GLint>(bound, bound + 4), std::vector<GLint>(names, names + 4));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteTextures(3, names);
    glDeleteBuffers(1, &names[3]);
    EXPECT_EQ(harness::glErrors(), "");
}
