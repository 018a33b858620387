#include <GL/glew.h>

#include "effects/NormalShader.h"

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
    for (int unit = 0; unit <= 4; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
    program->use();
    bindTexture(texture, GL_TEXTURE_2D, 0);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glEnd();
    program->unuse();
}
