#include <GL/glew.h>

#include "framework/ScreenPass.h"

void drawScreenQuad() {
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
}

void disable2DTexturing(int lastUnit) {
    for (int unit = 0; unit <= lastUnit; ++unit) {
        glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
}

void keepColourFourWide() {
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glColor4fv(colour);
}

GLuint makeTexelSampler() {
    if (!GLEW_VERSION_3_3 && !GLEW_ARB_sampler_objects) return 0;
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return sampler;
}
