// The render styles' effects, in the game's renderer: programs, activation, the occlusion and
// normal-view passes. Whole frames of the game are in DisplayTest.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroups.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/Logger.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "objects/ObjectDraw.h"
#include "support/GlHarness.h"

namespace {

// The game's renderer with its effects and the eleven styles, created once as the start-up
// does, and a seeded flight standing on its ground, a second in: the scene the styles draw.
struct Scene {
    GameConfig config;
    Logger logger;
    ResourceCache cache;
    FlightRenderer renderer;
    GameState flight;
    Scene() {
        harness::captureStdout();
        effectContext().logger = &logger;
        Game::instance().initProjection();  // the occlusion pass keeps the projection of start-up
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        renderer.create(config, &logger);
        resolveObjectKinds(cache);
        renderer.createScenery(cache, config);
        flight.start(11, FlightRules{});
        const Ground ground = [this](const std::vector<float>& points, std::vector<float>& heights) {
            flight.world.getTerrain().heightsAt(points, heights);
        };
        for (int i = 0; i < 200; ++i) step(flight, Input(), ground);
        harness::capturedStdout();  // what it says is checked in the game's start-up (GameTest)
    }
};
Scene& scene() {
    static Scene* const shared = new Scene();  // kept to the end, like the game's
    return *shared;
}

// Chain positions of the styles the tests pick out.
enum Style { kSsaoOnly = 2, kPhongSsao = 3, kNormal = 4, kFunky = 5, kToon = 6, kStandard = 7, kPhong = 8, kSunny = 10 };

EffectGroup* group(int position) { return scene().renderer.style(position); }

// The flight's frame through a style, as the game draws it (without the heads-up display).
void drawFrame(int style) {
    effectContext().playing = true;
    effectContext().ship = scene().flight.ship.get();
    scene().flight.style = style;
    scene().renderer.draw(scene().flight, {});
}

GLint current(GLenum what) {
    GLint value = -1;
    return glGetIntegerv(what, &value), value;
}

// Counts glUseProgram calls per program while a frame is drawn (GLEW's entry point swapped).
std::map<GLuint, int> programUses;
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
void GLAPIENTRY countingUseProgram(GLuint program) {
    ++programUses[program];
    realUseProgram(program);
}

// Texels a pass wrote since the target was cleared to an alpha no pass writes, and its size.
void mark(Texture* texture) {
    const float marker[4] = {0.5f, 0.5f, 0.5f, 0.375f};  // 96 of 255
    glClearTexImage(texture->getID(), 0, GL_RGBA, GL_FLOAT, marker);
}
std::string written(Texture* texture) {
    int w = 0, h = 0;
    const std::vector<unsigned char> texels = harness::readTexture(GL_TEXTURE_2D, texture->getID(), &w, &h);
    long count = 0;
    for (size_t i = 3; i < texels.size(); i += 4) count += texels[i] != 96;
    return std::to_string(count) + " of " + std::to_string(w) + "x" + std::to_string(h);
}

}  // namespace

// The blue shader textures only the backdrop pass. Only while playing does Funky bind its
// noise, and do the lit styles put light 0 above the ship.
TEST(EffectActivation, TheBackdropSwitchTheNoiseAndTheLightFollowThePassAndThePlay) {
    BlueShader* blue = dynamic_cast<BlueShader*>(group(kStandard)->getEffects()[0]);
    ASSERT_NE(blue, nullptr);
    for (bool backdrop : {true, false}) {
        effectContext().backdropPass = backdrop;
        blue->activate();
        GLint value = -1;
        glGetUniformiv(blue->getProgram()->getProgram(), blue->getUseTextureLocation(), &value);
        EXPECT_EQ(value, backdrop ? 1 : 0);
        blue->deactivate();
    }

    Spaceship ship;
    ship.setPosition(1.5f, 2.0f, -3.0f);
    effectContext().ship = &ship;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    const std::vector<float> start = {0.25f, 0.5f, 0.75f, 0.0f}, aboveShip = {1.5f, 3.0f, -3.0f, 1.0f};
    for (bool playing : {false, true})
        for (int name : {kFunky, kToon, kPhong, kSunny}) {
            effectContext().playing = playing;
            glLightfv(GL_LIGHT0, GL_POSITION, start.data());
            glBindTexture(GL_TEXTURE_3D, 0);
            group(name)->activate();
            const GLint noise = current(GL_TEXTURE_BINDING_3D);
            std::vector<float> light(4);
            glGetLightfv(GL_LIGHT0, GL_POSITION, light.data());
            group(name)->deactivate();
            EXPECT_EQ(noise != 0, name == kFunky && playing) << "style " << name << (playing ? " playing" : "");
            EXPECT_EQ(light, playing && name != kFunky ? aboveShip : start) << "style " << name << (playing ? " playing" : "");
        }
    effectContext().ship = nullptr;
    effectContext().playing = false;
}

// The occlusion, alone or on the colours, runs each of its passes once a frame, at half the
// window's size alone and a quarter under the colours: the mask and the blur passes fill all
// three targets of that size, the blur told the size, and no texture unit is left with a
// sampler object bound. The normals style draws through the normal-only program and runs no
// occlusion at all.
TEST(SSAO, EachPassRunsOnceAtItsStylesSizeAndLeavesNoSamplerAndTheNormalsStyleRunsNone) {
    SSAO* ssao = scene().renderer.getSSAO();
    const GLuint geometry = ssao->getGeometryProgram()->getProgram(), normals = ssao->getNormalProgram()->getProgram(),
                 occlusion = ssao->getOcclusionProgram()->getProgram(), combine = ssao->getCombineProgram()->getProgram(),
                 blur = ssao->getBlurProgram()->getProgram();
    ASSERT_TRUE(geometry && normals && occlusion && combine && blur);
    for (int style : {kPhongSsao, kSsaoOnly, kNormal}) {
        drawFrame(style);  // makes the targets, or keeps them
        const SSAO::OcclusionTargets& targets = ssao->occlusionTargets(style == kSsaoOnly);
        for (Texture* t : {targets.occlusion, targets.across, targets.blurred}) mark(t);
        programUses.clear();
        realUseProgram = glUseProgram;
        glUseProgram = countingUseProgram;
        drawFrame(style);
        glUseProgram = realUseProgram;
        // The blur's two directions are one use. The occlusion alone draws only normals, through
        // the normals' program, and its own combine; the colours' program comes back after the
        // ground, which its ground variant draws.
        const int once = style != kNormal ? 1 : 0, colours = style == kPhongSsao ? 1 : 0;
        const GLuint combined = style == kSsaoOnly ? ssao->getCombineOnlyProgram()->getProgram() : combine;
        EXPECT_EQ(std::vector<int>({programUses[occlusion], programUses[combined], programUses[blur], programUses[geometry],
                                    programUses[normals]}),
                  std::vector<int>({once, once, once, 2 * colours, 1 - colours}))
            << "style " << style;
        if (style == kNormal) continue;
        const bool alone = style == kSsaoOnly;
        for (Texture* t : {targets.occlusion, targets.across, targets.blurred})
            EXPECT_EQ(written(t), alone ? "120000 of 400x300" : "30000 of 200x150") << "style " << style;
        for (int unit = 0; unit < 4; ++unit) {
            glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            EXPECT_EQ(current(GL_SAMPLER_BINDING), 0) << "unit " << unit;
        }
        std::vector<float> resolution(2);
        for (int k : {0, 1}) glGetUniformfv(blur, glGetUniformLocation(blur, k ? "mapResY" : "mapResX"), &resolution[k]);
        EXPECT_EQ(resolution, alone ? std::vector<float>({400, 300}) : std::vector<float>({200, 150}))
            << "style " << style;
    }
    EXPECT_EQ(harness::glErrors(), "");
}

// "Normal Shader" shows the eye-space normals as colours: the sky backdrop faces the camera,
// and the ground on the whole faces up.
TEST(NormalView, GroundAndBackdropShowTheirEyeSpaceNormals) {
    drawFrame(kNormal);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    scene().flight.chaseCamera.apply();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    // The camera's rotation takes a world normal to eye space; the colour packs it into 0..255.
    auto expected = [&](int k, float x, float y, float z) { return ((m[k] * x + m[4 + k] * y + m[8 + k] * z) * 0.5 + 0.5) * 255; };
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> sky = harness::readPixels(400, 590, 1, 1);
    const std::vector<unsigned char> ground = harness::readPixels(0, 0, 800, 40);
    for (int k = 0; k < 3; ++k) {
        double mean = 0;
        for (size_t i = k; i < ground.size(); i += 4) mean += ground[i] / (800.0 * 40);
        EXPECT_NEAR(sky[k], expected(k, 0, 0, 1), 3.5) << "backdrop channel " << k;
        EXPECT_NEAR(mean, expected(k, 0, 1, 0), 30) << "ground channel " << k;
    }
    EXPECT_EQ(harness::glErrors(), "");
}
