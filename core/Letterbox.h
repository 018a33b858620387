#pragma once
#include <vector>

// The game's picture is 4:3 in any window: the largest 4:3 rectangle that fits, centred, with
// black bars on the two sides that are left over. No GL: the rules library holds it.
struct PictureRect {
    int x = 0;  // from the window's left edge
    int y = 0;  // from the window's bottom edge, as GL counts
    int width = 0;
    int height = 0;
    bool operator==(const PictureRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

PictureRect fitPicture(int windowWidth, int windowHeight);

// Parts of the picture to copy, joined two at a time into the box around both wherever that box
// costs less than copying the two apart: `perCopy` is what a copy costs besides its pixels,
// counted in pixels. Every pixel of the parts stays in one of them.
void joinParts(std::vector<PictureRect>& parts, long perCopy);
