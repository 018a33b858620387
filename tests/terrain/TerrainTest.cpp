// The terrain's GL side: the uploads, the drawn ground against the rules' ground, and the drawn
// landscape. The shape and the choice of tiles are in TerrainRulesTest.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

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

// The terrain drawn straight down from y = 10 over z, orthographic, 20 x 15 units into the whole
// window: per pixel the world height of the ground drawn there, or NaN where none is.
std::vector<float> drawnHeightsFromAbove(Terrain& terrain, float z) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-10, 10, -7.5, 7.5, 0.5, 20);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, 10, z, 0, 0, z, 0, 0, -1);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    terrain.draw(false, false, Untextured, kPlaying);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    std::vector<float> depth(static_cast<size_t>(harness::kWidth) * harness::kHeight);
    glReadPixels(0, 0, harness::kWidth, harness::kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    for (float& d : depth) d = d < 1 ? 10 - (0.5f + d * 19.5f) : NAN;
    return depth;
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

// The chunks' buffers hold their grids byte for byte, 20 apart. The ground the flight's rules
// stand on is the ground drawn: seen from above, at every pixel centre over the strip, across
// both seams, the strip's height is the drawn surface's. Once the strip recycles a chunk, the
// uploads it still has are kept.
TEST(TerrainChunks, HoldTheirGridsAndTheRulesGroundIsTheDrawnGround) {
    Uploaded g(31);
    Terrain& terrain = *g.terrain;
    for (size_t k = 0; k < 3; ++k) {
        const HeightGrid& grid = *g.strip.getChunks()[k].grid;
        const TerrainChunk& chunk = *terrain.getChunks()[k];
        for (GLuint buffer : {chunk.getPositionBuffer(), chunk.getNormalBuffer()}) {
            std::vector<float3> held(128 * 128);
            glBindBuffer(GL_ARRAY_BUFFER, buffer);
            glGetBufferSubData(GL_ARRAY_BUFFER, 0, 128 * 128 * 12, held.data());
            const std::vector<float3>& want =
                buffer == chunk.getPositionBuffer() ? grid.getVertices() : grid.getNormals();
            EXPECT_EQ(std::memcmp(held.data(), want.data(), 128 * 128 * 12), 0) << k;
        }
        EXPECT_EQ(chunk.getPosition().z, -20.0f * k);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    for (float z : {0.0f, -20.0f}) {
        const std::vector<float> drawn = drawnHeightsFromAbove(terrain, z);
        std::vector<float> points, heights;
        std::vector<size_t> pixels;
        for (int py = 0; py < harness::kHeight; py += 7)
            for (int px = 0; px < harness::kWidth; px += 3) {
                pixels.push_back(static_cast<size_t>(py) * harness::kWidth + px);
                const float x = -10 + (px + 0.5f) * 20 / harness::kWidth;
                points.insert(points.end(), {x, z - (-7.5f + (py + 0.5f) * 15 / harness::kHeight)});
            }
        g.strip.heightsAt(points, heights);
        int compared = 0;
        for (size_t k = 0, bad = 0; k < pixels.size() && bad < 5; ++k) {
            const float d = drawn[pixels[k]];
            if (std::isnan(d)) continue;
            ++compared;
            if (std::fabs(heights[k] - d) > 2e-3f)
                ADD_FAILURE() << ++bad << ": at (" << points[2 * k] << ", " << points[2 * k + 1] << ") the strip says "
                              << heights[k] << ", the picture " << d;
        }
        EXPECT_GT(compared, static_cast<int>(pixels.size() * 9 / 10)) << "the ground does not fill the view over " << z;
    }
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
