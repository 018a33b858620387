#include "support/GlHarness.h"

#include <GL/freeglut.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

void captureStdout() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}
std::string capturedStdout() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
void captureStderr() {
    std::fflush(stderr);
    testing::internal::CaptureStderr();
}
std::string capturedStderr() {
    std::fflush(stderr);
    return testing::internal::GetCapturedStderr();
}

std::string makeTempDir(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* dir = mkdtemp(buf.data());
    return dir ? std::string(dir) : std::string();
}

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

void removeTree(const std::string& path) {
    if (path.empty() || path == "/") return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

ScopedCwd::ScopedCwd(const std::string& dir) : changed(false) {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) previous = buf;
    changed = !previous.empty() && chdir(dir.c_str()) == 0;
}

ScopedCwd::~ScopedCwd() {
    if (changed && chdir(previous.c_str()) != 0) std::perror("restoring the working directory");
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return status;
}

}  // namespace harness
