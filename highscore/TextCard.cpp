#include "highscore/TextCard.h"

#include <gd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "highscore/HighscorePicture.h"

namespace {

// libgd's alpha runs from 0 (opaque) to 127 (transparent).
int gdColour(gdImagePtr image, uint32_t rgba) {
    const int a = 127 - static_cast<int>((rgba & 0xff) * 127 / 255);
    return gdImageColorAllocateAlpha(image, (rgba >> 24) & 0xff, (rgba >> 16) & 0xff, (rgba >> 8) & 0xff, a);
}

void roundedPanel(gdImagePtr image, int x0, int y0, int x1, int y1, int radius, int fill, int border, int line) {
    // The fill as a cross of two rectangles and four quarter discs, so that no pixel is
    // blended twice and the translucency stays even.
    gdImageFilledRectangle(image, x0 + radius, y0, x1 - radius, y1, fill);
    gdImageFilledRectangle(image, x0, y0 + radius, x0 + radius - 1, y1 - radius, fill);
    gdImageFilledRectangle(image, x1 - radius + 1, y0 + radius, x1, y1 - radius, fill);
    const int cx[4] = {x0 + radius, x1 - radius, x0 + radius, x1 - radius};
    const int cy[4] = {y0 + radius, y0 + radius, y1 - radius, y1 - radius};
    for (int c = 0; c < 4; ++c)
        for (int dy = 1; dy <= radius; ++dy)
            for (int dx = 1; dx <= radius; ++dx)
                if (dx * dx + dy * dy <= radius * radius) {
                    const int px = cx[c] + (c % 2 ? dx : -dx), py = cy[c] + (c < 2 ? -dy : dy);
                    gdImageSetPixel(image, px, py, fill);
                }
    if (line <= 0) return;
    gdImageSetThickness(image, line);
    gdImageLine(image, x0 + radius, y0, x1 - radius, y0, border);
    gdImageLine(image, x0 + radius, y1, x1 - radius, y1, border);
    gdImageLine(image, x0, y0 + radius, x0, y1 - radius, border);
    gdImageLine(image, x1, y0 + radius, x1, y1 - radius, border);
    gdImageArc(image, x0 + radius, y0 + radius, 2 * radius, 2 * radius, 180, 270, border);
    gdImageArc(image, x1 - radius, y0 + radius, 2 * radius, 2 * radius, 270, 360, border);
    gdImageArc(image, x0 + radius, y1 - radius, 2 * radius, 2 * radius, 90, 180, border);
    gdImageArc(image, x1 - radius, y1 - radius, 2 * radius, 2 * radius, 0, 90, border);
    gdImageSetThickness(image, 1);
}

}  // namespace

TextCard::TextCard(int designWidth, int designHeight) : designW(designWidth), designH(designHeight) {
    description = std::to_string(designW) + "x" + std::to_string(designH) + ";";
}

void TextCard::panel(double x0, double y0, double x1, double y1, uint32_t fill, uint32_t border) {
    items.push_back({false, std::string(), x0, y0, x1, y1, 0, fill, border, Left});
    char line[128];
    std::snprintf(line, sizeof line, "P%g,%g,%g,%g,%08x,%08x;", x0, y0, x1, y1, fill, border);
    description += line;
}

void TextCard::text(const std::string& line, double x, double y, double points, uint32_t colour, Align align,
                    double maxWidth) {
    // Never past the card's own edges: a line too long for its place is set smaller instead.
    const double margin = 4;
    const double room = align == Left ? designW - x : align == Right ? x : 2 * std::min(x, designW - x);
    if (maxWidth <= 0 || maxWidth > room - 2 * margin) maxWidth = std::max(1.0, room - 2 * margin);
    items.push_back({true, line, x, y, maxWidth, 0, points, colour, 0, align});
    char head[112];
    std::snprintf(head, sizeof head, "T%g,%g,%g,%g,%08x,%d:", x, y, points, maxWidth, colour, static_cast<int>(align));
    description += head + std::to_string(line.size()) + ":" + line + ";";
}

std::vector<unsigned char> TextCard::render(int widthPx, int heightPx) const {
    std::vector<unsigned char> pixels;
    if (widthPx <= 0 || heightPx <= 0 || designW <= 0 || designH <= 0) return pixels;
    gdImagePtr image = gdImageCreateTrueColor(widthPx, heightPx);
    if (!image) return pixels;
    gdImageSaveAlpha(image, 1);
    gdImageAlphaBlending(image, 0);
    gdImageFilledRectangle(image, 0, 0, widthPx - 1, heightPx - 1, gdTrueColorAlpha(0, 0, 0, 127));
    gdImageAlphaBlending(image, 1);

    const double sx = static_cast<double>(widthPx) / designW, sy = static_cast<double>(heightPx) / designH;
    for (const Item& item : items) {
        if (!item.isText) {
            const int x0 = static_cast<int>(std::lround(item.x0 * sx)), y0 = static_cast<int>(std::lround(item.y0 * sy));
            const int x1 = static_cast<int>(std::lround(item.x1 * sx)), y1 = static_cast<int>(std::lround(item.y1 * sy));
            const int radius = std::max(2, static_cast<int>(std::lround(14 * sy)));
            roundedPanel(image, x0, y0, x1, y1, std::min(radius, std::min(x1 - x0, y1 - y0) / 2),
                         gdColour(image, item.colour), gdColour(image, item.border),
                         (item.border & 0xff) ? std::max(1, static_cast<int>(std::lround(3 * sy))) : 0);
            continue;
        }
        double points = item.points * sy;
        int box[8] = {0};
        char* font = const_cast<char*>(HighscorePicture::font());
        char* line = const_cast<char*>(item.line.c_str());
        if (item.line.empty() || gdImageStringFT(nullptr, box, 0, font, points, 0.0, 0, 0, line)) continue;
        int width = box[2] - box[0];
        // Too wide for its place: smaller, in steps, until it fits.
        while (item.x1 > 0 && width > item.x1 * sx && points > 4 &&
               !gdImageStringFT(nullptr, box, 0, font, points * 0.92, 0.0, 0, 0, line)) {
            points *= 0.92;
            width = box[2] - box[0];
        }
        int x = static_cast<int>(std::lround(item.x0 * sx));
        if (item.align == Centre) x -= width / 2;
        if (item.align == Right) x -= width;
        HighscorePicture::drawOutlinedText(image, gdColour(image, item.colour), font, points, x,
                                           static_cast<int>(std::lround(item.y0 * sy)), item.line.c_str(), false);
    }

    pixels = HighscorePicture::rgba(image);
    gdImageDestroy(image);
    return pixels;
}
