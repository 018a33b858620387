#pragma once
// A floating-point RGBA drawing surface for the content tool: shapes with smooth (supersampled)
// edges, TrueType text with gradient fill, outline and shadow, saved as JPEG or PNG by libgd.

#include <functional>
#include <string>
#include <vector>

namespace content {

struct Color {
    double r = 0, g = 0, b = 0, a = 1;
};
Color rgb(int hex, double alpha = 1.0);
Color lerp(const Color& a, const Color& b, double t);

using Paint = std::function<Color(double x, double y)>;
inline Paint solid(Color c) {
    return [c](double, double) { return c; };
}
// Vertical gradient between y0 (colour a) and y1 (colour b).
Paint vgrad(double y0, Color a, double y1, Color b);

struct Pt {
    double x, y;
};

enum class Align { Left, Centre, Right };

struct TextStyle {
    Color top{1, 1, 1, 1};
    Color bottom{1, 1, 1, 1};
    Color outline{0, 0, 0, 1};
    double outlineWidth = 0;  // pixels
    Color shadow{0, 0, 0, 0.5};
    double shadowOffset = 0;  // pixels down and right; 0 for none
};

extern const char* kFont;

class Canvas {
public:
    Canvas(int width, int height, Color fill = {0, 0, 0, 0});
    int width() const { return w; }
    int height() const { return h; }

    // Blends colour c over the pixel with extra coverage factor `cover`.
    void blend(int x, int y, const Color& c, double cover = 1.0);
    Color get(int x, int y) const;
    void set(int x, int y, const Color& c);
    // Replaces every pixel by fn(x, y, current).
    void map(const std::function<Color(int x, int y, const Color& current)>& fn);
    // Blends paint over every pixel where `inside` holds, with 4x4 supersampled edges.
    void shape(double x0, double y0, double x1, double y1, const std::function<bool(double, double)>& inside,
               const Paint& paint);
    void polygon(const std::vector<Pt>& pts, const Paint& paint);
    void ellipse(double cx, double cy, double rx, double ry, const Paint& paint);
    void roundRect(double x0, double y0, double x1, double y1, double radius, const Paint& paint);
    void line(double x0, double y0, double x1, double y1, double width, const Paint& paint);

    // Text with its baseline starting (or centred, or ending) at x, y.
    // Returns the text's width in pixels.
    double text(const std::string& utf8, double points, double x, double y, Align align, const TextStyle& style,
                const char* font = nullptr);
    static double measure(const std::string& utf8, double points, const char* font = nullptr);

    bool saveJpeg(const std::string& path, int quality = 92) const;
    bool savePng(const std::string& path) const;

private:
    int w, h;
    std::vector<Color> px;
};

}  // namespace content
