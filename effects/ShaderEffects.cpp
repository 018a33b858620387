#include <GL/glew.h>

#include "effects/ShaderEffects.h"

#include <cstdlib>
#include <vector>

#include "effects/EffectContext.h"
#include "framework/ShaderProgram.h"
#include "objects/Spaceship.h"

void placeWorldLight() {
    // Above, a little to the right and behind the chase camera: the ground and the fronts of
    // the objects the player meets are lit, and their shadowed sides face away from the view.
    const GLfloat sun[4] = {0.35f, 1.0f, 0.55f, 0.0f};
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // Every parameter a style may have changed, not only the position: a light left behind by
    // an earlier style must not show through.
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        glLightfv(light, GL_POSITION, sun);
        glLightfv(light, GL_AMBIENT, ambient);
        glLightfv(light, GL_DIFFUSE, white);
        glLightfv(light, GL_SPECULAR, white);
        glLightf(light, GL_CONSTANT_ATTENUATION, 1.0f);
        glLightf(light, GL_LINEAR_ATTENUATION, 0.0f);
        glLightf(light, GL_QUADRATIC_ATTENUATION, 0.0f);
        glLightf(light, GL_SPOT_CUTOFF, 180.0f);
    }
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);  // only a record of the sun for the shaders that read it
}

void placeLightAboveShip() {
    const EffectContext& context = effectContext();
    if (!context.playing) return;
    const Spaceship* ship = context.ship;
    if (!ship) return;  // no ship yet: nothing to follow
    const float3 p = ship->getPosition();
    const GLfloat position[4] = {p.x, p.y + 1.0f, p.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

BlueShader::BlueShader() : useTextureLocation(-1), program(nullptr) {
    program = addProgram("sample1");
    useTextureLocation = program->getUniformLocation("useTexture");
}

void BlueShader::activate() {
    Effect::activate();
    program->setUniform1i(useTextureLocation, effectContext().backdropPass ? 1 : 0);
}

GreenShader::GreenShader() { addProgram("sample2", true); }

BlackWhiteShader::BlackWhiteShader() : program(nullptr) {
    program = addProgram("silhouette", true);
    for (ShaderProgram* p : {program, getGroundProgram(0)}) {
        p->use();
        p->setUniform1f(p->getUniformLocation("strength"), 0.3f);
        p->unuse();
    }
}

FunkyShader::FunkyShader() : program(nullptr), texLocation(-1), usePositionLookupLocation(-1), noiseTexture(0) {
    program = addProgram("funky3d", true);
    program->use();
    texLocation = program->getUniformLocation("tex");
    usePositionLookupLocation = program->getUniformLocation("usePositionLookup");
    program->unuse();

    // Depth slowest, width fastest; red, green, blue per texel. The noise has a source of its
    // own, always the same, so the style looks alike in every run.
    Random noise(kNoiseSeed);
    std::vector<float> texels;
    texels.reserve(kNoiseWidth * kNoiseHeight * kNoiseDepth * 3);
    for (int d = 0; d < kNoiseDepth; ++d)
        for (int h = 0; h < kNoiseHeight; ++h)
            for (int w = 0; w < kNoiseWidth; ++w)
                for (int c = 0; c < 3; ++c) texels.push_back(static_cast<float>(noise.next() / 32767.0));

    glGenTextures(1, &noiseTexture);
    glBindTexture(GL_TEXTURE_3D, noiseTexture);
    // Linear: the shader lets the sampler blend neighbouring texels instead of fetching eight.
    // Eight bits a channel: a software rasteriser filters those on its fast path, and the
    // palette shows no step (half floats cost Funky a tenth of its frame).
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGBA8, kNoiseWidth, kNoiseHeight, kNoiseDepth, 0, GL_RGB, GL_FLOAT,
                 texels.data());
    glBindTexture(GL_TEXTURE_3D, 0);
}

FunkyShader::~FunkyShader() {
    if (noiseTexture) glDeleteTextures(1, &noiseTexture);
}

void FunkyShader::activate() {
    Effect::activate();
    const EffectContext& context = effectContext();
    if (!context.playing) return;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_3D, noiseTexture);
    // The ground's variant reads unit 0 and always looks its colours up by position.
    if (context.groundPass) return;
    glUniform1i(texLocation, 0);
    glUniform1i(usePositionLookupLocation, context.funkyPassFlag ? 1 : 0);
}

void FunkyShader::deactivate() {
    Effect::deactivate();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_3D, 0);
}

RealShader::RealShader() { addProgram("real"); }

void RealShader::activate() {
    Effect::activate();
    placeLightAboveShip();
}

ToonShader::ToonShader() { addProgram("toon", true); }

void ToonShader::activate() {
    Effect::activate();
    placeLightAboveShip();
}

SunnyShader::SunnyShader() : useOnlyTextureLocation(-1) {
    ShaderProgram* program = addProgram("sunny");
    useOnlyTextureLocation = program->getUniformLocation("useOnlyTexture");
}

void SunnyShader::activate() {
    Effect::activate();
    placeLightAboveShip();
    glUniform1i(useOnlyTextureLocation, effectContext().backdropPass ? 1 : 0);
}
