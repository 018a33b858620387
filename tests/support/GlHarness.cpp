#include "support/GlHarness.h"

#include <algorithm>
#include <cstdio>

namespace harness {

namespace {
int windowId = 0;
}

int window() { return windowId; }

void setWindow(int id) { windowId = id; }

std::vector<unsigned char> readPixels(int x, int y, int width, int height) {
    std::vector<unsigned char> data(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    return data;
}

std::vector<unsigned char> readTexture(GLenum target, GLuint name, int* width, int* height, int* depth) {
    GLint w = 0, h = 0, d = 0;
    glBindTexture(target, name);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_DEPTH, &d);
    std::vector<unsigned char> data(static_cast<size_t>(w) * h * std::max(d, 1) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!data.empty()) glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    *width = w;
    *height = h;
    if (depth) *depth = d;
    return data;
}

std::string glErrors() {
    std::string out;
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%04x ", e);
        out += buf;
    }
    return out;
}

}  // namespace harness
