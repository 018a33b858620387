#include <GL/glew.h>

#include "effects/NormalShader.h"

#include <algorithm>

#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"

NormalShader::NormalShader() : normalMapLocation(-1), program(nullptr) { program = addProgram("blur"); }

void NormalShader::setup(int width, int height) {
    program->use();
    normalMapLocation = program->getUniformLocation("normalMap");
    program->setUniform1i(normalMapLocation, 0);
    // The blur's taps are spaced in the normal target's own texels, whatever its size.
    glUniform2f(program->getUniformLocation("texelSize"), 1.0f / std::max(width, 1), 1.0f / std::max(height, 1));
    program->unuse();
}

void NormalShader::drawBlurred(Texture* texture) {
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    disable2DTexturing(4);
    program->use();
    bindTexture(texture, GL_TEXTURE_2D, 0);
    drawScreenQuad();
    program->unuse();
}
