#pragma once

// Where on the window the game's picture goes. Render targets set their own size as the
// viewport while bound and give the picture's back when unbound; until a picture is set
// (tools and tests that draw without the game) unbinding leaves the viewport alone.
namespace screen {

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
};

void setPicture(const Viewport& picture);
const Viewport& picture();
// The picture as viewport, and the scissor box on it, so that a clear never paints the bars.
void applyPicture();

}  // namespace screen

// Flat drawing over the picture: lighting and depth test off, an orthographic projection
// from -1 to 1 on both axes, the picture as viewport. The two always come in pairs, and every
// caller leaves the model-view stack as it found it.
namespace screen {
void beginOverlay();
void endOverlay();
}  // namespace screen
