#include "Canvas.h"

#include <gd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace content {

const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

Color rgb(int hex, double alpha) {
    return {((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0, (hex & 0xff) / 255.0, alpha};
}

Color lerp(const Color& a, const Color& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Paint vgrad(double y0, Color a, double y1, Color b) {
    return [=](double, double y) {
        double t = (y - y0) / (y1 - y0);
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        return lerp(a, b, t);
    };
}

Canvas::Canvas(int width, int height, Color fill) : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

Color Canvas::get(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
void Canvas::set(int x, int y, const Color& c) { px[static_cast<size_t>(y) * w + x] = c; }

void Canvas::blend(int x, int y, const Color& c, double cover) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    const double a = std::clamp(c.a * cover, 0.0, 1.0);
    if (a <= 0) return;
    Color& d = px[static_cast<size_t>(y) * w + x];
    const double outA = a + d.a * (1 - a);
    if (outA <= 0) return;
    d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
    d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
    d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
    d.a = outA;
}

void Canvas::map(const std::function<Color(int, int, const Color&)>& fn) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Color& c = px[static_cast<size_t>(y) * w + x];
            c = fn(x, y, c);
        }
}

void Canvas::shape(double x0, double y0, double x1, double y1, const std::function<bool(double, double)>& inside,
                   const Paint& paint) {
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0))), iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(w - 1, static_cast<int>(std::ceil(x1))), iy1 = std::min(h - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
            if (hits) blend(x, y, paint(x + 0.5, y + 0.5), hits / 16.0);
        }
}

void Canvas::polygon(const std::vector<Pt>& pts, const Paint& paint) {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& p : pts) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    shape(x0, y0, x1, y1,
          [&pts](double x, double y) {
              bool in = false;
              for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                  if ((pts[i].y > y) != (pts[j].y > y) &&
                      x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
                      in = !in;
              }
              return in;
          },
          paint);
}

void Canvas::ellipse(double cx, double cy, double rx, double ry, const Paint& paint) {
    shape(cx - rx, cy - ry, cx + rx, cy + ry,
          [=](double x, double y) {
              const double dx = (x - cx) / rx, dy = (y - cy) / ry;
              return dx * dx + dy * dy <= 1.0;
          },
          paint);
}

void Canvas::roundRect(double x0, double y0, double x1, double y1, double r, const Paint& paint) {
    shape(x0, y0, x1, y1,
          [=](double x, double y) {
              if (x < x0 || x > x1 || y < y0 || y > y1) return false;
              const double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
              return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
          },
          paint);
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, const Paint& paint) {
    const double hw = width / 2;
    shape(std::min(x0, x1) - hw, std::min(y0, y1) - hw, std::max(x0, x1) + hw, std::max(y0, y1) + hw,
          [=](double x, double y) {
              const double dx = x1 - x0, dy = y1 - y0;
              const double len2 = dx * dx + dy * dy;
              double t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
              t = std::clamp(t, 0.0, 1.0);
              const double px = x0 + t * dx - x, py = y0 + t * dy - y;
              return px * px + py * py <= hw * hw;
          },
          paint);
}

double Canvas::measure(const std::string& utf8, double points, const char* font) {
    int brect[8];
    char* err = gdImageStringFT(nullptr, brect, 0xffffff, const_cast<char*>(font ? font : kFont), points, 0.0, 0, 0,
                                const_cast<char*>(utf8.c_str()));
    if (err) {
        std::fprintf(stderr, "content: font error: %s\n", err);
        return 0;
    }
    return brect[2] - brect[0];
}

double Canvas::text(const std::string& utf8, double points, double x, double y, Align align, const TextStyle& style,
                    const char* font) {
    const double width = measure(utf8, points, font);
    const double startX = align == Align::Left ? x : (align == Align::Centre ? x - width / 2 : x - width);
    // Coverage of the glyphs, from libgd's anti-aliased rendering of white on black.
    gdImagePtr mask = gdImageCreateTrueColor(w, h);
    int brect[8];
    gdImageStringFT(mask, brect, 0xffffff, const_cast<char*>(font ? font : kFont), points, 0.0,
                    static_cast<int>(std::lround(startX)), static_cast<int>(std::lround(y)),
                    const_cast<char*>(utf8.c_str()));
    const int pad = static_cast<int>(std::ceil(style.outlineWidth + style.shadowOffset)) + 2;
    const int bx0 = std::max(0, std::min(brect[0], brect[6]) - pad), bx1 = std::min(w - 1, std::max(brect[2], brect[4]) + pad);
    const int by0 = std::max(0, std::min(brect[5], brect[7]) - pad), by1 = std::min(h - 1, std::max(brect[1], brect[3]) + pad);
    const int bw = bx1 - bx0 + 1, bh = by1 - by0 + 1;
    if (bw <= 0 || bh <= 0) {
        gdImageDestroy(mask);
        return width;
    }
    std::vector<double> cover(static_cast<size_t>(bw) * bh);
    for (int yy = 0; yy < bh; ++yy)
        for (int xx = 0; xx < bw; ++xx)
            cover[static_cast<size_t>(yy) * bw + xx] = gdTrueColorGetRed(gdImageGetTrueColorPixel(mask, bx0 + xx, by0 + yy)) / 255.0;
    gdImageDestroy(mask);
    auto coverAt = [&](int xx, int yy) {
        if (xx < 0 || yy < 0 || xx >= bw || yy >= bh) return 0.0;
        return cover[static_cast<size_t>(yy) * bw + xx];
    };
    // The outline: the coverage grown by the outline width (soft edge of one pixel).
    std::vector<double> grown(cover.size(), 0.0);
    const double r = style.outlineWidth;
    if (r > 0) {
        const int ir = static_cast<int>(std::ceil(r));
        for (int yy = 0; yy < bh; ++yy)
            for (int xx = 0; xx < bw; ++xx) {
                double best = 0;
                for (int dy = -ir; dy <= ir && best < 1; ++dy)
                    for (int dx = -ir; dx <= ir; ++dx) {
                        const double d = std::sqrt(double(dx * dx + dy * dy));
                        if (d > r + 0.5) continue;
                        const double falloff = std::clamp(r + 0.5 - d, 0.0, 1.0);
                        best = std::max(best, coverAt(xx + dx, yy + dy) * falloff);
                    }
                grown[static_cast<size_t>(yy) * bw + xx] = best;
            }
    } else {
        grown = cover;
    }
    const int so = static_cast<int>(std::lround(style.shadowOffset));
    auto grownAt = [&](int xx, int yy) {
        if (xx < 0 || yy < 0 || xx >= bw || yy >= bh) return 0.0;
        return grown[static_cast<size_t>(yy) * bw + xx];
    };
    if (so > 0)
        for (int yy = 0; yy < bh; ++yy)
            for (int xx = 0; xx < bw; ++xx) blend(bx0 + xx, by0 + yy, style.shadow, grownAt(xx - so, yy - so));
    if (r > 0)
        for (int yy = 0; yy < bh; ++yy)
            for (int xx = 0; xx < bw; ++xx) blend(bx0 + xx, by0 + yy, style.outline, grown[static_cast<size_t>(yy) * bw + xx]);
    const double top = std::min(brect[5], brect[7]), bottom = std::max(brect[1], brect[3]);
    for (int yy = 0; yy < bh; ++yy) {
        const double t = std::clamp((by0 + yy - top) / std::max(1.0, bottom - top), 0.0, 1.0);
        const Color fill = lerp(style.top, style.bottom, t);
        for (int xx = 0; xx < bw; ++xx) blend(bx0 + xx, by0 + yy, fill, cover[static_cast<size_t>(yy) * bw + xx]);
    }
    return width;
}

namespace {
gdImagePtr toGd(const std::vector<Color>& px, int w, int h, bool alpha) {
    gdImagePtr img = gdImageCreateTrueColor(w, h);
    gdImageAlphaBlending(img, 0);
    gdImageSaveAlpha(img, alpha ? 1 : 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color& c = px[static_cast<size_t>(y) * w + x];
            auto q = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
            // Invisible texels are exactly transparent; visible ones keep their colour.
            const int a = alpha ? 127 - static_cast<int>(std::lround(std::clamp(c.a, 0.0, 1.0) * 127)) : 0;
            gdImageSetPixel(img, x, y, gdTrueColorAlpha(q(c.r), q(c.g), q(c.b), a));
        }
    return img;
}
}  // namespace

bool Canvas::saveJpeg(const std::string& path, int quality) const {
    gdImagePtr img = toGd(px, w, h, false);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        gdImageDestroy(img);
        return false;
    }
    gdImageJpeg(img, f, quality);
    const bool ok = std::fclose(f) == 0;
    gdImageDestroy(img);
    return ok;
}

bool Canvas::savePng(const std::string& path) const {
    gdImagePtr img = toGd(px, w, h, true);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        gdImageDestroy(img);
        return false;
    }
    gdImagePngEx(img, f, 9);
    const bool ok = std::fclose(f) == 0;
    gdImageDestroy(img);
    return ok;
}

}  // namespace content
