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
