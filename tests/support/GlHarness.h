#pragma once
#include <GL/glew.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"

// Shared by every test program: one 800 x 600 GLUT window with GLEW, created before the tests.
namespace harness {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The GLUT window of the test process (created by the test main).
int window();

// A region of the current read buffer as RGBA rows, (0, 0) at the bottom left, bottom row first.
std::vector<unsigned char> readPixels(int x, int y, int width, int height);
// Level 0 of a texture as RGBA rows (bottom row first, then slice after slice) and its size;
// the texture stays bound to target.
std::vector<unsigned char> readTexture(GLenum target, GLuint name, int* width, int* height, int* depth = nullptr);

// Drains and returns pending GL errors, formatted; empty when there were none.
std::string glErrors();

}  // namespace harness
