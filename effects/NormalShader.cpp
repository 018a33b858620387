#include <GL/glew.h>

#include "effects/NormalShader.h"

#include <algorithm>

#include "framework/FBO.h"
#include "framework/ScreenPass.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"

NormalShader::NormalShader()
    : normalMapLocation(-1), stepLocation(-1), program(nullptr), across(nullptr), acrossFBO(nullptr), texelSampler(0),
      width(0), height(0) {
    program = addProgram("blur");
    texelSampler = makeTexelSampler();
}

NormalShader::~NormalShader() {
    releaseTarget();
    if (texelSampler) glDeleteSamplers(1, &texelSampler);
}

void NormalShader::setup(int w, int h) {
    releaseTarget();
    width = std::max(w, 1);
    height = std::max(h, 1);
    program->use();
    normalMapLocation = program->getUniformLocation("normalMap");
    program->setUniform1i(normalMapLocation, 0);
    stepLocation = program->getUniformLocation("step");
    program->unuse();
}

// Made at the first blur: the occlusion styles set the normal target's size up too, but
// never show it.
void NormalShader::makeTarget() {
    across = TextureLoader().createTexture(GL_TEXTURE_2D, GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, GL_NEAREST,
                                           true, false, false, nullptr);
    acrossFBO = new FBO(nullptr, width, height, false);
    acrossFBO->bind();
    acrossFBO->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, across->getID());
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    acrossFBO->unbind();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void NormalShader::releaseTarget() {
    delete acrossFBO;
    delete across;
    acrossFBO = nullptr;
    across = nullptr;
}

void NormalShader::drawBlurred(Texture* texture) {
    if (width == 0) return;  // not set up: the normal target's size is not known
    if (!acrossFBO) makeTarget();
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    disable2DTexturing(4);
    program->use();
    if (texelSampler) glBindSampler(0, texelSampler);
    glPushAttrib(GL_VIEWPORT_BIT | GL_SCISSOR_BIT);
    acrossFBO->bind();
    glUniform2f(stepLocation, 1.0f / width, 0.0f);
    bindTexture(texture, GL_TEXTURE_2D, 0);
    drawScreenQuad();
    acrossFBO->unbind();
    glPopAttrib();
    glUniform2f(stepLocation, 0.0f, 1.0f / height);
    bindTexture(across, GL_TEXTURE_2D, 0);
    drawScreenQuad();
    if (texelSampler) glBindSampler(0, 0);
    program->unuse();
}
