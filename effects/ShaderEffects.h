#pragma once
#include "platform/Random.h"
#include <GL/glew.h>

#include "effects/Effect.h"
#include "effects/NormalShader.h"

class ShaderProgram;

// Plain textured look; "useTexture" switches to the unlit texture for the backdrop.
class BlueShader : public Effect {
public:
    BlueShader();
    void activate() override;
    ShaderProgram* getProgram() const { return program; }
    int getUseTextureLocation() const { return useTextureLocation; }

private:
    int useTextureLocation;
    ShaderProgram* program;
};

// Warm sunrise grade.
class GreenShader : public Effect {
public:
    GreenShader();
};

// Grey shading with dark silhouettes.
class BlackWhiteShader : public Effect {
public:
    BlackWhiteShader();
    ShaderProgram* getProgram() const { return program; }

private:
    ShaderProgram* program;
};

// Colours from a small 3D noise volume.
class FunkyShader : public Effect {
public:
    FunkyShader();
    ~FunkyShader() override;
    void activate() override;
    void deactivate() override;

    ShaderProgram* getProgram() const { return program; }
    int getTexLocation() const { return texLocation; }
    int getUsePositionLookupLocation() const { return usePositionLookupLocation; }
    GLuint getNoiseTexture() const { return noiseTexture; }

    static constexpr int kNoiseWidth = 4;
    static constexpr int kNoiseHeight = 4;
    static constexpr unsigned kNoiseSeed = 4711;
    static constexpr int kNoiseDepth = 16;

private:
    ShaderProgram* program;
    int texLocation;
    int usePositionLookupLocation;
    GLuint noiseTexture;
};

// Per-pixel Phong lighting from light 0, icy.
class RealShader : public Effect {
public:
    RealShader();
    void activate() override;
};

// Cel bands lit by light 0.
class ToonShader : public Effect {
public:
    ToonShader();
    void activate() override;
};

// Warm sun from light 0; "useOnlyTexture" for the backdrop.
class SunnyShader : public Effect {
public:
    SunnyShader();
    void activate() override;
    int getUseOnlyTextureLocation() const { return useOnlyTextureLocation; }

private:
    int useOnlyTextureLocation;
};

// The world's sun, set at the start of every playing frame once the camera is applied: light 0
// (switched on, with lighting) and light 1 (off) both become a white directional light fixed in
// world space. Styles that move light 0 above the ship still find the sun in light 1.
void placeWorldLight();

// Puts light 0 one unit above the ship, as a positional light (only while playing).
void placeLightAboveShip();

