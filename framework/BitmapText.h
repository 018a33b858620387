#pragma once

// Text in GLUT bitmap fonts at a raster position two units in front of the viewer.
class BitmapText {
public:
    BitmapText();
    void drawText(float x, float y, void* font, const char* text);
    void printText(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));

    void* font;
};
