#include <GL/glew.h>

#include "effects/SSAO.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
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

// Colours and normals packed into 0..1 are 8 bits on screen anyway, and the occlusion's 16-bit
// floats keep the linear depth its blur weighs by. The depths are the depth buffer's own.
Texture* makeTarget(int width, int height, GLint internalFormat, GLint filter = GL_LINEAR) {
    TextureLoader loader;
    GLenum format = GL_RGBA, type = internalFormat == GL_RGBA8 ? GL_UNSIGNED_BYTE : GL_FLOAT;
    if (internalFormat == GL_DEPTH_COMPONENT24) format = GL_DEPTH_COMPONENT, type = GL_UNSIGNED_INT;
    Texture* target = loader.createTexture(GL_TEXTURE_2D, internalFormat, width, height, format, type, filter, true,
                                           false, false, nullptr);
    // Nearest both ways: read at its own size, a texture counts as magnified, and a linear
    // magnification fetches four texels to give back the one under the pixel.
    if (filter == GL_NEAREST) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return target;
}

ShaderProgram* loadProgram(const char* name, const std::string& defines = std::string()) {
    ShaderProgram* program = new ShaderProgram(sharedLogger());
    program->load(std::string("Shader/") + name + ".vert", std::string("Shader/") + name + ".frag", defines);
    return program;
}

}  // namespace

SSAO::SSAO()
    : occlusionProgram(nullptr), combineProgram(nullptr), combineOnlyProgram(nullptr), blurProgram(nullptr),
      geometryProgram(nullptr), geometryGroundProgram(nullptr), normalProgram(nullptr), maskProgram(nullptr), geometryDepth(nullptr),
      randomTexture(nullptr), geometryNormals(nullptr), geometryColors(nullptr), geometryFBO(nullptr), projection{},
      drawBuffers{GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_COLOR_ATTACHMENT2_EXT}, maskProjectionLocation(-1),
      occlusionProjectionLocation(-1), xDirectionLocation(-1), mapResXLocation(-1), mapResYLocation(-1),
      active(false), onlySSAO(false), width(0), height(0) {
    geometryProgram = loadProgram("mrt");
    geometryGroundProgram = loadProgram("mrt", "#define GROUND 1\n");
    normalProgram = loadProgram("normals");
    maskProgram = loadProgram("ssao_mask");
    occlusionProgram = loadProgram("ssao");
    blurProgram = loadProgram("ssao_blur");
    combineProgram = addProgram("ssao_combine");
    // The occlusion alone: a program of its own, without the colour read the other needs.
    combineOnlyProgram = loadProgram("ssao_combine", "#define ONLY_SSAO 1\n");

    // The samplers' units and the kernel never change.
    maskProgram->use();
    maskProgram->setUniform1i(maskProgram->getUniformLocation("posMap"), 1);
    occlusionProgram->use();
    occlusionProgram->setUniform1i(occlusionProgram->getUniformLocation("randomMap"), 0);
    occlusionProgram->setUniform1i(occlusionProgram->getUniformLocation("posMap"), 1);
    occlusionProgram->setUniform1i(occlusionProgram->getUniformLocation("normalMap"), 2);
    glUniform3fv(occlusionProgram->getUniformLocation("pSphere"), kKernelSize, &kKernel[0][0]);
    blurProgram->use();
    blurProgram->setUniform1i(blurProgram->getUniformLocation("SSAOMap"), 3);
    for (ShaderProgram* combine : {combineProgram, combineOnlyProgram}) {
        combine->use();
        if (combine == combineProgram) combine->setUniform1i(combine->getUniformLocation("colorMap"), 0);
        combine->setUniform1i(combine->getUniformLocation("SSAOMap"), 3);
    }
    maskProjectionLocation = maskProgram->getUniformLocation("projectionMatrix");
    occlusionProjectionLocation = occlusionProgram->getUniformLocation("projectionMatrix");
    xDirectionLocation = blurProgram->getUniformLocation("xDirection");
    mapResXLocation = blurProgram->getUniformLocation("mapResX");
    mapResYLocation = blurProgram->getUniformLocation("mapResY");
    glUseProgram(0);

    // A tile of random vectors repeated over the screen: after the blur no pattern shows, and a
    // window-sized one would cost 8 MB and two million random numbers at every start. Its own
    // source, always the same: the occlusion looks the same in every run, and drawing it takes
    // nothing from anybody else's sequence.
    Random noise(kNoiseSeed);
    std::vector<float> randomData(static_cast<size_t>(kRandomSize) * kRandomSize * 4);
    makeRandomVectors(kRandomSize * kRandomSize, randomData.data(), noise);
    TextureLoader loader;
    randomTexture = loader.createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, kRandomSize, kRandomSize, GL_RGBA, GL_FLOAT,
                                         GL_NEAREST, false, false, true, randomData.data());
    // Read at its texel centres only (one texel a pixel): filtering would give the same vectors.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The game never destroys its SSAO effect; tests and tools do, and must get everything back.
SSAO::~SSAO() {
    releaseTargets();
    delete randomTexture;
    delete occlusionProgram;
    delete combineOnlyProgram;
    delete blurProgram;
    delete geometryProgram;
    delete geometryGroundProgram;
    delete normalProgram;
    delete maskProgram;
    // combineProgram is in programs: the base destructor deletes it.
}

void SSAO::releaseTargets() {
    delete geometryFBO;
    for (Texture* t : {geometryDepth, geometryNormals, geometryColors}) delete t;
    geometryFBO = nullptr;
    geometryDepth = geometryNormals = geometryColors = nullptr;
    for (OcclusionTargets* targets : {&alone, &underColours}) {
        delete targets->fbo;
        for (Texture* t : {targets->occlusion, targets->across, targets->blurred}) delete t;
        *targets = OcclusionTargets();
    }
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
    releaseTargets();
    width = w;
    height = h;

    // The depth buffer is a texture the occlusion reads: no target of its own for depths.
    geometryDepth = makeTarget(w, h, GL_DEPTH_COMPONENT24, GL_NEAREST);
    geometryNormals = makeTarget(w, h, GL_RGBA8);
    // Read only at its own texel centres.
    geometryColors = makeTarget(w, h, GL_RGBA8, GL_NEAREST);
    geometryFBO = new FBO(sharedLogger(), w, h, false);
    geometryFBO->bind();
    geometryFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, geometryNormals->getID());
    geometryFBO->attachTexture(GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_2D, geometryColors->getID());
    geometryFBO->attachTexture(GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, geometryDepth->getID());
    glDrawBuffers(2, drawBuffers);
    geometryFBO->checkStatus();
    geometryFBO->unbind();

    makeOcclusionTargets(alone, kAloneDivisor);
    makeOcclusionTargets(underColours, kUnderColoursDivisor);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void SSAO::makeOcclusionTargets(OcclusionTargets& targets, int divisor) {
    // The occlusion and the blur between them, over a depth buffer of the mask pass's verdicts.
    // The blur's second direction ends in 8 bits: the composite reads only the occlusion, the
    // coverage and the normal's z from there, and filters 8-bit texels on the rasteriser's fast
    // path; the linear depth the blur weighs its taps with needs the floats.
    targets.width = std::max(width / divisor, 1);
    targets.height = std::max(height / divisor, 1);
    // The blur reads the first two only at their own texel centres.
    targets.occlusion = makeTarget(targets.width, targets.height, GL_RGBA16F_ARB, GL_NEAREST);
    targets.across = makeTarget(targets.width, targets.height, GL_RGBA16F_ARB, GL_NEAREST);
    targets.blurred = makeTarget(targets.width, targets.height, GL_RGBA8);
    targets.fbo = new FBO(sharedLogger(), targets.width, targets.height, true);
    targets.fbo->bind();
    targets.fbo->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, targets.occlusion->getID());
    targets.fbo->attachDepthRenderbuffer();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    targets.fbo->checkStatus();
    targets.fbo->unbind();
}

void SSAO::captureProjection() { glGetFloatv(GL_PROJECTION_MATRIX, projection); }

void SSAO::setProjection(ShaderProgram* program) {
    glUniformMatrix4fv(program == maskProgram ? maskProjectionLocation : occlusionProjectionLocation, 1, GL_FALSE,
                       projection);
}

void SSAO::beginGeometryPass(bool occlusionOnly) {
    onlySSAO = occlusionOnly;
    geometryFBO->bind();
    // The occlusion shown alone never reads the colours: the normals only.
    if (onlySSAO) {
        normalProgram->use();
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    } else {
        geometryProgram->use();
        glDrawBuffers(2, drawBuffers);
    }
}

void SSAO::beginNormalPass() {
    geometryFBO->bind();
    normalProgram->use();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
}

void SSAO::groundPass(bool on) {
    // The occlusion alone draws normals only, which read no texel.
    if (!onlySSAO) (on ? geometryGroundProgram : geometryProgram)->use();
}

void SSAO::endGeometryPass() {
    glUseProgram(0);
    geometryFBO->unbind();
}

// Running the passes here would work on last frame's targets, and the display clears the result.
void SSAO::activate() { active = true; }

void SSAO::composite() {
    if (!geometryFBO) return;  // not set up: there are no targets to work on
    const OcclusionTargets& targets = occlusionTargets(onlySSAO);
    if (effectContext().playing) {
        glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_VIEWPORT_BIT);
        glDisable(GL_LIGHTING);
        glLoadIdentity();
        disable2DTexturing(4);
        targets.fbo->bind();
        glViewport(0, 0, targets.width, targets.height);
        maskPass(targets);
        occlusionPass();
        blurPass(targets);
        targets.fbo->unbind();
        glPopAttrib();
    }
    combinePass(targets);
}

void SSAO::deactivate() { active = false; }

void SSAO::maskPass(const OcclusionTargets& targets) {
    // Into all three targets, with the verdict in the depth buffer. The first is the
    // occlusion's: the blur left its own result there last frame.
    FBO* fbo = targets.fbo;
    fbo->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, targets.occlusion->getID());
    fbo->attachTexture(GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_2D, targets.across->getID());
    fbo->attachTexture(GL_COLOR_ATTACHMENT2_EXT, GL_TEXTURE_2D, targets.blurred->getID());
    glDrawBuffers(3, drawBuffers);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    maskProgram->use();
    setProjection(maskProgram);
    geometryDepth->bind(GL_TEXTURE_2D, 1);
    drawScreenQuad();
    fbo->attachTexture(GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_2D, 0);
    fbo->attachTexture(GL_COLOR_ATTACHMENT2_EXT, GL_TEXTURE_2D, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    // From here on only the pixels the mask left open (its quad lies at depth 0.5).
    glDepthFunc(GL_GREATER);
    glDepthMask(GL_FALSE);
}

void SSAO::occlusionPass() {
    occlusionProgram->use();
    setProjection(occlusionProgram);
    randomTexture->bind(GL_TEXTURE_2D, 0);
    geometryDepth->bind(GL_TEXTURE_2D, 1);
    geometryNormals->bind(GL_TEXTURE_2D, 2);
    // At the targets' size: the two blur passes smooth it back to the window's size, and every
    // pixel left out saves its four taps.
    drawScreenQuad();
    disable2DTexturing(4);
}

void SSAO::blurPass(const OcclusionTargets& targets) {
    // Blurred across into the blur texture, then down into the 8-bit result, both at the
    // occlusion's own size.
    blurProgram->use();
    blurProgram->setUniform1f(mapResXLocation, static_cast<float>(targets.width));
    blurProgram->setUniform1f(mapResYLocation, static_cast<float>(targets.height));
    for (int across = 1; across >= 0; --across) {
        Texture* source = across ? targets.occlusion : targets.across;
        Texture* target = across ? targets.across : targets.blurred;
        targets.fbo->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, target->getID());
        source->bind(GL_TEXTURE_2D, 3);
        blurProgram->setUniform1f(xDirectionLocation, across ? 1.0f : 0.0f);
        drawScreenQuad();
    }
    glUseProgram(0);
}

void SSAO::combinePass(const OcclusionTargets& targets) {
    // At the window's size: the occlusion alone, or the colours darkened with it.
    ShaderProgram* combine = onlySSAO ? combineOnlyProgram : combineProgram;
    combine->use();
    disable2DTexturing(3);
    if (!onlySSAO) geometryColors->bind(GL_TEXTURE_2D, 0);
    targets.blurred->bind(GL_TEXTURE_2D, 3);  // widened: filtered
    drawScreenQuad();
    combine->unuse();
    disable2DTexturing(3);
}
