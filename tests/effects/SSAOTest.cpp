#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "EffectsFixture.h"
#include "StyleScene.h"
#include "core/GameState.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/FBO.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "support/GlHarness.h"

namespace {

std::vector<float> readTexture(Texture* texture, int* w, int* h) {
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, texture->getID());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, h);
    std::vector<float> data(static_cast<size_t>(*w) * *h * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, data.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return data;
}

// Fills a target with a marker alpha the shaders never write (they always write 1).
constexpr float kMarker = 0.375f;
void fillWithMarker(Texture* texture) {
    GLuint fbo = 0;
    glGenFramebuffersEXT(1, &fbo);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture->getID(), 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glPushAttrib(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, 800, 600);
    glClearColor(0.5f, 0.5f, 0.5f, kMarker);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glDeleteFramebuffersEXT(1, &fbo);
    glDrawBuffer(GL_BACK);
}

// Counts texels written by a pass (alpha no longer the marker).
long writtenTexels(Texture* texture, int* w, int* h) {
    std::vector<float> data = readTexture(texture, w, h);
    long written = 0;
    for (size_t i = 3; i < data.size(); i += 4)
        if (std::fabs(data[i] - kMarker) > 1e-4f) ++written;
    return written;
}

class SSAOPasses : public ::testing::Test {
protected:
    void SetUp() override {
        textures = stylescene::makeTextures();
        Game::instance().state = Playing;
    }
    void TearDown() override {
        stylescene::releaseTextures(textures);
        Game::instance().state = Title;
        glUseProgram(0);
    }
    // The scene into the geometry targets, then the composite in the overlay projection.
    void geometryPass(SSAO* ssao) {
        stylescene::setPerspective();
        stylescene::setupFixedState();
        ssao->beginGeometryPass();
        glClearColor(0.9f, 0.2f, 0.2f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        stylescene::applyCamera();
        stylescene::placeSceneLight();
        glColor4f(0, 0, 0, 1);
        stylescene::drawObjects(textures);
        glColor4f(1, 1, 1, 1);
        stylescene::drawGround(textures);
        ssao->endGeometryPass();
    }
    stylescene::Textures textures;
};

}  // namespace

TEST(SSAORandomTexture, DirectionsAreUnitAndScalesWithinRange) {
    SSAO* ssao = Game::instance().getSSAO();
    int w = 0, h = 0;
    std::vector<float> data = readTexture(ssao->getRandomTexture(), &w, &h);
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
    double scaleSum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        const float len = std::sqrt(data[i] * data[i] + data[i + 1] * data[i + 1] + data[i + 2] * data[i + 2]);
        ASSERT_NEAR(len, 1.0f, 1e-4f) << "texel " << i / 4;
        ASSERT_GE(data[i + 3], 0.8f) << "texel " << i / 4;
        ASSERT_LE(data[i + 3], 1.2f) << "texel " << i / 4;
        scaleSum += data[i + 3];
    }
    EXPECT_NEAR(scaleSum / (800.0 * 600.0), 1.0, 0.01);
}

TEST(SSAORandomTexture, AllZeroDrawGetsAFixedUnitVector) {
    // Find a seed whose first three draws all give 0, then build that one texel.
    unsigned seed = 1;
    for (;; ++seed) {
        std::srand(seed);
        const int a = (gameRandom() % 100) / 10 - 5;
        const int b = (gameRandom() % 100) / 10 - 5;
        const int c = (gameRandom() % 100) / 10 - 5;
        if (a == 0 && b == 0 && c == 0) break;
        ASSERT_LT(seed, 10000000u);
    }
    std::srand(seed);
    float texel[4] = {-9, -9, -9, -9};
    SSAO::makeRandomVectors(1, texel);
    EXPECT_FLOAT_EQ(texel[0], 0.0f);
    EXPECT_FLOAT_EQ(texel[1], 0.0f);
    EXPECT_FLOAT_EQ(texel[2], 1.0f);
    EXPECT_GE(texel[3], 0.8f);
    EXPECT_LE(texel[3], 1.2f);
    // A seed with an ordinary triple gives the normalised draw itself.
    std::srand(seed + 1);
    const int a = (gameRandom() % 100) / 10 - 5, b = (gameRandom() % 100) / 10 - 5, c = (gameRandom() % 100) / 10 - 5;
    std::srand(seed + 1);
    SSAO::makeRandomVectors(1, texel);
    const float len = std::sqrt(static_cast<float>(a * a + b * b + c * c));
    if (len > 0) {
        EXPECT_FLOAT_EQ(texel[0], a / len);
        EXPECT_FLOAT_EQ(texel[1], b / len);
        EXPECT_FLOAT_EQ(texel[2], c / len);
    }
}

TEST(SSAOSetup, TargetsAndFrameBuffersHaveTheirSizesAndFormats) {
    SSAO* ssao = Game::instance().getSSAO();
    struct Expect {
        Texture* texture;
        int w, h;
    } targets[] = {{ssao->getPositionTexture(), 800, 600}, {ssao->getNormalTexture(), 800, 600},
                   {ssao->getColorTexture(), 800, 600},    {ssao->getBlurTexture(), 800, 600},
                   {ssao->getOcclusionFull(), 800, 600},   {ssao->getOcclusionHalf(), 400, 300},
                   {ssao->getRandomTexture(), 800, 600}};
    for (const Expect& e : targets) {
        ASSERT_NE(e.texture, nullptr);
        glBindTexture(GL_TEXTURE_2D, e.texture->getID());
        GLint w = 0, h = 0, format = 0, wrapS = 0, wrapT = 0, minFilter = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(w, e.w);
        EXPECT_EQ(h, e.h);
        EXPECT_EQ(format, GL_RGBA32F_ARB);
        EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
        EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
        EXPECT_EQ(minFilter, GL_LINEAR);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    // The geometry frame buffer: three colour targets in order plus depth, complete.
    ssao->getGeometryFBO()->bind();
    EXPECT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
    Texture* expected[3] = {ssao->getPositionTexture(), ssao->getNormalTexture(), ssao->getColorTexture()};
    for (int i = 0; i < 3; ++i) {
        GLint name = 0;
        glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT + i,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &name);
        EXPECT_EQ(static_cast<GLuint>(name), expected[i]->getID()) << i;
    }
    GLint depthType = 0;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT, &depthType);
    EXPECT_EQ(depthType, GL_RENDERBUFFER_EXT);
    ssao->getGeometryFBO()->unbind();
    // The projection read at start-up is the game's perspective.
    const float* p = ssao->getProjection();
    EXPECT_NEAR(p[5], 1.0f / std::tan(30.0f * 3.14159265f / 180.0f), 1e-4f);
    EXPECT_NEAR(p[0], p[5] * 600.0f / 800.0f, 1e-4f);
    EXPECT_NEAR(p[11], -1.0f, 1e-6f);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(SSAOPasses, GeometryPassFillsPositionsNormalsAndColours) {
    SSAO* ssao = Game::instance().getSSAO();
    geometryPass(ssao);
    EXPECT_EQ(fxtest::currentProgram(), 0);
    GLint fb = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &fb);
    EXPECT_EQ(fb, 0);
    int w = 0, h = 0;
    std::vector<float> pos = readTexture(ssao->getPositionTexture(), &w, &h);
    std::vector<float> nrm = readTexture(ssao->getNormalTexture(), &w, &h);
    std::vector<float> col = readTexture(ssao->getColorTexture(), &w, &h);
    // Bottom middle: the ground in front of the camera; normal up (packed), in front of the eye.
    const size_t ground = (static_cast<size_t>(20) * 800 + 400) * 4;
    EXPECT_LT(pos[ground + 2], -0.1f);
    EXPECT_GT(pos[ground + 3], 0.0f);
    EXPECT_LT(pos[ground + 3], 1.0f);
    EXPECT_FLOAT_EQ(nrm[ground + 3], 1.0f);
    const float ny = nrm[ground + 1] * 2 - 1;
    EXPECT_GT(ny, 0.5f);  // the up vector seen from a camera looking slightly down
    EXPECT_GT(col[ground + 0] + col[ground + 1] + col[ground + 2], 0.3f);
    // Top row: nothing drawn there, so the clear colour with alpha 0 remains.
    const size_t sky = (static_cast<size_t>(595) * 800 + 400) * 4;
    EXPECT_FLOAT_EQ(nrm[sky + 3], 0.0f);
    EXPECT_NEAR(col[sky + 0], 0.9f, 1e-5f);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(SSAOPasses, QuarterSizeOcclusionWithTwoBlurPassesUnlessOnlySSAO) {
    SSAO* ssao = Game::instance().getSSAO();
    for (bool only : {false, true}) {
        geometryPass(ssao);
        fillWithMarker(ssao->getOcclusionFull());
        fillWithMarker(ssao->getOcclusionHalf());
        fillWithMarker(ssao->getBlurTexture());
        glClearColor(0, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        stylescene::beginOverlay();
        ssao->setOnlySSAO(only);
        ssao->activate();
        EXPECT_TRUE(ssao->isActive());
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 800);
        EXPECT_EQ(viewport[3], 600);
        EXPECT_EQ(fxtest::currentProgram(), 0);
        ssao->deactivate();
        EXPECT_FALSE(ssao->isActive());
        stylescene::endOverlay();
        int w = 0, h = 0;
        if (only) {
            EXPECT_EQ(writtenTexels(ssao->getOcclusionFull(), &w, &h), 800L * 600L);
            EXPECT_EQ(writtenTexels(ssao->getOcclusionHalf(), &w, &h), 0L);
            EXPECT_EQ(writtenTexels(ssao->getBlurTexture(), &w, &h), 0L);  // one draw, straight to the window
        } else {
            EXPECT_EQ(writtenTexels(ssao->getOcclusionHalf(), &w, &h), 400L * 300L);
            EXPECT_EQ(w, 400);
            EXPECT_EQ(writtenTexels(ssao->getOcclusionFull(), &w, &h), 0L);
            EXPECT_EQ(writtenTexels(ssao->getBlurTexture(), &w, &h), 800L * 600L);  // first of two draws
        }
        // The composite reached the window: the ground is no longer the clear colour.
        const auto px = harness::readPixel(400, 20);
        EXPECT_FALSE(px[0] == 0 && px[1] == 102 && px[2] == 153) << (only ? "only" : "combined");
        // The uniforms of the combine pass follow the occlusion target's size.
        const GLuint combine = ssao->getCombineProgram()->getProgram();
        GLfloat resX = 0, resY = 0, onlyValue = -1, xDirection = -1;
        glGetUniformfv(combine, glGetUniformLocation(combine, "mapResX"), &resX);
        glGetUniformfv(combine, glGetUniformLocation(combine, "mapResY"), &resY);
        glGetUniformfv(combine, glGetUniformLocation(combine, "onlySSAO"), &onlyValue);
        glGetUniformfv(combine, glGetUniformLocation(combine, "xDirection"), &xDirection);
        EXPECT_FLOAT_EQ(resX, only ? 800.0f : 400.0f);
        EXPECT_FLOAT_EQ(resY, only ? 600.0f : 300.0f);
        EXPECT_FLOAT_EQ(onlyValue, only ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(xDirection, 0.0f);
    }
    ssao->setOnlySSAO(false);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(SSAOPasses, KernelOfSixteenReachesTheOcclusionProgram) {
    SSAO* ssao = Game::instance().getSSAO();
    EXPECT_EQ(sizeof(SSAO::kKernel) / sizeof(SSAO::kKernel[0]), 16u);
    EXPECT_FLOAT_EQ(SSAO::kKernel[0][0], 0.53812504f);
    EXPECT_FLOAT_EQ(SSAO::kKernel[15][2], -0.0271716f);
    geometryPass(ssao);
    stylescene::beginOverlay();
    ssao->activate();
    ssao->deactivate();
    stylescene::endOverlay();
    const GLuint program = ssao->getOcclusionProgram()->getProgram();
    for (int i = 0; i < 16; ++i) {
        const std::string name = "pSphere[" + std::to_string(i) + "]";
        const GLint location = glGetUniformLocation(program, name.c_str());
        ASSERT_NE(location, -1) << name;
        GLfloat v[3] = {0, 0, 0};
        glGetUniformfv(program, location, v);
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(v[c], SSAO::kKernel[i][c]) << name;
    }
    GLfloat matrix[16];
    glGetUniformfv(program, glGetUniformLocation(program, "projectionMatrix"), matrix);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(matrix[i], ssao->getProjection()[i]);
}

TEST_F(SSAOPasses, OcclusionDarkensCreasesAndLeavesOpenGroundLight) {
    SSAO* ssao = Game::instance().getSSAO();
    geometryPass(ssao);
    stylescene::beginOverlay();
    ssao->setOnlySSAO(true);
    ssao->activate();
    ssao->deactivate();
    stylescene::endOverlay();
    ssao->setOnlySSAO(false);
    int w = 0, h = 0;
    std::vector<float> occ = readTexture(ssao->getOcclusionFull(), &w, &h);
    std::vector<float> nrm = readTexture(ssao->getNormalTexture(), &w, &h);
    // Open ground near the bottom edge is hardly occluded; somewhere on the scene it is dark.
    float open = 0;
    int openCount = 0;
    float darkest = 1.0f;
    for (int y = 0; y < 40; ++y)
        for (int x = 300; x < 500; ++x) {
            open += occ[(static_cast<size_t>(y) * 800 + x) * 4];
            ++openCount;
        }
    for (size_t i = 0; i < occ.size(); i += 4)
        if (nrm[i + 3] > 0.5f) darkest = std::min(darkest, occ[i]);
    EXPECT_GT(open / openCount, 0.85f);
    EXPECT_LT(darkest, 0.6f);
    // Background pixels count as open.
    EXPECT_FLOAT_EQ(occ[(static_cast<size_t>(595) * 800 + 400) * 4], 1.0f);
}

TEST_F(SSAOPasses, ActivateOutsidePlayingLeavesTheOcclusionTargetUnshaded) {
    SSAO* ssao = Game::instance().getSSAO();
    Game::instance().state = Title;
    ssao->setOnlySSAO(false);
    fillWithMarker(ssao->getOcclusionHalf());
    stylescene::beginOverlay();
    ssao->activate();
    EXPECT_TRUE(ssao->isActive());
    ssao->deactivate();
    stylescene::endOverlay();
    int w = 0, h = 0;
    EXPECT_EQ(writtenTexels(ssao->getOcclusionHalf(), &w, &h), 0L);
    EXPECT_FALSE(ssao->isActive());
}
