#include "core/Letterbox.h"

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
