#pragma once
#include <GL/glew.h>

#include "effects/Effect.h"

class FBO;
class Random;
class ShaderProgram;
class Texture;

// Screen-space ambient occlusion: a geometry pass into a normal and a colour target over a
// depth texture; at a fraction of the window's size a mask pass that settles the pixels the
// kernel need not visit, an occlusion pass with a 16-sample kernel (each pixel takes a quarter of
// it, the rest on its neighbours) and a random-vector texture, a two-pass blur; then a composite
// (or the occlusion alone). The group's activation only switches the effect on; the passes run
// once a frame, in composite, when this frame's targets are filled.
class SSAO : public Effect {
public:
    SSAO();
    ~SSAO() override;
    // Marks the effect active for this frame; nothing is drawn.
    void activate() override;
    void deactivate() override;
    // Runs the occlusion and combine passes into the frame buffer bound at the call.
    void composite();

    // The targets at width x height; called again, it replaces them (a new render scale).
    void setup(int width, int height);
    void captureProjection();
    // The scene's targets for the occlusion; the colours only when the occlusion is not shown alone.
    void beginGeometryPass(bool occlusionOnly);
    // Like beginGeometryPass, but only the normal target is drawn (for showing the normals).
    void beginNormalPass();
    void endGeometryPass();
    // Around the ground in the geometry pass: its program's ground variant (see Effect::addProgram).
    void groundPass(bool on);

    bool isActive() const { return active; }
    void setOnlySSAO(bool value) { onlySSAO = value; }
    bool getOnlySSAO() const { return onlySSAO; }
    Texture* getNormalTexture() const { return geometryNormals; }

    // The occlusion's own targets: the kernel's result, the blur's first direction and its
    // result (which the composite reads), over one depth buffer for the mask's verdicts.
    struct OcclusionTargets {
        Texture* occlusion = nullptr;
        Texture* across = nullptr;
        Texture* blurred = nullptr;
        FBO* fbo = nullptr;
        int width = 0;
        int height = 0;
    };
    // Shown alone the occlusion is the whole picture and keeps half the window's size; under the
    // colours only its broad shading shows, and a quarter gives the same for a quarter of the work.
    static constexpr int kAloneDivisor = 2;
    static constexpr int kUnderColoursDivisor = 4;
    const OcclusionTargets& occlusionTargets(bool shownAlone) const { return shownAlone ? alone : underColours; }

    static constexpr int kKernelSize = 16;
    static constexpr int kRandomSize = 64;  // the random-vector tile, in pixels on a side
    static const float kKernel[kKernelSize][3];

    // For inspection.
    ShaderProgram* getOcclusionProgram() const { return occlusionProgram; }
    ShaderProgram* getCombineProgram() const { return combineProgram; }
    ShaderProgram* getCombineOnlyProgram() const { return combineOnlyProgram; }
    ShaderProgram* getBlurProgram() const { return blurProgram; }
    ShaderProgram* getGeometryProgram() const { return geometryProgram; }
    ShaderProgram* getNormalProgram() const { return normalProgram; }
    ShaderProgram* getMaskProgram() const { return maskProgram; }
    Texture* getDepthTexture() const { return geometryDepth; }
    Texture* getColorTexture() const { return geometryColors; }
    Texture* getRandomTexture() const { return randomTexture; }
    FBO* getGeometryFBO() const { return geometryFBO; }
    const float* getProjection() const { return projection; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Builds the random-vector texel data (x, y, z, scale per texel) from random.
    static void makeRandomVectors(int texelCount, float* out, Random& random);
    static constexpr unsigned kNoiseSeed = 20260;

private:
    void releaseTargets();
    void makeOcclusionTargets(OcclusionTargets& targets, int divisor);
    void maskPass(const OcclusionTargets& targets);
    void occlusionPass();
    void blurPass(const OcclusionTargets& targets);
    void combinePass(const OcclusionTargets& targets);
    void setProjection(ShaderProgram* program);

    ShaderProgram* occlusionProgram;
    ShaderProgram* combineProgram;      // the occlusion on the colours
    ShaderProgram* combineOnlyProgram;  // the occlusion alone
    ShaderProgram* blurProgram;
    ShaderProgram* geometryProgram;
    ShaderProgram* geometryGroundProgram;
    ShaderProgram* normalProgram;
    ShaderProgram* maskProgram;
    Texture* geometryDepth;
    Texture* randomTexture;
    Texture* geometryNormals;
    Texture* geometryColors;
    OcclusionTargets alone;
    OcclusionTargets underColours;
    FBO* geometryFBO;
    float projection[16];
    GLenum drawBuffers[3];
    int maskProjectionLocation;
    int occlusionProjectionLocation;
    int xDirectionLocation;
    int mapResXLocation;
    int mapResYLocation;
    bool active;
    bool onlySSAO;
    int width;
    int height;
};
