#pragma once
#include <GL/glew.h>

#include <array>
#include <string>
#include <vector>

// Shared by every test program: one 800 x 600 GLUT window with GLEW, created before the tests.
namespace harness {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The GLUT window of the test process (created by the test main).
int window();

// RGBA of one pixel of the current read buffer, (0, 0) at the bottom left.
std::array<unsigned char, 4> readPixel(int x, int y);
// The whole framebuffer (or a region) as RGBA rows, bottom row first.
std::vector<unsigned char> readPixels(int x, int y, int width, int height);
// Level 0 of a texture as RGBA rows (bottom row first, then slice after slice) and its size;
// the texture stays bound to target.
std::vector<unsigned char> readTexture(GLenum target, GLuint name, int* width, int* height, int* depth = nullptr);
// Writes the current read buffer (window-sized) to a PNG file, for looking at.
bool savePng(const std::string& path, int width = kWidth, int height = kHeight);

// Drains and returns pending GL errors, formatted; empty when there were none.
std::string glErrors();

// Standard output and error of the test process, captured at the file-descriptor level so
// printf, std::cout and fprintf(stderr) are all seen.
void captureStdout();
std::string capturedStdout();
void captureStderr();
std::string capturedStderr();

// A fresh empty folder under /tmp, removed by the caller if wanted.
std::string makeTempDir(const std::string& prefix = "lumivex-test");
std::string readFileText(const std::string& path);
void writeFileText(const std::string& path, const std::string& text);

// Removes a folder and everything under it (best effort, for temp dirs).
void removeTree(const std::string& path);

// Changes the working directory for its lifetime and restores the old one on destruction,
// so a failing assertion cannot leave the rest of the program in a temp folder.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;
    bool ok() const { return changed; }

private:
    std::string previous;
    bool changed;
};

// Runs a shell command, returns its exit status (as from waitpid) and its standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

}  // namespace harness
