#include "terrain/TerrainShader.h"

#include <GL/glew.h>

#include "framework/ShaderProgram.h"
#include "terrain/TerrainMode.h"

TerrainShader::TerrainShader()
    : program(nullptr),
      waterLevelLocation(-1),
      tex3DLocation(-1),
      specialLightingLocation(-1),
      beachLocation(-1),
      withFogLocation(-1),
      withTexturesLocation(-1) {
    program = addProgram("terrain");
    tex3DLocation = program->getUniformLocation("tex3D");
    specialLightingLocation = program->getUniformLocation("specialLighting");
    beachLocation = program->getUniformLocation("beach");
    waterLevelLocation = program->getUniformLocation("waterLevel");
    withFogLocation = program->getUniformLocation("withFog");
    withTexturesLocation = program->getUniformLocation("withTextures");
}

void TerrainShader::prepare(bool withFog, int mode, bool playing, float waterLevel) {
    if (playing) {
        program->use();
        glUniform1i(tex3DLocation, 3);
        glUniform1i(withFogLocation, withFog ? 1 : 0);
        glUniform1i(withTexturesLocation, mode != Untextured ? 1 : 0);
        glUniform1i(specialLightingLocation, (mode == Winter || mode == Beach) ? 1 : 0);
        glUniform1i(beachLocation, mode == Beach ? 1 : 0);
        glUniform1f(waterLevelLocation, waterLevel);
        program->unuse();
    }
    activate();
}
