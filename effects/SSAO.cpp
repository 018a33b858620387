#include <GL/glew.h>

#include "effects/SSAO.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/EffectContext.h"
#include "effects/ShaderEffects.h"
#include "framework/FBO.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "platform/Clock.h"

const float SSAO::kKernel[SSAO::kKernelSize][3] = {
    {0.53812504f, 0.18565957f, -0.43192f},      {0.13790712f, 0.24864247f, 0.44301823f},
    {0.33715037f, 0.56794053f, -0.005789503f},  {-0.6999805f, -0.04511441f, -0.0019965635f},
    {0.06896307f, -0.15983082f, -0.85477847f},  {0.056099437f, 0.006954967f, -0.1843352f},
    {-0.014653638f, 0.14027752f, 0.0762037f},   {0.010019933f, -0.1924225f, -0.034443386f},
    {-0.35775623f, -0.5301969f, -0.43581226f},  {-0.3169221f, 0.106360726f, 0.015860917f},
    {0.010350345f, -0.58698344f, 0.0046293875f}, {-0.08972908f, -0.49408212f, 0.3287904f},
    {0.7119986f, -0.0154690035f, -0.09183723f}, {-0.053382345f, 0.059675813f, -0.5411899f},
    {0.035267662f, -0.063188605f, 0.54602677f}, {-0.47761092f, 0.2847911f, -0.0271716f},
};

namespace {
Logger* sharedLogger() { return effectContext().logger; }

// Only the depths need full floats, in one channel: the projection gives back the eye position.
// Colours and normals packed into 0..1 are 8 bits on screen anyway, and the occlusion's 16-bit
// floats keep its soft gradients: a quarter and a half of the memory and of the traffic.
Texture* makeTarget(int width, int height, GLint internalFormat) {
    TextureLoader loader;
    return loader.createTexture(GL_TEXTURE_2D, internalFormat, width, height, GL_RGBA,
                                internalFormat == GL_RGBA8 ? GL_UNSIGNED_BYTE : GL_FLOAT, GL_LINEAR, true, false, false,
                                nullptr);
}

}  // namespace

SSAO::SSAO()
    : occlusionProgram(nullptr), combineProgram(nullptr), blurProgram(nullptr), geometryProgram(nullptr),
      normalProgram(nullptr),
      geometryPositions(nullptr),
      randomTexture(nullptr), geometryNormals(nullptr), geometryColors(nullptr),
      occlusionHalf(nullptr), blurTexture(nullptr), geometryFBO(nullptr), occlusionFBO(nullptr), posMapLocation(-1),
      randomMapLocation(-1), normalMapLocation(-1), pSphereLocation(-1), colorMapLocation(-1),
      combineNormalMapLocation(-1), ssaoMapLocation(-1), mapResXLocation(-1),
      mapResYLocation(-1), onlySSAOLocation(-1), xDirectionLocation(-1), blurMapLocation(-1),
      projectionMatrixLocation(-1), projection{},
      nearLocation(-1), farLocation(-1),
      geometryDrawBuffers{GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_COLOR_ATTACHMENT2_EXT},
      texelSampler(0), active(false), onlySSAO(false), width(0), height(0) {
    geometryProgram = new ShaderProgram(sharedLogger());
    geometryProgram->load("Shader/mrt.vert", "Shader/mrt.frag");
    nearLocation = geometryProgram->getUniformLocation("near");
    farLocation = geometryProgram->getUniformLocation("far");

    normalProgram = new ShaderProgram(sharedLogger());
    normalProgram->load("Shader/normals.vert", "Shader/normals.frag");

    occlusionProgram = new ShaderProgram(sharedLogger());
    occlusionProgram->load("Shader/ssao.vert", "Shader/ssao.frag");
    randomMapLocation = occlusionProgram->getUniformLocation("randomMap");
    posMapLocation = occlusionProgram->getUniformLocation("posMap");
    normalMapLocation = occlusionProgram->getUniformLocation("normalMap");
    pSphereLocation = occlusionProgram->getUniformLocation("pSphere");
    projectionMatrixLocation = occlusionProgram->getUniformLocation("projectionMatrix");

    combineProgram = addProgram("ssao_combine");
    colorMapLocation = combineProgram->getUniformLocation("colorMap");
    combineNormalMapLocation = combineProgram->getUniformLocation("normalMap");
    ssaoMapLocation = combineProgram->getUniformLocation("SSAOMap");
    onlySSAOLocation = combineProgram->getUniformLocation("onlySSAO");

    blurProgram = new ShaderProgram(sharedLogger());
    blurProgram->load("Shader/ssao_blur.vert", "Shader/ssao_blur.frag");
    blurMapLocation = blurProgram->getUniformLocation("SSAOMap");
    xDirectionLocation = blurProgram->getUniformLocation("xDirection");
    mapResXLocation = blurProgram->getUniformLocation("mapResX");
    mapResYLocation = blurProgram->getUniformLocation("mapResY");
}

// The game never destroys its SSAO effect; tests and tools do, and must get everything back.
SSAO::~SSAO() {
    delete geometryFBO;
    delete occlusionFBO;
    delete geometryPositions;
    delete randomTexture;
    delete geometryNormals;
    delete geometryColors;
    delete occlusionHalf;
    delete blurTexture;
    if (texelSampler) glDeleteSamplers(1, &texelSampler);
    delete occlusionProgram;
    delete blurProgram;
    delete geometryProgram;
    delete normalProgram;
    // combineProgram is in programs: the base destructor deletes it.
}

void SSAO::makeRandomVectors(int texelCount, float* out, Random& random) {
    for (int i = 0; i < texelCount; ++i) {
        const int a = (random.next() % 100) / 10 - 5;
        const int b = (random.next() % 100) / 10 - 5;
        const int c = (random.next() % 100) / 10 - 5;
        const float length = std::sqrt(static_cast<float>(a * a + b * b + c * c));
        float x = 0.0f, y = 0.0f, z = 1.0f;  // all three draws 0: no direction to normalise
        if (length > 0.0f) {
            x = a / length;
            y = b / length;
            z = c / length;
        }
        const float s = static_cast<float>(random.next() / 32767.0 * 0.4 + 0.8);
        out[4 * i + 0] = x;
        out[4 * i + 1] = y;
        out[4 * i + 2] = z;
        out[4 * i + 3] = s;
    }
}

void SSAO::setup(int w, int h) {
    width = w;
    height = h;
    geometryFBO = new FBO(sharedLogger(), w, h, true);

    // A tile of random vectors repeated over the screen: after the blur no pattern shows, and a
    // window-sized one would cost 8 MB and two million random numbers at every start. Its own
    // source, always the same: the occlusion looks the same in every run, and drawing it takes
    // nothing from anybody else's sequence.
    Random noise(kNoiseSeed);
    std::vector<float> randomData(static_cast<size_t>(kRandomSize) * kRandomSize * 4);
    makeRandomVectors(kRandomSize * kRandomSize, randomData.data(), noise);
    TextureLoader loader;
    randomTexture = loader.createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, kRandomSize, kRandomSize, GL_RGBA, GL_FLOAT,
                                         GL_LINEAR, false, false, true, randomData.data());

    geometryPositions = makeTarget(w, h, GL_R32F);
    geometryNormals = makeTarget(w, h, GL_RGBA8);
    geometryColors = makeTarget(w, h, GL_RGBA8);
    // The first blur pass runs at the size of the half-size occlusion it reads.
    blurTexture = makeTarget(w / 2, h / 2, GL_RGBA16F_ARB);

    geometryFBO->bind();
    geometryFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, geometryPositions->getID());
    geometryFBO->attachTexture(GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_2D, geometryNormals->getID());
    geometryFBO->attachTexture(GL_COLOR_ATTACHMENT2_EXT, GL_TEXTURE_2D, geometryColors->getID());
    geometryFBO->attachDepthRenderbuffer();
    geometryFBO->checkStatus();
    geometryFBO->unbind();

    // The occlusion and blur passes have no depth test: no depth renderbuffer.
    occlusionFBO = new FBO(sharedLogger(), w, h, false);
    occlusionHalf = makeTarget(w / 2, h / 2, GL_RGBA16F_ARB);

    occlusionFBO->bind();
    occlusionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, occlusionHalf->getID());
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    occlusionFBO->checkStatus();
    occlusionFBO->unbind();
    glBindTexture(GL_TEXTURE_2D, 0);

    if (GLEW_VERSION_3_3 || GLEW_ARB_sampler_objects) {
        glGenSamplers(1, &texelSampler);
        glSamplerParameteri(texelSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(texelSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(texelSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(texelSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

// A read exactly at a texel's centre gets that texel whatever the filter; the software
// rasteriser still pays four fetches for a linear one. Nearest there looks the same.
void SSAO::sampleTexelCentres(int unit, bool nearest) {
    if (texelSampler) glBindSampler(unit, nearest ? texelSampler : 0);
}

void SSAO::setClipPlanes(float nearPlane, float farPlane) {
    geometryProgram->use();
    geometryProgram->setUniform1f(nearLocation, nearPlane);
    geometryProgram->setUniform1f(farLocation, farPlane);
    geometryProgram->unuse();
}

void SSAO::captureProjection() { glGetFloatv(GL_PROJECTION_MATRIX, projection); }

void SSAO::beginGeometryPass(bool occlusionOnly) {
    onlySSAO = occlusionOnly;
    geometryFBO->bind();
    geometryProgram->use();
    // The occlusion shown alone never reads the colours: positions and normals only.
    glDrawBuffers(onlySSAO ? 2 : 3, geometryDrawBuffers);
}

void SSAO::beginNormalPass() {
    geometryFBO->bind();
    normalProgram->use();
    glDrawBuffer(GL_COLOR_ATTACHMENT1_EXT);
}

void SSAO::endGeometryPass() {
    geometryProgram->unuse();
    geometryFBO->unbind();
}

// Running the passes here would work on last frame's targets, and the display clears the result.
void SSAO::activate() { active = true; }

void SSAO::composite() {
    if (!geometryFBO) return;  // not set up: there are no targets to work on
    occlusionPass();
    combinePass();
}

void SSAO::deactivate() { active = false; }

void SSAO::occlusionPass() {
    occlusionFBO->bind();
    occlusionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, occlusionHalf->getID());
    occlusionProgram->use();
    if (effectContext().playing) {
        glUniformMatrix4fv(projectionMatrixLocation, 1, GL_FALSE, projection);
        glDisable(GL_LIGHTING);
        glLoadIdentity();
        disable2DTexturing(4);
        randomTexture->bind(GL_TEXTURE_2D, 0);
        geometryPositions->bind(GL_TEXTURE_2D, 1);
        geometryNormals->bind(GL_TEXTURE_2D, 2);
        occlusionProgram->setUniform1i(randomMapLocation, 0);
        occlusionProgram->setUniform1i(posMapLocation, 1);
        occlusionProgram->setUniform1i(normalMapLocation, 2);
        glUniform3fv(pSphereLocation, kKernelSize, &kKernel[0][0]);
        // At half the window's size in both styles: the two blur passes smooth it back to
        // the window's size, and a quarter of the pixels cost a quarter of the taps.
        glPushAttrib(GL_VIEWPORT_BIT);
        glViewport(0, 0, width / 2, height / 2);
        // The kernel's taps read the nearest stored surface: blending four neighbours' positions
        // would only invent surfaces at depth edges, and costs four times the fetches.
        sampleTexelCentres(1, true);
        drawScreenQuad();
        sampleTexelCentres(1, false);
        glPopAttrib();
        occlusionProgram->unuse();
        disable2DTexturing(4);
    }
    occlusionFBO->unbind();
}

void SSAO::combinePass() {
    disable2DTexturing(1);
    // Blurred across into the blur texture, then down back into the occlusion target, both at
    // the occlusion's own size.
    blurProgram->use();
    blurProgram->setUniform1f(mapResXLocation, width / 2.0f);
    blurProgram->setUniform1f(mapResYLocation, height / 2.0f);
    blurProgram->setUniform1i(blurMapLocation, 3);
    occlusionFBO->bind();
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, width / 2, height / 2);
    sampleTexelCentres(3, true);
    for (int across = 1; across >= 0; --across) {
        Texture* source = across ? occlusionHalf : blurTexture;
        Texture* target = across ? blurTexture : occlusionHalf;
        occlusionFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, target->getID());
        source->bind(GL_TEXTURE_2D, 3);
        blurProgram->setUniform1f(xDirectionLocation, across ? 1.0f : 0.0f);
        drawScreenQuad();
    }
    glPopAttrib();
    occlusionFBO->unbind();
    blurProgram->unuse();

    // At the window's size: the occlusion alone, or the colours darkened with it.
    combineProgram->use();
    geometryColors->bind(GL_TEXTURE_2D, 0);
    occlusionHalf->bind(GL_TEXTURE_2D, 3);
    combineProgram->setUniform1i(colorMapLocation, 0);
    combineProgram->setUniform1i(ssaoMapLocation, 3);
    combineProgram->setUniform1i(combineNormalMapLocation, 2);
    combineProgram->setUniform1f(onlySSAOLocation, onlySSAO ? 1.0f : 0.0f);
    sampleTexelCentres(3, false);  // widened: filtered
    sampleTexelCentres(2, true);   // the normals (and what they cover) at the window's size
    drawScreenQuad();
    sampleTexelCentres(2, false);
    combineProgram->unuse();
    disable2DTexturing(3);
}
