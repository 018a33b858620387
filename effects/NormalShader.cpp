#include <GL/glew.h>

#include "effects/NormalShader.h"

#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"

NormalShader::NormalShader() : normalMapLocation(-1), program(nullptr) { program = addProgram("blur"); }

void NormalShader::setup(int, int) {
    program->use();
    normalMapLocation = program->getUniformLocation("normalMap");
    program->setUniform1i(normalMapLocation, 0);
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
