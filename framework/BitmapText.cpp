#include "framework/BitmapText.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>

BitmapText::BitmapText() : font(GLUT_BITMAP_HELVETICA_10) {}

void BitmapText::drawText(float x, float y, void* textFont, const char* text) {
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    glRasterPos2f(x, y);
    glDisable(GL_TEXTURE_2D);
    for (const char* c = text; *c; ++c) glutBitmapCharacter(textFont, *c);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

void BitmapText::printText(float x, float y, const char* format, ...) {
    if (!format) return;
    char buffer[256];  // a longer text is cut to 255 characters
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    drawText(x, y, font, buffer);
}
