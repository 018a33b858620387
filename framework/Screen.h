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
