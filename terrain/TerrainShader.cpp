#include "terrain/TerrainShader.h"

#include <GL/glew.h>

#include <string>

#include "effects/EffectContext.h"
#include "framework/ShaderProgram.h"
#include "terrain/TerrainMode.h"

namespace {

enum Switch { SpecialLighting = 1, BeachBand = 2, WithFog = 4, WithTextures = 8 };

struct Variant {
    ShaderProgram* program = nullptr;
    int tex3DLocation = -1;
    int waterLevelLocation = -1;
};

unsigned switchesFor(bool withFog, int mode, bool playing) {
    unsigned switches = 0;
    if (playing) {
        if (withFog) switches |= WithFog;
        if (mode != Untextured) switches |= WithTextures;
        if (mode == Winter || mode == Beach) switches |= SpecialLighting;
        if (mode == Beach) switches |= BeachBand;
    }
    return switches;
}

Variant& variantFor(unsigned switches) {
    static Variant variants[16];
    Variant& v = variants[switches];
    if (!v.program) {
        auto flag = [switches](const char* name, Switch s) {
            return std::string("#define ") + name + ((switches & s) ? " true\n" : " false\n");
        };
        v.program = new ShaderProgram(effectContext().logger);
        v.program->load("Shader/terrain.vert", "Shader/terrain.frag",
                        flag("SPECIAL_LIGHTING", SpecialLighting) + flag("BEACH", BeachBand) + flag("WITH_FOG", WithFog) +
                            flag("WITH_TEXTURES", WithTextures));
        // A switched-off part's uniform is compiled away: asked for only where it is used.
        if (switches & WithTextures) v.tex3DLocation = v.program->getUniformLocation("tex3D");
        if (switches & BeachBand) v.waterLevelLocation = v.program->getUniformLocation("waterLevel");
    }
    return v;
}

}  // namespace

void TerrainShader::build(bool withFog, int mode, bool playing) { variantFor(switchesFor(withFog, mode, playing)); }

void TerrainShader::prepare(bool withFog, int mode, bool playing, float waterLevel) {
    Variant& v = variantFor(switchesFor(withFog, mode, playing));
    current = v.program;
    if (playing) {
        current->use();
        glUniform1i(v.tex3DLocation, 3);
        glUniform1f(v.waterLevelLocation, waterLevel);
        current->unuse();
    }
    activate();
}

void TerrainShader::activate() {
    if (current) current->use();
}

void TerrainShader::deactivate() {
    if (current) current->unuse();
}
