#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The colours of the game's cards and panels, RGBA.
namespace cardcolour {
constexpr uint32_t kGold = 0xffd24aff;    // headings, the multiplier
constexpr uint32_t kKey = 0x6fd8ffff;     // keys and what to press
constexpr uint32_t kBody = 0xffffffff;    // running text
constexpr uint32_t kRed = 0xff4a3aff;     // danger: a hit, the last life, the end
constexpr uint32_t kPanel = 0x1c1830d0;   // the dark plate under text
constexpr uint32_t kScreenPanel = 0x1c1830f0;  // a screen's plate over the title: its menu must not read through
constexpr uint32_t kBorder = 0xf2c94cff;  // a plate's rim
}  // namespace cardcolour

// A layer of outlined text (in HighscorePicture::font()) and translucent rounded panels on transparency, laid
// out on the game's 800 x 600 design canvas and drawn at any pixel size: the pause, settings,
// volume and title-key overlays, sharp at the window's own resolution.
class TextCard {
public:
    enum Align { Left, Centre, Right };

    explicit TextCard(int designWidth = 800, int designHeight = 600);

    // Colours are 0xRRGGBBAA. Coordinates are design pixels, y from the top; a text's y is its
    // baseline.
    void panel(double x0, double y0, double x1, double y1, uint32_t fill, uint32_t border);
    // A line wider than maxWidth design pixels (when given) or than its room on the card is set
    // smaller until it fits.
    void text(const std::string& line, double x, double y, double points, uint32_t colour, Align align = Left,
              double maxWidth = 0);

    // The layer at widthPx x heightPx: top row first, RGBA bytes, straight alpha. Empty when
    // the size is not positive.
    std::vector<unsigned char> render(int widthPx, int heightPx) const;

    // Everything that decides the pixels: equal keys draw equal layers.
    const std::string& key() const { return description; }
    int designWidth() const { return designW; }
    int designHeight() const { return designH; }

private:
    struct Item {
        bool isText;
        std::string line;
        double x0, y0, x1, y1, points;  // for a text, x1 is its widest
        uint32_t colour, border;
        Align align;
    };
    int designW, designH;
    std::vector<Item> items;
    std::string description;
};
