#pragma once
#include <GL/glew.h>

#include "effects/Effect.h"

class FBO;
class Random;
class ShaderProgram;
class Texture;

// Screen-space ambient occlusion: a geometry pass into three float targets, an occlusion
// pass with a 16-sample kernel and a random-vector texture, then a two-pass blur and a
// composite (or the occlusion alone). The group's activation only switches the effect on;
// the passes run once a frame, in composite, when this frame's targets are filled.
class SSAO : public Effect {
public:
    SSAO();
    ~SSAO() override;
    // Marks the effect active for this frame; nothing is drawn.
    void activate() override;
    void deactivate() override;
    // Runs the occlusion and combine passes into the frame buffer bound at the call.
    void composite();

    void setup(int width, int height);
    void setClipPlanes(float nearPlane, float farPlane);
    void captureProjection();
    // The scene's targets for the occlusion; the colours only when the occlusion is not shown alone.
    void beginGeometryPass(bool occlusionOnly);
    // Like beginGeometryPass, but only the normal target is drawn (for showing the normals).
    void beginNormalPass();
    void endGeometryPass();

    bool isActive() const { return active; }
    void setOnlySSAO(bool value) { onlySSAO = value; }
    bool getOnlySSAO() const { return onlySSAO; }
    Texture* getNormalTexture() const { return geometryNormals; }

    static constexpr int kKernelSize = 16;
    static constexpr int kRandomSize = 64;  // the random-vector tile, in pixels on a side
    static const float kKernel[kKernelSize][3];

    // For inspection.
    ShaderProgram* getOcclusionProgram() const { return occlusionProgram; }
    ShaderProgram* getCombineProgram() const { return combineProgram; }
    ShaderProgram* getBlurProgram() const { return blurProgram; }
    ShaderProgram* getGeometryProgram() const { return geometryProgram; }
    ShaderProgram* getNormalProgram() const { return normalProgram; }
    Texture* getPositionTexture() const { return geometryPositions; }
    Texture* getColorTexture() const { return geometryColors; }
    Texture* getRandomTexture() const { return randomTexture; }
    Texture* getOcclusionHalf() const { return occlusionHalf; }
    Texture* getBlurTexture() const { return blurTexture; }
    FBO* getGeometryFBO() const { return geometryFBO; }
    FBO* getOcclusionFBO() const { return occlusionFBO; }
    const float* getProjection() const { return projection; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Builds the random-vector texel data (x, y, z, scale per texel) from random.
    static void makeRandomVectors(int texelCount, float* out, Random& random);
    static constexpr unsigned kNoiseSeed = 20260;

private:
    void occlusionPass();
    void combinePass();
    void sampleTexelCentres(int unit, bool nearest);

    ShaderProgram* occlusionProgram;
    ShaderProgram* combineProgram;
    ShaderProgram* blurProgram;
    ShaderProgram* geometryProgram;
    ShaderProgram* normalProgram;
    Texture* geometryPositions;
    Texture* randomTexture;
    Texture* geometryNormals;
    Texture* geometryColors;
    Texture* occlusionHalf;
    Texture* blurTexture;
    FBO* geometryFBO;
    FBO* occlusionFBO;
    int posMapLocation;
    int randomMapLocation;
    int normalMapLocation;
    int pSphereLocation;
    int colorMapLocation;
    int combineNormalMapLocation;
    int ssaoMapLocation;
    int mapResXLocation;
    int mapResYLocation;
    int onlySSAOLocation;
    int xDirectionLocation;
    int blurMapLocation;
    int projectionMatrixLocation;
    float projection[16];
    int nearLocation;
    int farLocation;
    GLenum geometryDrawBuffers[3];
    GLuint texelSampler;  // nearest, for reads at a target's own texel centres; 0 without samplers
    bool active;
    bool onlySSAO;
    int width;
    int height;
};
