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
