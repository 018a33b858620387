#include "core/FpsOverlay.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

namespace {

void* const kFont = GLUT_BITMAP_HELVETICA_18;
constexpr int kMargin = 8;   // from the window's edges, pixels
constexpr int kPadding = 6;  // around the text inside its box
constexpr int kTextHeight = 18;
constexpr int kDescent = 5;  // below the baseline

}  // namespace

void FpsOverlay::frameEnded(uint32_t nowMs, int windowWidth, int windowHeight, int left, int bottom) {
    meter.frameEnded(nowMs);
    if (shown) draw(windowWidth, windowHeight, left, bottom);
}

void FpsOverlay::draw(int windowWidth, int windowHeight, int pictureLeft, int pictureBottom) const {
    const std::string line = meter.text();

    // What the attribute stack does not keep: the program, the active unit, the matrices.
    GLint program = 0, activeUnit = GL_TEXTURE0, units = 1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glUseProgram(0);
    // Fixed function from here on: no unit may texture the box or the letters.
    for (int unit = units - 1; unit >= 0; --unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_1D);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_3D);
        glDisable(GL_TEXTURE_CUBE_MAP);
    }
    for (GLenum off : {GL_LIGHTING, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_FOG, GL_CULL_FACE, GL_STENCIL_TEST,
                       GL_SCISSOR_TEST, GL_COLOR_LOGIC_OP, GL_POLYGON_STIPPLE})
        glDisable(off);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(pictureLeft, pictureBottom, windowWidth, windowHeight);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, windowWidth, 0, windowHeight, -1, 1);  // window pixels, (0, 0) at the bottom left
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // White letters on a dark box: legible over the white styles and the dark ones alike.
    const int textWidth = glutBitmapLength(kFont, reinterpret_cast<const unsigned char*>(line.c_str()));
    const int right = windowWidth - kMargin, top = windowHeight - kMargin;
    const int left = right - textWidth - 2 * kPadding, bottom = top - kTextHeight - 2 * kPadding;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0, 0, 0, 0.6f);
    glRecti(left, bottom, right, top);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glRasterPos2i(left + kPadding, bottom + kPadding + kDescent);
    for (char c : line) glutBitmapCharacter(kFont, c);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glActiveTexture(static_cast<GLenum>(activeUnit));
    glUseProgram(static_cast<GLuint>(program));
}
