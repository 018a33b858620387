#include "framework/Screen.h"

#include <GL/glew.h>

namespace screen {
namespace {
Viewport current;
}

void setPicture(const Viewport& p) { current = p; }
const Viewport& picture() { return current; }

void applyPicture() {
    if (current.width <= 0 || current.height <= 0) return;
    glViewport(current.x, current.y, current.width, current.height);
    glScissor(current.x, current.y, current.width, current.height);
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace screen

namespace screen {

void beginOverlay() {
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (current.width > 0 && current.height > 0) glViewport(current.x, current.y, current.width, current.height);
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_DEPTH_TEST);
    if (current.width > 0 && current.height > 0) glViewport(current.x, current.y, current.width, current.height);
    glPopMatrix();
    glEnable(GL_LIGHTING);
}

}  // namespace screen
