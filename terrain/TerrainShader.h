#pragma once
#include "effects/Effect.h"

class ShaderProgram;

// The terrain's own program "terrain": 3D texture per mode, fog, beach band, special lighting.
// Each combination of those switches is a program of its own, built from the same file with the
// switches fixed; the programs stay for the run and serve every terrain the game builds.
class TerrainShader : public Effect {
public:
    // Picks the program for this draw's mode and fog and makes it current; sets its uniforms
    // (only while playing: outside play every switch is off) with waterLevel in world units.
    void prepare(bool withFog, int mode, bool playing, float waterLevel);
    void activate() override;
    void deactivate() override;
    // Builds the program prepare would pick, without drawing: done at start-up for every
    // combination the game uses, so that no flight waits for a compile.
    static void build(bool withFog, int mode, bool playing);

    // The program of the last prepare (null before the first).
    ShaderProgram* getProgram() const { return current; }

private:
    ShaderProgram* current = nullptr;
};
