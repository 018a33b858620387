#include "core/Letterbox.h"

#include <algorithm>

PictureRect fitPicture(int windowWidth, int windowHeight) {
    PictureRect r;
    if (windowWidth <= 0 || windowHeight <= 0) return r;
    // Integer arithmetic, so a window of exactly 4:3 gets no bar at all.
    if (static_cast<long>(windowWidth) * 3 >= static_cast<long>(windowHeight) * 4) {
        r.height = windowHeight;
        r.width = static_cast<int>(static_cast<long>(windowHeight) * 4 / 3);
    } else {
        r.width = windowWidth;
        r.height = static_cast<int>(static_cast<long>(windowWidth) * 3 / 4);
    }
    if (r.width < 1) r.width = 1;
    if (r.height < 1) r.height = 1;
    r.x = (windowWidth - r.width) / 2;
    r.y = (windowHeight - r.height) / 2;
    return r;
}

void joinParts(std::vector<PictureRect>& parts, long perCopy) {
    auto area = [](const PictureRect& r) { return static_cast<long>(r.width) * r.height; };
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < parts.size() && !joined; ++i)
            for (size_t j = i + 1; j < parts.size() && !joined; ++j) {
                const PictureRect &a = parts[i], &b = parts[j];
                PictureRect box;
                box.x = std::min(a.x, b.x);
                box.y = std::min(a.y, b.y);
                box.width = std::max(a.x + a.width, b.x + b.width) - box.x;
                box.height = std::max(a.y + a.height, b.y + b.height) - box.y;
                if (area(box) > area(a) + area(b) + perCopy) continue;
                parts[i] = box;
                parts.erase(parts.begin() + static_cast<long>(j));
                joined = true;
            }
    }
}
