#pragma once
#include <string>

// The picture just drawn (the back buffer, before its swap): the rectangle x, y, width, height
// of the window (y from the bottom, as GL counts) written as a PNG file. False when it could
// not be written.
bool saveFrame(const std::string& path, int x, int y, int width, int height);
