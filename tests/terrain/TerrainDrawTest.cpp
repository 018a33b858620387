#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>

#include "framework/ShaderProgram.h"
#include "support/GlHarness.h"
#include "terrain/TerrainShader.h"
#include "TerrainTestSupport.h"

using terraintest::game;
using terraintest::placeCamerasAtStart;

namespace {

std::string pngPath(const std::string& name) {
    const std::string dir = std::string(LUMIVEX_GAME_DIR) + "/../test-output";
    mkdir(dir.c_str(), 0755);
    return dir + "/" + name + ".png";
}

void setUpScene() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 800.0 / 600.0, 0.1, 30);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Game::instance().getChaseCamera().apply();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glClearColor(0.45f, 0.62f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The sea as the game draws it, which also sets the level the beach band follows.
    Game::instance().getWorld().drawSea();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    // Fixed-function light for the draws without the terrain program.
    const float lightDir[4] = {-0.8f, 0.35f, 0.25f, 0};  // low sun: the gentle relief shows
    const float diffuse[4] = {0.85f, 0.85f, 0.8f, 1};
    const float ambient[4] = {0.3f, 0.32f, 0.36f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lightDir);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.55f, 0.7f, 0.45f);
}

void tearDownScene() {
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glColor3f(1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

struct FrameStats {
    double coverage;  // share of the lower half that is not the clear colour
    double mean[3];
    double spread;    // standard deviation of the luminance over the covered pixels
};

FrameStats lowerHalfStats() {
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight / 2);
    const unsigned char clear[3] = {115, 158, 217};
    size_t covered = 0;
    double sum[3] = {0, 0, 0}, lum = 0, lum2 = 0;
    for (size_t k = 0; k < px.size(); k += 4) {
        if (std::abs(px[k] - clear[0]) + std::abs(px[k + 1] - clear[1]) + std::abs(px[k + 2] - clear[2]) < 6) continue;
        ++covered;
        for (int c = 0; c < 3; ++c) sum[c] += px[k + c];
        const double l = 0.3 * px[k] + 0.59 * px[k + 1] + 0.11 * px[k + 2];
        lum += l;
        lum2 += l * l;
    }
    FrameStats s{};
    const size_t total = px.size() / 4;
    s.coverage = static_cast<double>(covered) / total;
    if (covered) {
        for (int c = 0; c < 3; ++c) s.mean[c] = sum[c] / covered;
        const double m = lum / covered;
        s.spread = std::sqrt(std::max(0.0, lum2 / covered - m * m));
    }
    return s;
}

double colourDistance(const FrameStats& a, const FrameStats& b) {
    return std::fabs(a.mean[0] - b.mean[0]) + std::fabs(a.mean[1] - b.mean[1]) + std::fabs(a.mean[2] - b.mean[2]);
}

// One volume of known slices: red at the bottom, blue at the top.
GLuint makeRedToBlueVolume() {
    std::vector<unsigned char> data;
    for (int z = 0; z < 8; ++z)
        for (int k = 0; k < 4 * 4; ++k) {
            data.push_back(static_cast<unsigned char>(230 - z * 30));
            data.push_back(30);
            data.push_back(static_cast<unsigned char>(20 + z * 30));
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_3D, name);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, 4, 4, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, data.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    return name;
}

// A flat square of ground at height y, centred on (x, z), seen from straight above.
void groundSquare(float x, float y, float z, float half) {
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    glTexCoord2f(0.1f, 0.1f);
    glVertex3f(x - half, y, z - half);
    glTexCoord2f(0.1f, 0.2f);
    glVertex3f(x - half, y, z + half);
    glTexCoord2f(0.2f, 0.2f);
    glVertex3f(x + half, y, z + half);
    glTexCoord2f(0.2f, 0.1f);
    glVertex3f(x + half, y, z - half);
    glEnd();
}

// Renders two squares at the two heights with the given shader mode and returns the
// colours at their centres (left square low, right square high).
std::pair<std::array<unsigned char, 4>, std::array<unsigned char, 4>> lowAndHigh(TerrainShader& shader, int mode,
                                                                                 float low, float high) {
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -3, 3, 0.1, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 8, 0, 0, 0, 0, 0, 0, -1);
    shader.prepare(false, mode);
    groundSquare(-2, low, 0, 1);
    groundSquare(2, high, 0, 1);
    shader.deactivate();
    const auto a = harness::readPixel(harness::kWidth / 2 - 200, harness::kHeight / 2);
    const auto b = harness::readPixel(harness::kWidth / 2 + 200, harness::kHeight / 2);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return {a, b};
}

}  // namespace

TEST(TerrainShader, LooksUpItsUniformsAndPrepareSetsThemOnlyWhilePlaying) {
    Game& g = game();
    TerrainShader shader;
    const GLuint program = shader.getProgram()->getProgram();
    EXPECT_GE(shader.getTex3DLocation(), 0);
    EXPECT_GE(shader.getSpecialLightingLocation(), 0);
    EXPECT_GE(shader.getBeachLocation(), 0);
    EXPECT_GE(shader.getWaterLevelLocation(), 0);
    EXPECT_GE(shader.getWithFogLocation(), 0);
    EXPECT_GE(shader.getWithTexturesLocation(), 0);
    auto valueOf = [program](int location) {
        GLint v = -1;
        glGetUniformiv(program, location, &v);
        return v;
    };

    g.state = Playing;
    struct Case {
        bool fog;
        int mode, textures, special, beach;
    };
    for (const Case& c : {Case{true, Winter, 1, 1, 0}, Case{false, Desert, 1, 0, 0}, Case{false, Beach, 1, 1, 1},
                          Case{true, Untextured, 0, 0, 0}}) {
        shader.prepare(c.fog, c.mode);
        GLint current = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        EXPECT_EQ(static_cast<GLuint>(current), program);
        EXPECT_EQ(valueOf(shader.getTex3DLocation()), 3);
        EXPECT_EQ(valueOf(shader.getWithFogLocation()), c.fog ? 1 : 0) << c.mode;
        EXPECT_EQ(valueOf(shader.getWithTexturesLocation()), c.textures) << c.mode;
        EXPECT_EQ(valueOf(shader.getSpecialLightingLocation()), c.special) << c.mode;
        EXPECT_EQ(valueOf(shader.getBeachLocation()), c.beach) << c.mode;
        float water = 99;
        glGetUniformfv(program, shader.getWaterLevelLocation(), &water);
        EXPECT_EQ(water, g.getWorld().getSeaLevel());
        shader.deactivate();
    }
    // Outside play the program is made current but the uniforms stay as they were.
    g.state = Title;
    shader.prepare(false, Beach);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), program);
    EXPECT_EQ(valueOf(shader.getBeachLocation()), 0);
    EXPECT_EQ(valueOf(shader.getWithFogLocation()), 1);
    shader.deactivate();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(TerrainShader, LowGroundShowsTheBottomSlicesHighGroundTheTopAndBeachSandAtTheWater) {
    Game& g = game();
    g.state = Playing;
    TerrainShader shader;
    const GLuint volume = makeRedToBlueVolume();
    glActiveTextureARB(GL_TEXTURE3_ARB);
    glBindTexture(GL_TEXTURE_3D, volume);
    glActiveTextureARB(GL_TEXTURE0_ARB);

    auto [low, high] = lowAndHigh(shader, Desert, -1.5f, 1.5f);
    EXPECT_GT(low[0], low[2] + 60) << "low ground should be the red bottom slice";
    EXPECT_GT(high[2], high[0] + 60) << "high ground should be the blue top slice";

    // Without textures the volume is not used: neither red nor blue dominates.
    auto [plainLow, plainHigh] = lowAndHigh(shader, Untextured, -1.5f, 1.5f);
    EXPECT_GT(plainLow[1], plainLow[0]);
    EXPECT_GT(plainLow[1], plainLow[2]);
    EXPECT_GT(plainLow[0] + plainLow[1] + plainLow[2], 60);
    (void)plainHigh;

    // Beach: ground just above the water is sand, ground well above keeps the volume's colour.
    const float sea = g.getWorld().getSeaLevel();
    auto [shore, inland] = lowAndHigh(shader, Beach, sea + 0.05f, sea + 1.6f);
    EXPECT_GT(shore[1], 120) << "sand is bright";
    EXPECT_GT(shore[0], shore[2] + 30) << "sand is warm";
    EXPECT_LT(inland[1], 90) << "inland keeps the texture";
    auto [noBeachShore, unused] = lowAndHigh(shader, Desert, sea + 0.05f, sea + 1.6f);
    EXPECT_LT(noBeachShore[1], 90);
    (void)unused;

    glActiveTextureARB(GL_TEXTURE3_ARB);
    glBindTexture(GL_TEXTURE_3D, 0);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDeleteTextures(1, &volume);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(TerrainDraw, EveryModeWithAndWithoutTheShaderDrawsAShadedLandscape) {
    Game& g = game();
    g.state = Playing;
    placeCamerasAtStart();
    std::srand(12);
    Terrain terrain(50, 20, 128, 128);
    terrain.getPosition() = float3{-25, 0, 0};
    // The chase camera rides 1.4 above the ground under the ship, as in play.
    float ground = 0;
    ASSERT_TRUE(terraintest::meshHeightAt(terrain, 0, -1.5f, &ground));
    ground = std::max(ground, g.getWorld().getSeaLevel());
    g.getChaseCamera().set(0, ground + 1.4f, 0.5f, 0, ground + 0.5f, -1.5f, 0, 0, -1);
    ASSERT_NE(terrain.getChunks()[0]->getWinterTexture(), nullptr) << "3D textures missing from Textures/";
    ASSERT_NE(terrain.getChunks()[0]->getDesertTexture(), nullptr);
    ASSERT_NE(terrain.getChunks()[0]->getBeachTexture(), nullptr);
    const char* names[4] = {"winter", "desert", "beach", "untextured"};
    FrameStats shaded[4];
    for (int mode = Winter; mode <= Untextured; ++mode) {
        for (bool useShader : {true, false}) {
            setUpScene();
            terrain.draw(useShader, mode == Winter, mode);
            const std::string name = std::string("terrain-") + names[mode] + (useShader ? "-shader" : "-fixed");
            harness::savePng(pngPath(name));
            const FrameStats s = lowerHalfStats();
            EXPECT_GT(s.coverage, 0.95) << name;
            // Broken normals would light everything alike; the program exaggerates the relief more.
            EXPECT_GT(s.spread, useShader ? 4.0 : 2.0) << name << ": flat colour, no relief visible";
            EXPECT_GT(s.mean[0] + s.mean[1] + s.mean[2], 120) << name << ": too dark";
            if (useShader) shaded[mode] = s;
            tearDownScene();
            GLint program = -1;
            glGetIntegerv(GL_CURRENT_PROGRAM, &program);
            EXPECT_EQ(program, 0);
        }
    }
    // The three texture sets look different from each other and from the plain terrain.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_GT(colourDistance(shaded[a], shaded[b]), 15.0) << names[a] << " vs " << names[b];

    // Fog: far ground moves towards the pale fog colour, ground right in front of the camera
    // stays as it was. Pixels are chosen by their eye distance (from the depth buffer), and
    // the sea is left out so its moving level cannot change what is measured. The desert
    // set is used because its colours are far from the fog's whatever the relief.
    const float fogColour[3] = {204, 219, 237};
    auto bandDistances = [&](double* farOut, double* nearOut) {
        const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
        std::vector<float> depth(static_cast<size_t>(harness::kWidth) * harness::kHeight);
        glReadPixels(0, 0, harness::kWidth, harness::kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        const double n = 0.1, f = 30.0;
        double farSum = 0, nearSum = 0;
        long farCount = 0, nearCount = 0;
        for (size_t i = 0; i < depth.size(); ++i) {
            if (depth[i] >= 1.0f) continue;  // no terrain here
            const double eyeDistance = n * f / (f - depth[i] * (f - n));
            double d = 0;
            for (int c = 0; c < 3; ++c) d += std::fabs(px[i * 4 + c] - fogColour[c]);
            if (eyeDistance > 20.0) {
                farSum += d;
                ++farCount;
            } else if (eyeDistance < 6.0) {
                nearSum += d;
                ++nearCount;
            }
        }
        ASSERT_GT(farCount, 1000) << "no far ground in view";
        ASSERT_GT(nearCount, 1000) << "no near ground in view";
        *farOut = farSum / farCount;
        *nearOut = nearSum / nearCount;
    };
    double far[2] = {0, 0}, near[2] = {0, 0};
    for (bool fog : {false, true}) {
        setUpScene();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        terrain.draw(true, fog, Desert);
        bandDistances(&far[fog], &near[fog]);
        tearDownScene();
    }
    EXPECT_LT(far[1], far[0] * 0.6) << "no fog in the distance";
    EXPECT_NEAR(near[1], near[0], 12.0) << "fog on the ground in front of the camera";
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(TerrainDraw, UntexturedWithoutShaderTouchesNoTextureUnitButTheCleanUp) {
    Game& g = game();
    g.state = Playing;
    placeCamerasAtStart();
    std::srand(4);
    Terrain terrain(50, 20, 128, 128);
    terrain.getPosition() = float3{-25, 0, 0};

    GLuint textures[4];
    glGenTextures(4, textures);
    GLuint dummyBuffer = 0;
    glGenBuffersARB(1, &dummyBuffer);
    auto prime = [&]() {
        for (int unit = 0; unit < 3; ++unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glBindTexture(GL_TEXTURE_2D, textures[unit]);
        }
        glActiveTextureARB(GL_TEXTURE2_ARB);
        glBindTexture(GL_TEXTURE_3D, textures[3]);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glBindBuffer(GL_ARRAY_BUFFER, dummyBuffer);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    };
    auto texCoordSource = []() {
        GLint b = -1;
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, &b);
        return static_cast<GLuint>(b);
    };

    setUpScene();
    prime();
    terrain.draw(false, false, Untextured);
    EXPECT_EQ(texCoordSource(), dummyBuffer) << "texture coordinates were set up";
    for (int unit = 0; unit < 3; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), textures[unit]) << "unit " << unit;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit " << unit;
    }
    glActiveTextureARB(GL_TEXTURE2_ARB);
    GLint bound3D = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound3D);
    EXPECT_EQ(static_cast<GLuint>(bound3D), textures[3]);
    EXPECT_GT(lowerHalfStats().coverage, 0.95);

    // The same draw in a textured mode does feed the coordinates: the check above can fail.
    setUpScene();
    prime();
    terrain.draw(false, false, Desert);
    EXPECT_EQ(texCoordSource(), terrain.getChunks().back()->getTexCoordBuffer());
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE3);
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound3D);
    EXPECT_EQ(bound3D, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    tearDownScene();

    glActiveTextureARB(GL_TEXTURE2_ARB);
    glBindTexture(GL_TEXTURE_3D, 0);
    for (int unit = 2; unit >= 0; --unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glDeleteTextures(4, textures);
    glDeleteBuffersARB(1, &dummyBuffer);
    EXPECT_EQ(harness::glErrors(), "");
}
