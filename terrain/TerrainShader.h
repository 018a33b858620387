#pragma once
#include "effects/Effect.h"

class ShaderProgram;

// The terrain's own program "terrain": 3D texture per mode, fog, beach band, special lighting.
class TerrainShader : public Effect {
public:
    TerrainShader();

    // Sets the uniforms for this draw (only while playing) and makes the program current;
    // waterLevel is the sea level in world units.
    void prepare(bool withFog, int mode, bool playing, float waterLevel);

    ShaderProgram* getProgram() const { return program; }
    int getWaterLevelLocation() const { return waterLevelLocation; }
    int getTex3DLocation() const { return tex3DLocation; }
    int getSpecialLightingLocation() const { return specialLightingLocation; }
    int getBeachLocation() const { return beachLocation; }
    int getWithFogLocation() const { return withFogLocation; }
    int getWithTexturesLocation() const { return withTexturesLocation; }

private:
    ShaderProgram* program;
    int waterLevelLocation;
    int tex3DLocation;
    int specialLightingLocation;
    int beachLocation;
    int withFogLocation;
    int withTexturesLocation;
};
