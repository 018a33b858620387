#include <GL/glew.h>

#include "effects/NormalShader.h"

#include <algorithm>

#include "framework/FBO.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"

NormalShader::NormalShader()
    : normalMapLocation(-1), stepLocation(-1), program(nullptr), acrossFBO(nullptr), texelSampler(0), width(0),
      height(0) {
    program = addProgram("blur");
    texelSampler = makeTexelSampler();
}

NormalShader::~NormalShader() {
    delete acrossFBO;
    if (texelSampler) glDeleteSamplers(1, &texelSampler);
}

void NormalShader::setup(int w, int h) {
    width = std::max(w, 1);
    height = std::max(h, 1);
    delete acrossFBO;
    acrossFBO = new FBO(nullptr, width, height, false);
    program->use();
    normalMapLocation = program->getUniformLocation("normalMap");
    program->setUniform1i(normalMapLocation, 0);
    stepLocation = program->getUniformLocation("step");
    program->unuse();
}

void NormalShader::drawBlurred(Texture* normals, Texture* scratch) {
    if (!acrossFBO || !scratch) return;  // not set up: nowhere to blur across into
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    disable2DTexturing(4);
    program->use();
    if (texelSampler) glBindSampler(0, texelSampler);
    glPushAttrib(GL_VIEWPORT_BIT | GL_SCISSOR_BIT);
    acrossFBO->bind();
    acrossFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, scratch->getID());
    glUniform2f(stepLocation, 1.0f / width, 0.0f);
    bindTexture(normals, GL_TEXTURE_2D, 0);
    drawScreenQuad();
    acrossFBO->unbind();
    glPopAttrib();
    glUniform2f(stepLocation, 0.0f, 1.0f / height);
    bindTexture(scratch, GL_TEXTURE_2D, 0);
    drawScreenQuad();
    if (texelSampler) glBindSampler(0, 0);
    program->unuse();
}
