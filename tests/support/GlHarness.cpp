#include "support/GlHarness.h"

#include <GL/freeglut.h>
#include <gd.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace harness {

namespace {
int windowId = 0;
}

int window() { return windowId; }

void setWindow(int id) { windowId = id; }

std::array<unsigned char, 4> readPixel(int x, int y) {
    std::array<unsigned char, 4> rgba{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

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

bool savePng(const std::string& path, int width, int height) {
    std::vector<unsigned char> data = readPixels(0, 0, width, height);
    gdImagePtr image = gdImageCreateTrueColor(width, height);
    if (!image) return false;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &data[(static_cast<size_t>(y) * width + x) * 4];
            gdImageSetPixel(image, x, height - 1 - y, gdTrueColor(p[0], p[1], p[2]));
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        gdImageDestroy(image);
        return false;
    }
    gdImagePng(image, f);
    std::fclose(f);
    gdImageDestroy(image);
    return true;
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
