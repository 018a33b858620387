// The game's icon for the desktop menu: PNG at 64, 128 and 256 pixels and a scalable SVG, drawn
// from the same shapes (a rounded night sky, the sea, a gold star and the fighter's arrowhead).
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Content.h"

namespace content {

namespace {

// Shapes in a 256-unit square.
const double kCorner = 44;
const int kSkyTop = 0x1b2a6b, kSkyBottom = 0x5a1f6e, kSea = 0x1f9bb5, kSeaDeep = 0x0b3f66, kGold = 0xffc83d;
const std::vector<Pt> kShip = {{128, 52}, {190, 188}, {128, 160}, {66, 188}};
const std::vector<Pt> kCockpit = {{128, 92}, {146, 140}, {128, 132}, {110, 140}};

std::vector<Pt> star(double cx, double cy, double outer, double inner) {
    std::vector<Pt> pts;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? inner : outer;
        pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}
const std::vector<Pt> kStar = star(202, 58, 30, 12);

std::vector<Pt> scaled(const std::vector<Pt>& pts, double s) {
    std::vector<Pt> out;
    for (const Pt& p : pts) out.push_back({p.x * s, p.y * s});
    return out;
}

bool writePng(const std::string& path, int size) {
    const double s = size / 256.0;
    Canvas c(size, size);
    c.roundRect(0, 0, size, size, kCorner * s, vgrad(0, rgb(kSkyTop), size, rgb(kSkyBottom)));
    // The sea: the lower band of the rounded square, clipped to it.
    c.shape(0, 196 * s, size, size,
            [&](double x, double y) {
                const double r = kCorner * s, dx = std::fmax(0.0, std::fabs(x - size / 2.0) - (size / 2.0 - r)),
                             dy = std::fmax(0.0, y - (size - r));
                return dx * dx + dy * dy <= r * r;
            },
            vgrad(196 * s, rgb(kSea), size, rgb(kSeaDeep)));
    c.polygon(scaled(kStar, s), solid(rgb(kGold)));
    c.polygon(scaled(kShip, s), vgrad(52 * s, rgb(0xf4f8ff), 188 * s, rgb(0x7286b8)));
    c.polygon(scaled(kCockpit, s), solid(rgb(0x2b4796)));
    return c.savePng(path);
}

std::string hex(int colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", colour);
    return text;
}

std::string points(const std::vector<Pt>& pts) {
    std::ostringstream out;
    for (std::size_t i = 0; i < pts.size(); ++i) out << (i ? " " : "") << pts[i].x << ',' << pts[i].y;
    return out.str();
}

bool writeSvg(const std::string& path) {
    std::ofstream out(path, std::ios::trunc);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        << "  <defs>\n"
        << "    <linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\""
        << hex(kSkyTop) << "\"/><stop offset=\"1\" stop-color=\"" << hex(kSkyBottom) << "\"/></linearGradient>\n"
        << "    <linearGradient id=\"sea\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\""
        << hex(kSea) << "\"/><stop offset=\"1\" stop-color=\"" << hex(kSeaDeep) << "\"/></linearGradient>\n"
        << "    <linearGradient id=\"hull\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"><stop offset=\"0\" stop-color=\"#f4f8ff\"/>"
        << "<stop offset=\"1\" stop-color=\"#7286b8\"/></linearGradient>\n"
        << "    <clipPath id=\"tile\"><rect width=\"256\" height=\"256\" rx=\"" << kCorner << "\"/></clipPath>\n"
        << "  </defs>\n"
        << "  <g clip-path=\"url(#tile)\">\n"
        << "    <rect width=\"256\" height=\"256\" fill=\"url(#sky)\"/>\n"
        << "    <rect y=\"196\" width=\"256\" height=\"60\" fill=\"url(#sea)\"/>\n"
        << "  </g>\n"
        << "  <polygon points=\"" << points(kStar) << "\" fill=\"" << hex(kGold) << "\"/>\n"
        << "  <polygon points=\"" << points(kShip) << "\" fill=\"url(#hull)\"/>\n"
        << "  <polygon points=\"" << points(kCockpit) << "\" fill=\"#2b4796\"/>\n"
        << "</svg>\n";
    return static_cast<bool>(out);
}

}  // namespace

bool writeIcons(const std::string& gameDir) {
    const std::string dir = gameDir + "/icons";
    bool ok = true;
    for (int size : {64, 128, 256}) ok &= writePng(dir + "/lumivex-" + std::to_string(size) + ".png", size);
    ok &= writeSvg(dir + "/lumivex.svg");
    return ok;
}

}  // namespace content
