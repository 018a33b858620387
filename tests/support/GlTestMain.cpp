#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "support/GlHarness.h"

namespace harness {
void setWindow(int id);
}

// One window and GL context for the whole test program; death tests re-run the program in
// a child, which makes its own.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::GTEST_FLAG(death_test_style) = "threadsafe";
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB | GLUT_ALPHA);
    glutInitWindowSize(harness::kWidth, harness::kHeight);
    harness::setWindow(glutCreateWindow("Lumivex tests"));
    const GLenum err = glewInit();
    if (err != GLEW_OK) {
        std::fprintf(stderr, "glewInit failed: %s\n", glewGetErrorString(err));
        return 2;
    }
    glGetError();  // GLEW may leave an enum error behind
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    return RUN_ALL_TESTS();
}
