#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "core/FlightRenderer.h"
#include "core/Game.h"
#include "core/GameConfig.h"
#include "core/Step.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroups.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/FBO.h"
#include "framework/Logger.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "objects/ObjectDraw.h"
#include "objects/ResourceCache.h"
#include "support/GlHarness.h"

namespace {

// The game's renderer with its effects and the eleven styles, created once as the start-up
// does, and a seeded flight standing on its ground, a second in: the scene the styles draw.
struct Scene {
    GameConfig config;
    Logger logger;
    TextureLoader loader;
    ResourceCache cache;
    FlightRenderer renderer;
    GameState flight;
};
Scene* scene = nullptr;

class EffectsEnvironment : public ::testing::Environment {
    void SetUp() override {
        scene = new Scene();
        effectContext().logger = &scene->logger;
        Game::instance().initProjection();  // the occlusion pass keeps the projection of start-up
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        scene->renderer.create(scene->config, &scene->logger, &scene->loader);
        resolveObjectKinds(scene->cache);
        scene->renderer.createScenery(scene->cache, scene->config);
        GameState& flight = scene->flight;
        flight.start(11, FlightRules{});
        const Ground ground = [](const std::vector<float>& points, std::vector<float>& heights) {
            scene->renderer.groundHeights(scene->flight, points, heights);
        };
        for (int i = 0; i < 200; ++i) step(flight, Input(), ground);
    }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EffectsEnvironment);

// Chain positions of the styles the tests pick out.
enum Style { kBlueGreen = 0, kSsaoOnly = 2, kPhongSsao = 3, kNormal = 4, kFunky = 5, kToon = 6, kStandard = 7, kPhong = 8, kPure = 9, kSunny = 10 };

EffectGroup* group(int position) { return scene->renderer.style(position); }

SSAO* ssao() { return scene->renderer.getSSAO(); }

// The flight's frame through a style, as the game draws it (without the heads-up display).
void drawFrame(int style) {
    effectContext().playing = true;
    effectContext().ship = scene->flight.ship.get();
    scene->flight.style = style;
    scene->renderer.draw(scene->flight, nullptr);
}

void beginOverlay() {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPushMatrix();
        glLoadIdentity();
    }
}

void endOverlay() {
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glPopAttrib();
}

GLint currentProgram() {
    GLint program = -1;
    return glGetIntegerv(GL_CURRENT_PROGRAM, &program), program;
}

// Texels a pass wrote since the target was cleared to an alpha no pass writes, and its size.
constexpr float kMarker = 0.375f;
std::string written(Texture* texture, std::vector<float>* texels = nullptr) {
    GLint w = 0, h = 0;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, texture->getID());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<float> data(static_cast<size_t>(w) * h * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, data.data());
    long count = 0;
    // An 8-bit target stores the marker to the nearest 255th; a one-channel target keeps it in red.
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    for (size_t i = format == GL_R32F ? 0 : 3; i < data.size(); i += 4) count += std::fabs(data[i] - kMarker) > 0.5f / 255;
    if (texels) texels->swap(data);
    return std::to_string(count) + " of " + std::to_string(w) + "x" + std::to_string(h);
}

}  // namespace

TEST(EffectActivation, LastProgramStaysCurrentUntilDeactivationAndPureSetsNone) {
    effectContext().playing = true;
    EffectGroup* blueGreen = group(kBlueGreen);
    const GLint sample1 = blueGreen->getEffects()[0]->getPrograms()[0]->getProgram();
    const GLint sample2 = blueGreen->getEffects()[1]->getPrograms()[0]->getProgram();
    ASSERT_NE(sample1, sample2);
    blueGreen->activate();
    EXPECT_EQ(currentProgram(), sample2);
    blueGreen->deactivate();
    EXPECT_EQ(currentProgram(), 0);
    group(kPure)->activate();
    EXPECT_EQ(currentProgram(), 0);
}

TEST(EffectActivation, TwoBlueShadersKeepSeparateUseTextureValues) {
    BlueShader* const shaders[2] = {dynamic_cast<BlueShader*>(group(kBlueGreen)->getEffects()[0]),
                                    dynamic_cast<BlueShader*>(group(kStandard)->getEffects()[0])};
    ASSERT_TRUE(shaders[0] && shaders[1] && shaders[0] != shaders[1]);
    for (int backdrop : {0, 1}) {  // the backdrop flag is set for one of them only
        for (int k : {0, 1}) {
            effectContext().backdropPass = k == backdrop;
            shaders[k]->activate();
            shaders[k]->deactivate();
        }
        for (int k : {0, 1}) {
            GLint value = -1;
            glGetUniformiv(shaders[k]->getProgram()->getProgram(), shaders[k]->getUseTextureLocation(), &value);
            EXPECT_EQ(value, k == backdrop ? 1 : 0) << k;
        }
    }
}

TEST(EffectActivation, OnlyWhilePlayingTheNoiseIsBoundAndLightZeroFollowsTheShip) {
    Spaceship ship;
    ship.setPosition(1.5f, 2.0f, -3.0f);
    effectContext().ship = &ship;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    const std::vector<float> start = {0.25f, 0.5f, 0.75f, 0.0f}, aboveShip = {1.5f, 3.0f, -3.0f, 1.0f};
    for (bool playing : {false, true}) {
        effectContext().playing = playing;
        for (int name : {kFunky, kToon, kPhong, kSunny}) {
            const bool funky = name == kFunky;
            glLightfv(GL_LIGHT0, GL_POSITION, start.data());
            glBindTexture(GL_TEXTURE_3D, 0);
            group(name)->activate();
            GLint noise = -1;
            std::vector<float> light(4);
            glGetIntegerv(GL_TEXTURE_BINDING_3D, &noise);
            glGetLightfv(GL_LIGHT0, GL_POSITION, light.data());
            group(name)->deactivate();
            EXPECT_EQ(noise != 0, funky && playing) << "style " << name << (playing ? " playing" : "");
            EXPECT_EQ(light, playing && !funky ? aboveShip : start) << "style " << name << (playing ? " playing" : "");
        }
    }
    effectContext().ship = nullptr;
    effectContext().playing = false;
}

TEST(EffectLifetime, BothProgramsOfAnEffectAreReleasedAndOverlongNamesAreCut) {
    auto* effect = new Effect();
    const GLuint a = effect->addProgram("sample1")->getProgram(), b = effect->addProgram("toon")->getProgram();
    ASSERT_TRUE(glIsProgram(a) && glIsProgram(b) && a != b);
    delete effect;
    EXPECT_FALSE(glIsProgram(a) || glIsProgram(b));
    // The shader paths are formatted into bounded buffers: a long name is cut, not overrun.
    Effect cut;
    harness::captureStdout();
    cut.addProgram(std::string(150, 'x').c_str());
    const std::string out = harness::capturedStdout();
    EXPECT_NE(out.find("Shader/" + std::string(92, 'x') + " "), std::string::npos) << out;
    EXPECT_EQ(out.find(std::string(93, 'x')), std::string::npos);
}

TEST(ShaderSources, EveryProgramCompilesAndLinksAndHasTheUniformsTheGameLooksUp) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> programs = {
        {"sample1", {"useTexture"}}, {"sample2", {}}, {"silhouette", {"strength"}}, {"real", {}}, {"toon", {}},
        {"funky3d", {"tex", "usePositionLookup"}}, {"blur", {"normalMap"}}, {"sunny", {"useOnlyTexture"}},
        {"mrt", {"near", "far"}}, {"normals", {}}, {"ssao", {"randomMap", "posMap", "normalMap", "pSphere", "projectionMatrix"}},
        {"ssao_combine", {"colorMap", "normalMap", "SSAOMap", "onlySSAO"}},
        {"ssao_blur", {"SSAOMap", "mapResX", "mapResY", "xDirection"}}};
    for (const auto& [name, uniforms] : programs) {
        Effect effect;
        const GLuint program = effect.addProgram(name)->getProgram();
        GLuint shaders[2] = {0, 0};
        GLsizei count = 0;
        GLint compiled[2] = {0, 0}, linked = 0;
        glGetAttachedShaders(program, 2, &count, shaders);
        for (int k = 0; k < count; ++k) glGetShaderiv(shaders[k], GL_COMPILE_STATUS, &compiled[k]);
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(count == 2 && compiled[0] && compiled[1] && linked) << name;
        for (const char* uniform : uniforms) EXPECT_NE(glGetUniformLocation(program, uniform), -1) << name << " " << uniform;
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(SSAO, RandomTexelsAreUnitDirectionsScaledFromPointEightToOnePointTwo) {
    std::vector<float> data;
    ASSERT_EQ(written(ssao()->getRandomTexture(), &data), "4096 of 64x64");
    for (size_t i = 0; i < data.size(); i += 4)
        ASSERT_TRUE(std::fabs(std::hypot(data[i], data[i + 1], data[i + 2]) - 1) < 1e-4 && data[i + 3] >= 0.8f &&
                    data[i + 3] <= 1.2f) << "texel " << i / 4;
    // Three draws of 0 leave no direction to normalise: that texel gets (0, 0, 1).
    unsigned seed = 0;
    for (bool found = false; !found && seed < 1000000u;) {
        Random r(++seed);
        found = (r.next() % 100) / 10 == 5 && (r.next() % 100) / 10 == 5 && (r.next() % 100) / 10 == 5;
    }
    Random random(seed);
    SSAO::makeRandomVectors(1, data.data(), random);
    EXPECT_EQ(std::vector<float>(data.begin(), data.begin() + 3), std::vector<float>({0, 0, 1}));
    EXPECT_TRUE(data[3] >= 0.8f && data[3] <= 1.2f);
}

// The group's activation at the start of a frame only switches the effect on (its targets
// would still hold last frame's scene); composite runs the passes.
TEST(SSAO, ActivationDrawsNothingAndCompositeRunsQuarterSizeOcclusionAndTwoCombineDraws) {
    SSAO* ssao = ::ssao();
    effectContext().playing = true;
    const float marker[4] = {0.5f, 0.5f, 0.5f, kMarker};
    for (bool only : {false, true}) {
        for (Texture* t : {ssao->getOcclusionHalf(), ssao->getBlurTexture()})
            glClearTexImage(t->getID(), 0, GL_RGBA, GL_FLOAT, marker);
        beginOverlay();
        ssao->setOnlySSAO(only);
        EffectGroup* occlusionGroup = group(only ? kSsaoOnly : kPhongSsao);
        occlusionGroup->activate();
        EXPECT_TRUE(ssao->isActive());
        EXPECT_EQ(written(ssao->getOcclusionHalf()) + ", " + written(ssao->getBlurTexture()), "0 of 400x300, 0 of 400x300");
        ssao->composite();
        // Reads at texel centres go through a nearest sampler; no unit may keep it after.
        for (int unit = 0; unit < 4; ++unit) {
            GLint sampler = -1;
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
            EXPECT_EQ(sampler, 0) << "unit " << unit;
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
        occlusionGroup->deactivate();
        EXPECT_FALSE(ssao->isActive());
        endOverlay();
        // The occlusion alone or on the colours: both at half size, the first of the two combine
        // draws into the blur texture at that size.
        EXPECT_EQ(written(ssao->getOcclusionHalf()), "120000 of 400x300");
        EXPECT_EQ(written(ssao->getBlurTexture()), "120000 of 400x300");
        const GLuint blur = ssao->getBlurProgram()->getProgram();
        std::vector<float> resolution(2);
        for (int k : {0, 1}) glGetUniformfv(blur, glGetUniformLocation(blur, k ? "mapResY" : "mapResX"), &resolution[k]);
        EXPECT_EQ(resolution, std::vector<float>({400, 300}));
    }
    EXPECT_EQ(harness::glErrors(), "");
}

// "Normal Shader" draws the normal target alone (positions and colours are not drawn) and
// shows the eye-space normals as colours: the ground faces up, the backdrop the camera.
TEST(NormalView, OnlyTheNormalTargetIsDrawnAndGroundAndBackdropShowTheirNormals) {
    SSAO* ssao = ::ssao();
    const float marker[4] = {kMarker, 0.5f, 0.5f, kMarker};
    for (Texture* t : {ssao->getPositionTexture(), ssao->getColorTexture(), ssao->getNormalTexture()})
        glClearTexImage(t->getID(), 0, GL_RGBA, GL_FLOAT, marker);
    drawFrame(kNormal);
    EXPECT_EQ(written(ssao->getPositionTexture()) + ", " + written(ssao->getColorTexture()) + ", " +
                  written(ssao->getNormalTexture()),
              "0 of 800x600, 0 of 800x600, 480000 of 800x600");

    // The camera's rotation takes world normals to eye space: the sky backdrop faces the camera,
    // and the ground on the whole faces up.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    scene->flight.chaseCamera.apply();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    auto expected = [&](float x, float y, float z) {
        std::array<int, 3> rgb{};
        for (int k = 0; k < 3; ++k) rgb[k] = static_cast<int>(std::lround(((m[k] * x + m[4 + k] * y + m[8 + k] * z) * 0.5 + 0.5) * 255));
        return rgb;
    };
    glReadBuffer(GL_BACK);
    const std::array<unsigned char, 4> sky = harness::readPixel(400, 590);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(sky[k], expected(0, 0, 1)[k], 3) << "backdrop channel " << k;
    const std::vector<unsigned char> ground = harness::readPixels(0, 0, 800, 40);
    std::array<double, 3> mean{};
    for (size_t i = 0; i < ground.size(); ++i)
        if (i % 4 < 3) mean[i % 4] += ground[i] / (800.0 * 40);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(mean[k], expected(0, 1, 0)[k], 30) << "ground channel " << k;
    EXPECT_EQ(harness::glErrors(), "");
}

// Funky noise is smooth: neighbouring pixels of the ground differ little (a nearest-filtered
// volume shows hard steps between blocks), and its colours change over the ground. The volume
// is swapped for a known one (a checker in red, green and blue even) so the steps are known.
TEST(FunkyLook, NoiseIsSmoothWithoutBlocksAndVariesOverTheGround) {
    const GLuint noise = dynamic_cast<FunkyShader*>(group(kFunky)->getEffects()[0])->getNoiseTexture();
    const int w = FunkyShader::kNoiseWidth, h = FunkyShader::kNoiseHeight, d = FunkyShader::kNoiseDepth;
    std::vector<float> original(w * h * d * 3), checker;
    glBindTexture(GL_TEXTURE_3D, noise);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_FLOAT, original.data());
    for (int z = 0; z < d; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) checker.insert(checker.end(), {(x + y + z) % 2 * 0.25f, 0.5f, 0.5f});
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, w, h, d, GL_RGB, GL_FLOAT, checker.data());
    auto filter = [noise](GLint mode) {
        glBindTexture(GL_TEXTURE_3D, noise);
        for (GLenum which : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_3D, which, mode);
        glBindTexture(GL_TEXTURE_3D, 0);
    };
    // Over the ground near the camera: the largest step between neighbouring pixels and the
    // spread of a channel.
    auto measure = [&](int* step, int* spread) {
        drawFrame(kFunky);
        glReadBuffer(GL_BACK);
        const int width = 800, height = 60;
        const std::vector<unsigned char> p = harness::readPixels(0, 0, width, height);
        auto at = [&](int x, int y, int k) { return static_cast<int>(p[(y * width + x) * 4 + k]); };
        *step = 0;
        *spread = 0;
        for (int k = 0; k < 3; ++k) {
            int low = 255, high = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    low = std::min(low, at(x, y, k));
                    high = std::max(high, at(x, y, k));
                    if (x + 1 < width) *step = std::max(*step, std::abs(at(x, y, k) - at(x + 1, y, k)));
                    if (y + 1 < height) *step = std::max(*step, std::abs(at(x, y, k) - at(x, y + 1, k)));
                }
            *spread = std::max(*spread, high - low);
        }
    };
    int step = 0, spread = 0, blockStep = 0, blockSpread = 0;
    measure(&step, &spread);
    // The measure sees blocks where there are some: the same volume without filtering.
    filter(GL_NEAREST);
    measure(&blockStep, &blockSpread);
    filter(GL_LINEAR);
    glBindTexture(GL_TEXTURE_3D, noise);
    glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, w, h, d, GL_RGB, GL_FLOAT, original.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    EXPECT_LE(step, 8);
    EXPECT_GE(spread, 40);
    EXPECT_GT(blockStep, 30);
    EXPECT_EQ(harness::glErrors(), "");
}
