#include "core/FrameShot.h"

#include <GL/glew.h>
#include <gd.h>

#include <vector>

#include "platform/WriteFile.h"

bool saveFrame(const std::string& path, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    gdImagePtr image = gdImageCreateTrueColor(width, height);
    if (!image) return false;
    // GL rows run bottom-up; pictures top-down.
    for (int row = 0; row < height; ++row) {
        const unsigned char* p = &rgb[static_cast<size_t>(height - 1 - row) * width * 3];
        for (int col = 0; col < width; ++col, p += 3) gdImageSetPixel(image, col, row, gdTrueColor(p[0], p[1], p[2]));
    }
    int size = 0;
    void* png = gdImagePngPtr(image, &size);
    gdImageDestroy(image);
    if (!png) return false;
    const bool written = files::replaceFile(path, png, size > 0 ? static_cast<size_t>(size) : 0);
    gdFree(png);
    return written;
}
