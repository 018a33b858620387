#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "StyleScene.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroups.h"
#include "effects/ShaderEffects.h"
#include "framework/FBO.h"
#include "framework/Logger.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "objects/Spaceship.h"
#include "platform/Random.h"
#include "support/GlHarness.h"

namespace {

// The shared effects and the eleven groups, created once the way the start-up does it.
class EffectsEnvironment : public ::testing::Environment {
    void SetUp() override {
        Game& game = Game::instance();
        if (!game.getConfig().logger) game.getConfig().logger = new Logger();
        effectContext().logger = game.getConfig().logger;
        stylescene::setPerspective();  // the occlusion pass keeps the projection of start-up
        game.ssao = new SSAO();
        game.ssao->setup(800, 600);
        game.ssao->setClipPlanes(0.1f, 30.0f);
        game.ssao->captureProjection();
        game.normalShader = new NormalShader();
        game.normalShader->setup(800, 600);
        game.getConfig().firstEffectGroup = createEffectGroups(game.ssao, game.normalShader);
    }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EffectsEnvironment);

// Chain positions of the styles the tests pick out.
enum Style { kBlueGreen = 0, kSsaoOnly = 2, kPhongSsao = 3, kNormal = 4, kFunky = 5, kToon = 6, kStandard = 7, kPhong = 8, kPure = 9, kSunny = 10 };

EffectGroup* group(int position) {
    EffectGroup* g = Game::instance().getConfig().firstEffectGroup;
    while (g && position-- > 0) g = g->getNext();
    return g;
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
    ASSERT_EQ(written(Game::instance().getSSAO()->getRandomTexture(), &data), "4096 of 64x64");
    for (size_t i = 0; i < data.size(); i += 4)
        ASSERT_TRUE(std::fabs(std::hypot(data[i], data[i + 1], data[i + 2]) - 1) < 1e-4 && data[i + 3] >= 0.8f &&
                    data[i + 3] <= 1.2f) << "texel " << i / 4;
    // Three draws of 0 leave no direction to normalise: that texel gets (0, 0, 1).
    unsigned seed = 0;
    auto draw = [] { return (gameRandom() % 100) / 10 - 5; };
    while (std::srand(++seed), !(draw() == 0 && draw() == 0 && draw() == 0)) ASSERT_LT(seed, 1000000u);
    std::srand(seed);
    SSAO::makeRandomVectors(1, data.data());
    EXPECT_EQ(std::vector<float>(data.begin(), data.begin() + 3), std::vector<float>({0, 0, 1}));
    EXPECT_TRUE(data[3] >= 0.8f && data[3] <= 1.2f);
}

// The group's activation at the start of a frame only switches the effect on (its targets
// would still hold last frame's scene); composite runs the passes.
TEST(SSAO, ActivationDrawsNothingAndCompositeRunsQuarterSizeOcclusionAndTwoCombineDraws) {
    SSAO* ssao = Game::instance().getSSAO();
    effectContext().playing = true;
    const float marker[4] = {0.5f, 0.5f, 0.5f, kMarker};
    for (bool only : {false, true}) {
        for (Texture* t : {ssao->getOcclusionHalf(), ssao->getBlurTexture()})
            glClearTexImage(t->getID(), 0, GL_RGBA, GL_FLOAT, marker);
        stylescene::beginOverlay();
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
        stylescene::endOverlay();
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

// Both blur passes work at the size of the occlusion they read. The picture must be the one
// blurring at the window's size gives (the same programs, drawn here), within rounding.
TEST(SSAO, HalfSizeBlurGivesThePictureOfAWindowSizedOne) {
    effectContext().playing = true;
    const stylescene::Textures textures = stylescene::makeTextures();
    stylescene::drawFrame(group(kPhongSsao), textures);
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> halfSize = harness::readPixels(0, 0, 800, 600);

    SSAO* ssao = Game::instance().getSSAO();
    TextureLoader loader;
    std::unique_ptr<Texture> wide[2];
    for (auto& t : wide)
        t.reset(loader.createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, 800, 600, GL_RGBA, GL_FLOAT, GL_LINEAR, true, false,
                                     false, nullptr));
    FBO fbo(effectContext().logger, 800, 600, false);
    stylescene::beginOverlay();
    // The frame's raw occlusion again, at half size, from the same targets and program.
    std::unique_ptr<Texture> raw(loader.createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, 400, 300, GL_RGBA, GL_FLOAT, GL_LINEAR,
                                                      true, false, false, nullptr));
    const GLuint occlusion = ssao->getOcclusionProgram()->getProgram();
    glUseProgram(occlusion);
    Texture* occlusionInputs[3] = {ssao->getRandomTexture(), ssao->getPositionTexture(), ssao->getNormalTexture()};
    const char* occlusionSamplers[3] = {"randomMap", "posMap", "normalMap"};
    for (int unit = 0; unit < 3; ++unit) {
        occlusionInputs[unit]->bind(GL_TEXTURE_2D, unit);
        glUniform1i(glGetUniformLocation(occlusion, occlusionSamplers[unit]), unit);
    }
    glUniform3fv(glGetUniformLocation(occlusion, "pSphere"), SSAO::kKernelSize, &SSAO::kKernel[0][0]);
    glUniformMatrix4fv(glGetUniformLocation(occlusion, "projectionMatrix"), 1, GL_FALSE, ssao->getProjection());
    fbo.bind();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, raw->getID());
    glViewport(0, 0, 400, 300);
    GLuint nearest = 0;  // the kernel reads the stored positions unfiltered, as in the game
    glGenSamplers(1, &nearest);
    glSamplerParameteri(nearest, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(nearest, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindSampler(1, nearest);
    drawScreenQuad();
    glBindSampler(1, 0);
    glDeleteSamplers(1, &nearest);
    glViewport(0, 0, 800, 600);

    // Blurred across and down at the window's size, with the game's blur program.
    Texture* inputs[4] = {ssao->getColorTexture(), ssao->getPositionTexture(), ssao->getNormalTexture(), raw.get()};
    for (int unit = 0; unit < 4; ++unit) inputs[unit]->bind(GL_TEXTURE_2D, unit);
    const GLuint blur = ssao->getBlurProgram()->getProgram();
    auto setFloat = [](GLuint program, const char* name, float v) { glUniform1f(glGetUniformLocation(program, name), v); };
    glUseProgram(blur);
    glUniform1i(glGetUniformLocation(blur, "SSAOMap"), 3);
    setFloat(blur, "mapResX", 400);
    setFloat(blur, "mapResY", 300);
    for (int across = 1; across >= 0; --across) {
        fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, wide[across]->getID());
        setFloat(blur, "xDirection", static_cast<float>(across));
        drawScreenQuad();
        wide[across]->bind(GL_TEXTURE_2D, 3);
    }
    fbo.unbind();
    const GLuint combine = ssao->getCombineProgram()->getProgram();
    glUseProgram(combine);
    const char* samplers[4] = {"colorMap", nullptr, "normalMap", "SSAOMap"};
    for (int unit = 0; unit < 4; ++unit)
        if (samplers[unit]) glUniform1i(glGetUniformLocation(combine, samplers[unit]), unit);
    setFloat(combine, "onlySSAO", 0);
    drawScreenQuad();  // over the same window picture: uncovered pixels are discarded in both
    glUseProgram(0);
    disable2DTexturing(3);
    stylescene::endOverlay();
    const std::vector<unsigned char> reference = harness::readPixels(0, 0, 800, 600);

    int largest = 0;
    long visible = 0;  // channels off by more than a rounding step or two
    double sum = 0;
    long darkened = 0;  // the occlusion must show: pixels clearly darker than the plain colour
    for (size_t i = 0; i < reference.size(); ++i) {
        if (i % 4 == 3) continue;
        const int d = std::abs(halfSize[i] - reference[i]);
        largest = std::max(largest, d);
        visible += d > 6;
        sum += d;
    }
    std::vector<float> colours(800 * 600 * 4);
    ssao->getColorTexture()->bind(GL_TEXTURE_2D, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, colours.data());
    for (size_t i = 0; i < colours.size(); i += 4) darkened += reference[i + 1] + 40 < std::min(colours[i + 1], 1.0f) * 255;
    // Only pixels on depth edges, where the half-size taps straddle the edge, move more: a
    // pixel wide halo on a tenth of a per cent of the channels.
    EXPECT_LE(largest, 64);
    EXPECT_LT(visible, 3000);
    EXPECT_LT(sum / (800.0 * 600 * 3), 0.1);
    EXPECT_GT(darkened, 2000) << "no occlusion in the test scene";
    glDeleteTextures(2, &textures.checker);
    EXPECT_EQ(harness::glErrors(), "");
}

// "Normal Shader" draws the normal target alone (positions and colours are not drawn) and
// shows the eye-space normals as colours: the ground faces up, the backdrop the camera.
TEST(NormalView, OnlyTheNormalTargetIsDrawnAndGroundAndBackdropShowTheirNormals) {
    effectContext().playing = true;
    SSAO* ssao = Game::instance().getSSAO();
    const float marker[4] = {kMarker, 0.5f, 0.5f, kMarker};
    for (Texture* t : {ssao->getPositionTexture(), ssao->getColorTexture(), ssao->getNormalTexture()})
        glClearTexImage(t->getID(), 0, GL_RGBA, GL_FLOAT, marker);
    const stylescene::Textures textures = stylescene::makeTextures();
    stylescene::drawFrame(group(kNormal), textures);
    EXPECT_EQ(written(ssao->getPositionTexture()) + ", " + written(ssao->getColorTexture()) + ", " +
                  written(ssao->getNormalTexture()),
              "0 of 800x600, 0 of 800x600, 480000 of 800x600");

    // The camera's rotation takes world normals to eye space.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    stylescene::applyCamera();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    auto expected = [&](float x, float y, float z) {
        std::array<int, 3> rgb{};
        for (int k = 0; k < 3; ++k) rgb[k] = static_cast<int>(std::lround(((m[k] * x + m[4 + k] * y + m[8 + k] * z) * 0.5 + 0.5) * 255));
        return rgb;
    };
    glReadBuffer(GL_BACK);
    const struct { int x, y; std::array<int, 3> rgb; const char* what; } probes[] = {
        {60, 20, expected(0, 1, 0), "ground"}, {740, 30, expected(0, 1, 0), "ground"},
        {400, 590, expected(0, 0, 1), "backdrop"}};
    for (const auto& probe : probes) {
        const std::array<unsigned char, 4> px = harness::readPixel(probe.x, probe.y);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(px[k], probe.rgb[k], 3) << probe.what << " channel " << k;
    }
    glDeleteTextures(2, &textures.checker);
    EXPECT_EQ(harness::glErrors(), "");
}

// Funky noise is smooth: neighbouring pixels of the ground differ little (a nearest-filtered
// volume shows hard steps between blocks), and its colours change over the ground. The volume
// is swapped for a known one (a checker in red, green and blue even) so the steps are known.
TEST(FunkyLook, NoiseIsSmoothWithoutBlocksAndVariesOverTheGround) {
    effectContext().playing = true;
    const stylescene::Textures textures = stylescene::makeTextures();
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
        stylescene::drawFrame(group(kFunky), textures);
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
    glDeleteTextures(2, &textures.checker);
    EXPECT_EQ(harness::glErrors(), "");
}

// The test scene through every group of the chain (linked both ways, each showing the label
// picture of its place), composited as the display does; saved as style-NN.png.
TEST(StylePictures, ElevenGroupsDrawDistinctNonBlankPictures) {
    effectContext().playing = true;
    const stylescene::Textures textures = stylescene::makeTextures();
    std::vector<std::vector<unsigned char>> pictures;
    EXPECT_EQ(group(0)->getPrevious(), nullptr);
    for (EffectGroup* g = group(0); g && pictures.size() < 12; g = g->getNext()) {
        EXPECT_EQ(g->getLook().label, static_cast<int>(pictures.size())) << g->getTitle();
        EXPECT_TRUE(!g->getNext() || g->getNext()->getPrevious() == g) << g->getTitle();
        stylescene::drawFrame(g, textures);
        EXPECT_EQ(harness::glErrors(), "") << g->getTitle();
        pictures.push_back(harness::readPixels(0, 0, 800, 600));
        // Beside the game folder, not in it: the content test compares the folder with the tool's output.
        EXPECT_TRUE(harness::savePng(std::string(LUMIVEX_GAME_DIR "/../style-") + (pictures.size() < 10 ? "0" : "") +
                                     std::to_string(pictures.size()) + ".png"));
        double sum = 0, squares = 0;  // spread of the brightness: a blank or flat frame has none
        for (size_t i = 0; i < pictures.back().size(); i += 4) {
            const double luma = 0.3 * pictures.back()[i] + 0.59 * pictures.back()[i + 1] + 0.11 * pictures.back()[i + 2];
            sum += luma / 480000;
            squares += luma * luma / 480000;
        }
        EXPECT_GT(std::sqrt(squares - sum * sum), 12.0) << g->getTitle();
    }
    ASSERT_EQ(pictures.size(), 11u);
    for (size_t a = 0; a < 11; ++a)
        for (size_t b = a + 1; b < 11; ++b) {
            double difference = 0;  // mean over the colour channels, 0..255
            for (size_t i = 0; i < pictures[a].size(); ++i)
                if (i % 4 != 3) difference += std::abs(pictures[a][i] - pictures[b][i]) / (480000.0 * 3);
            EXPECT_GT(difference, 6.0) << "style " << a + 1 << " vs " << b + 1;
        }
}
