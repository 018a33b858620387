// Every picture of the game: screens, sky backdrops, seas, signs, labels and model textures.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Content.h"

namespace content {

namespace {

const TextStyle kHeading{rgb(0xfff6b0), rgb(0xffa514), rgb(0x24103f), 4.5, {0, 0, 0, 0.45}, 5};
const TextStyle kBody{rgb(0xffffff), rgb(0xe4ecff), rgb(0x0d0a26), 2.0, {0, 0, 0, 0}, 0};
const TextStyle kGold{rgb(0xffe680), rgb(0xffb52e), rgb(0x0d0a26), 2.0, {0, 0, 0, 0}, 0};
const TextStyle kKey{rgb(0x7ff4ff), rgb(0x2fc8ff), rgb(0x0d0a26), 2.0, {0, 0, 0, 0}, 0};

// Night-to-dusk backdrop with a few stars and fine grain, for the menu screens.
void spaceBackground(Canvas& c, int top, int bottom, uint32_t seed) {
    const Color a = rgb(top), b = rgb(bottom);
    c.map([&](int x, int y, const Color&) {
        const double t = static_cast<double>(y) / (c.height() - 1);
        Color col = lerp(a, b, t);
        const double n = periodicFbm(x / 90.0, y / 90.0, 0, 0, 0, 0, 4, seed) - 0.5;
        col.r += n * 0.10;
        col.g += n * 0.06;
        col.b += n * 0.12;
        return col;
    });
    Rng rng(seed);
    for (int i = 0; i < 160; ++i) {
        const double x = rng.range(0, c.width()), y = rng.range(0, c.height() * 0.75), r = rng.range(0.6, 1.8);
        c.ellipse(x, y, r, r, solid({1, 1, 1, rng.range(0.35, 0.9)}));
    }
}

void panel(Canvas& c, double x0, double y0, double x1, double y1, double alpha, int border = 0xffc83d) {
    c.roundRect(x0 - 3, y0 - 3, x1 + 3, y1 + 3, 18, solid(rgb(border)));
    c.roundRect(x0, y0, x1, y1, 16, vgrad(y0, rgb(0x1a1f52, alpha), y1, rgb(0x0a0c24, alpha)));
}

// The fighter seen from the side, nose to the right; (cx, cy) is its middle, s pixels per unit.
void drawShip(Canvas& c, double cx, double cy, double s) {
    auto P = [&](double x, double y) { return Pt{cx + x * s, cy - y * s}; };
    auto poly = [&](std::initializer_list<std::pair<double, double>> pts) {
        std::vector<Pt> out;
        for (auto [x, y] : pts) out.push_back(P(x, y));
        return out;
    };
    // Exhaust glow first, so the ship sits in front of it.
    c.ellipse(cx - 2.6 * s, cy + 0.08 * s, 1.3 * s, 0.45 * s, solid(rgb(0xffb347, 0.25)));
    c.polygon(poly({{-2.1, -0.28}, {-3.6, 0.0}, {-2.1, 0.22}}),
              [&](double x, double) { return lerp(rgb(0xfff3b0), rgb(0xff6a00, 0.2), (cx - 2.1 * s - x) / (1.5 * s)); });
    c.polygon(poly({{0.5, -0.1}, {-0.9, -0.7}, {-1.7, -0.72}, {-1.25, -0.1}}), vgrad(cy, rgb(0x2b4796), cy + 0.7 * s, rgb(0x1a2a5e)));
    c.polygon(poly({{-0.95, 0.22}, {-1.75, 0.95}, {-2.15, 0.97}, {-1.95, 0.18}}), vgrad(cy - s, rgb(0x6f9bff), cy, rgb(0x2f56c0)));
    c.roundRect(cx - 2.2 * s, cy - 0.05 * s, cx - 0.8 * s, cy + 0.3 * s, 0.12 * s, vgrad(cy - 0.05 * s, rgb(0xc9d2e6), cy + 0.3 * s, rgb(0x4a5472)));
    c.polygon(poly({{2.35, 0.0}, {1.6, 0.2}, {0.6, 0.33}, {-0.8, 0.31}, {-2.0, 0.22}, {-2.05, -0.16}, {-0.8, -0.3}, {0.6, -0.28}, {1.6, -0.14}}),
              vgrad(cy - 0.33 * s, rgb(0xf4f8ff), cy + 0.3 * s, rgb(0x7286b8)));
    c.line(cx - 1.8 * s, cy - 0.02 * s, cx + 1.9 * s, cy + 0.02 * s, 0.07 * s, solid(rgb(0xff7a1a)));
    c.polygon(poly({{2.35, 0.0}, {2.0, 0.1}, {2.0, -0.08}}), solid(rgb(0xd8283c)));
    c.ellipse(cx + 0.55 * s, cy - 0.3 * s, 0.62 * s, 0.2 * s, vgrad(cy - 0.5 * s, rgb(0x9ff6ff), cy - 0.1 * s, rgb(0x1a5c9e)));
    c.ellipse(cx + 0.7 * s, cy - 0.38 * s, 0.3 * s, 0.06 * s, solid({1, 1, 1, 0.6}));
    c.polygon(poly({{0.45, -0.05}, {-1.0, -0.95}, {-1.75, -0.97}, {-1.3, -0.05}}), vgrad(cy, rgb(0x5f8cff), cy + 0.97 * s, rgb(0x2846a8)));
    c.line(cx - 0.25 * s, cy + 0.2 * s, cx - 1.1 * s, cy + 0.75 * s, 0.06 * s, solid(rgb(0xffb01f)));
}

// A layer of hills: height above the canvas bottom from noise, fading into the sea at seaX.
void hills(Canvas& c, double base, double amp, double seaX, double horizon, const Paint& paint, uint32_t seed) {
    std::vector<Pt> pts;
    pts.push_back({0, static_cast<double>(c.height())});
    for (int x = 0; x <= c.width(); x += 4) {
        const double fall = smooth(seaX, seaX - 220, x);
        const double hgt = base + amp * periodicFbm(x / 160.0, 0, 0, 0, 0, 0, 4, seed);
        pts.push_back({static_cast<double>(x), mix(c.height() + 5.0, horizon + 30 - hgt, fall)});
    }
    pts.push_back({static_cast<double>(c.width()), static_cast<double>(c.height())});
    c.polygon(pts, paint);
}

bool titleScreen(const std::string& dir) {
    Canvas c(800, 600);
    const double horizon = 370;
    c.map([&](int, int y, const Color&) {
        if (y < horizon) {
            const double t = y / horizon;
            return t < 0.55 ? lerp(rgb(0x1b2f7a), rgb(0xc23b7a), t / 0.55) : lerp(rgb(0xc23b7a), rgb(0xffc65a), (t - 0.55) / 0.45);
        }
        return lerp(rgb(0x2a86c8), rgb(0x0c2d5e), (y - horizon) / (600 - horizon));
    });
    Rng rng(7);
    for (int i = 0; i < 70; ++i) c.ellipse(rng.range(0, 800), rng.range(0, 140), 1.1, 1.1, solid({1, 1, 1, rng.range(0.3, 0.8)}));
    c.shape(460, 180, 760, horizon, [&](double x, double y) { return y < horizon && std::hypot(x - 610, y - 330) <= 150; },
            solid(rgb(0xffd27a, 0.18)));
    c.shape(540, 260, 680, horizon, [&](double x, double y) { return y < horizon && std::hypot(x - 610, y - 330) <= 70; },
            vgrad(260, rgb(0xfff7c2), 400, rgb(0xff8a2a)));
    for (int i = 0; i < 5; ++i) {
        const double y = 90 + i * 38, x = 120 + 150 * i;
        c.ellipse(x, y, 90, 14, solid(rgb(0xffd6e8, 0.22)));
        c.ellipse(x + 40, y - 8, 60, 12, solid(rgb(0xffffff, 0.18)));
    }
    // The sun on the water, and small waves.
    for (int i = 0; i < 28; ++i) {
        const double y = horizon + 6 + i * 7.5, w = 70 - i * 1.8;
        c.line(610 - w + rng.range(-10, 10), y, 610 + w + rng.range(-10, 10), y, 2.2, solid(rgb(0xffe09a, 0.55 - i * 0.015)));
    }
    for (int i = 0; i < 90; ++i) {
        const double x = rng.range(420, 800), y = rng.range(horizon + 10, 600), w = rng.range(8, 26);
        c.line(x, y, x + w, y, 1.5, solid(rgb(0xbfe8ff, 0.35)));
    }
    c.line(0, horizon, 800, horizon, 1.5, solid(rgb(0xffe2a0, 0.7)));
    hills(c, 40, 120, 560, horizon, vgrad(250, rgb(0x8f5fb8), horizon + 30, rgb(0x5c4a9a)), 3);
    hills(c, 20, 95, 500, horizon + 40, vgrad(300, rgb(0x3fbf6a), 440, rgb(0x1f7a45)), 5);
    // The beach where the near hills meet the sea.
    hills(c, 0, 60, 470, horizon + 150, vgrad(420, rgb(0x2e9e52), 600, rgb(0x145c33)), 9);
    for (int i = 0; i < 6; ++i) c.line(150 + i * 30, 210 + i * 6, 290 + i * 25, 210 + i * 6, 2, solid({1, 1, 1, 0.35}));
    drawShip(c, 420, 235, 58);

    c.text("Lumivex", 76, 400, 118, Align::Centre, kHeading);
    c.text("eleven render styles, one endless flight", 15, 400, 150, Align::Centre, kBody);

    panel(c, 60, 392, 740, 588, 0.78);
    c.text("Menu", 17, 90, 422, Align::Left, kGold);
    c.text("In flight", 17, 420, 422, Align::Left, kGold);
    // The flight keys can be rebound and the grade changes: the game writes the right column.
    const char* menu[][2] = {{"S or Insert", "start"}, {"D", "daily course"}, {"G", "grade"},
                             {"H", "how to play"},     {"R", "replays"},      {"T", "statistics"},
                             {"O", "settings"},        {"C", "credits"},      {"M", "title and music"},
                             {"Q or Esc", "quit"}};
    for (int i = 0; i < 10; ++i) {
        const double y = 442 + i * 15.5;
        c.text(menu[i][0], 14, 215, y, Align::Right, kKey);
        c.text(menu[i][1], 14, 232, y, Align::Left, kBody);
    }
    return c.saveJpeg(dir + "/titlescreen.jpg");
}

bool creditsScreen(const std::string& dir) {
    Canvas c(800, 600);
    spaceBackground(c, 0x121c4a, 0x3b1a66, 21);
    c.text("Credits", 56, 400, 88, Align::Centre, kHeading);
    panel(c, 70, 115, 730, 555, 1.0);
    c.text("Lumivex", 22, 400, 152, Align::Centre, kGold);
    c.text("made by the Lumivex team", 15, 400, 178, Align::Centre, kBody);
    c.text("code, models, pictures, sounds and music: the Lumivex team", 12, 400, 199, Align::Centre, kBody);
    c.text("Built with", 20, 400, 237, Align::Centre, kGold);
    const char* libs[][2] = {{"freeglut", "window and keyboard"}, {"GLEW", "OpenGL extensions"},
                             {"DevIL", "image loading"},         {"libgd", "high-score pictures"},
                             {"FreeType", "TrueType text"},      {"OpenAL Soft", "sound output"},
                             {"libsndfile", "sound files"}};
    for (int i = 0; i < 7; ++i) {
        const double y = 265 + i * 24;
        c.text(libs[i][0], 15, 385, y, Align::Right, kKey);
        c.text(libs[i][1], 14, 405, y, Align::Left, kBody);
    }
    c.text("Font", 20, 400, 446, Align::Centre, kGold);
    c.text("DejaVu Sans Bold", 15, 400, 471, Align::Centre, kBody);
    c.text("Bitstream Vera / DejaVu licence: free to use, change and share", 12, 400, 493, Align::Centre, kBody);
    c.text("Thanks for playing!", 15, 400, 533, Align::Centre, kGold);
    c.text("B: back", 17, 400, 585, Align::Centre, kKey);
    return c.saveJpeg(dir + "/creditsscreen.jpg");
}

bool enterNameScreen(const std::string& dir) {
    Canvas c(800, 600);
    spaceBackground(c, 0x2a0f3d, 0x6a1f3a, 33);
    c.text("Game Over", 64, 400, 150, Align::Centre, kHeading);
    c.text("Well flown! Sign the high-score table.", 17, 400, 205, Align::Centre, kBody);
    // The game writes its three lines from (322, 352) downwards: a plain dark field for them.
    c.roundRect(287, 307, 673, 433, 18, solid(rgb(0xffc83d)));
    c.roundRect(290, 310, 670, 430, 16, solid(rgb(0x0b0b1a)));
    c.text("Type your name, then press Enter", 16, 400, 480, Align::Centre, kGold);
    c.text("letters, digits, space, _ and -    Backspace deletes", 12, 400, 506, Align::Centre, kBody);
    return c.saveJpeg(dir + "/entername.jpg");
}

bool highscoreBackground(const std::string& dir) {
    Canvas c(800, 600);
    spaceBackground(c, 0x0f2350, 0x24124a, 45);
    c.text("High Scores", 58, 400, 130, Align::Centre, kHeading);
    c.text("the best flights so far", 15, 400, 170, Align::Centre, kBody);
    c.text("Rank", 14, 200, 258, Align::Left, kGold);
    c.text("Score", 14, 350, 258, Align::Right, kGold);
    c.text("Name", 14, 400, 258, Align::Left, kGold);
    // Rows are drawn from y = 300 to 525: a plain dark band behind them.
    c.roundRect(167, 269, 633, 543, 18, solid(rgb(0xffc83d)));
    c.roundRect(170, 272, 630, 540, 16, solid(rgb(0x0a0a1c)));
    c.text("S: play again        M: title and music", 16, 400, 570, Align::Centre, kKey);
    return c.saveJpeg(dir + "/highscore.jpg");
}

void clouds(Canvas& c, double yMax, double amount, uint32_t seed, Color tint) {
    c.map([&](int x, int y, const Color& cur) {
        const double fade = smooth(yMax, yMax * 0.4, y);
        const double n = periodicFbm(x / 110.0, y / 45.0, 0, 0, 0, 0, 5, seed);
        const double a = smooth(1 - amount, 1 - amount + 0.22, n) * fade;
        return lerp(cur, tint, a * 0.85);
    });
}

bool skies(const std::string& dir) {
    bool ok = true;
    {
        Canvas c(520, 360);
        c.map([](int, int y, const Color&) {
            return y < 250 ? lerp(rgb(0x2f7fe0), rgb(0xc4e8ff), y / 250.0) : lerp(rgb(0x8ec3e6), rgb(0x5b93c2), (y - 250) / 110.0);
        });
        clouds(c, 230, 0.5, 61, rgb(0xffffff));
        hills(c, 10, 40, 900, 230, vgrad(215, rgb(0x9cc0e0), 300, rgb(0x6a96c0)), 62);
        hills(c, 0, 30, 900, 265, vgrad(250, rgb(0x5a9a8a), 360, rgb(0x2f6a5a)), 63);
        ok &= c.saveJpeg(dir + "/horizon-standard.jpg");
    }
    {
        Canvas c(520, 360);
        c.map([](int, int y, const Color&) {
            return y < 250 ? lerp(rgb(0xeef4ff), rgb(0xa9d1ff), y / 250.0) : lerp(rgb(0xd6e6f7), rgb(0xb6cde6), (y - 250) / 110.0);
        });
        clouds(c, 200, 0.42, 71, rgb(0xffffff));
        c.line(0, 250, 520, 250, 2, solid(rgb(0x6c8fb8)));
        ok &= c.saveJpeg(dir + "/purehorizon.jpg");
    }
    {
        Canvas c(520, 360);
        c.map([](int x, int y, const Color&) {
            Color base = y < 250 ? lerp(rgb(0x1f7bff), rgb(0xffe7a3), std::pow(y / 250.0, 1.4))
                                 : lerp(rgb(0xffd68a), rgb(0xe9a55a), (y - 250) / 110.0);
            const double d = std::hypot(x - 380.0, y - 140.0);
            return lerp(base, rgb(0xfff4c8), std::exp(-d / 70.0) * 0.8);
        });
        c.ellipse(380, 140, 38, 38, solid(rgb(0xfffbe6)));
        clouds(c, 220, 0.45, 81, rgb(0xfff1e0));
        hills(c, 5, 30, 900, 245, vgrad(230, rgb(0xe8b27a), 360, rgb(0xb8784a)), 82);
        hills(c, 0, 22, 900, 280, vgrad(270, rgb(0xc98a52), 360, rgb(0x8e5430)), 83);
        ok &= c.saveJpeg(dir + "/sunnysky.jpg");
    }
    return ok;
}

// Seamless 256 x 256 seas: every noise here repeats over the tile.
bool seas(const std::string& dir) {
    bool ok = true;
    const int n = 256;
    {
        Canvas c(n, n);
        c.map([&](int x, int y, const Color&) {
            const double u = x / double(n), v = y / double(n);
            const double f = periodicFbm(u * 6, v * 6, 0, 6, 6, 0, 5, 91);
            const double wave = std::sin(2 * M_PI * (v * 9 + u * 2 + f * 1.5));
            Color col = lerp(rgb(0x0b3f7a), rgb(0x2a8fd6), f);
            const double crest = smooth(0.75, 0.98, wave) * 0.45;
            return lerp(col, rgb(0xd8f2ff), crest);
        });
        ok &= c.saveJpeg(dir + "/sea.jpg");
    }
    {
        Canvas c(n, n);
        c.map([&](int x, int y, const Color&) {
            const double u = x / double(n), v = y / double(n);
            const double f = periodicFbm(u * 4, v * 4, 0, 4, 4, 0, 4, 101);
            const double g = periodicFbm(u * 8 + 3, v * 8, 0, 8, 8, 0, 3, 102);
            const double caustic = std::pow(1 - std::fabs(g - 0.5) * 2, 8);
            Color col = lerp(rgb(0x12b5c6), rgb(0x5fe6d8), f);
            return lerp(col, rgb(0xeafffb), caustic * 0.55);
        });
        ok &= c.saveJpeg(dir + "/meer.jpg");
    }
    {
        // Ice floes: cells around points that repeat with the tile, cracks of dark water between.
        Rng rng(111);
        std::vector<Pt> seeds;
        while (seeds.size() < 22) {
            const Pt p{rng.range(0, n), rng.range(0, n)};
            bool apart = true;  // floes of similar size: no two centres close together
            for (const Pt& q : seeds) {
                const double dx = std::min(std::fabs(p.x - q.x), n - std::fabs(p.x - q.x));
                const double dy = std::min(std::fabs(p.y - q.y), n - std::fabs(p.y - q.y));
                apart = apart && std::hypot(dx, dy) > 34;
            }
            if (apart) seeds.push_back(p);
        }
        Canvas c(n, n);
        c.map([&](int x, int y, const Color&) {
            double d1 = 1e9, d2 = 1e9;
            size_t nearest = 0;
            for (size_t i = 0; i < seeds.size(); ++i)
                for (int ox = -1; ox <= 1; ++ox)
                    for (int oy = -1; oy <= 1; ++oy) {
                        const double d = std::hypot(x - seeds[i].x - ox * n, y - seeds[i].y - oy * n);
                        if (d < d1) {
                            d2 = d1;
                            d1 = d;
                            nearest = i;
                        } else if (d < d2) {
                            d2 = d;
                        }
                    }
            const double edge = d2 - d1;
            const double f = periodicFbm(x * 8.0 / n, y * 8.0 / n, 0, 8, 8, 0, 4, 112);
            const Color water = lerp(rgb(0x0e2f52), rgb(0x1d4f7e), f);
            Color ice = lerp(rgb(0xd9efff), rgb(0xffffff), f);
            ice = lerp(ice, rgb(0xa8d4f0), (nearest % 5) * 0.08 + smooth(14, 3, edge) * 0.35);
            const double rim = smooth(5.0, 8.0, edge);
            return lerp(water, lerp(rgb(0x7fb8de), ice, smooth(8.0, 12.0, edge)), rim);
        });
        ok &= c.saveJpeg(dir + "/frozensea.jpg");
    }
    return ok;
}

bool sign(const std::string& dir, const std::string& name, int boardColour, int textColour, const char* line1,
          const char* line2) {
    Canvas c(176, 496);
    // The post reaches below the ground line; the board stands above it.
    c.roundRect(80, 180, 96, 494, 4, [](double x, double) { return lerp(rgb(0x9aa3b5), rgb(0x4b5263), std::fabs(x - 86) / 10); });
    c.roundRect(6, 26, 170, 236, 22, solid(rgb(0x1a1420)));
    c.roundRect(13, 33, 163, 229, 17, vgrad(33, rgb(boardColour), 229, lerp(rgb(boardColour), rgb(0x000000), 0.25)));
    // Warning triangle.
    c.polygon({{88, 46}, {128, 112}, {48, 112}}, solid(rgb(0x1a1420)));
    c.polygon({{88, 58}, {118, 106}, {58, 106}}, solid(rgb(0xffffff)));
    c.roundRect(85, 70, 91, 94, 3, solid(rgb(0x1a1420)));
    c.ellipse(88, 100, 3.5, 3.5, solid(rgb(0x1a1420)));
    const TextStyle style{rgb(textColour), rgb(textColour), rgb(0x1a1420), textColour == 0xffffff ? 2.5 : 0, {0, 0, 0, 0}, 0};
    c.text(line1, 22, 88, 160, Align::Centre, style);
    c.text(line2, 18, 88, 200, Align::Centre, style);
    return c.savePng(dir + "/" + name);
}

bool arrow(const std::string& dir) {
    Canvas c(64, 160);
    c.polygon({{19, 4}, {45, 4}, {45, 86}, {62, 86}, {32, 156}, {2, 86}, {19, 86}}, solid(rgb(0x2a1240)));
    c.polygon({{23, 8}, {41, 8}, {41, 90}, {54, 90}, {32, 147}, {10, 90}, {23, 90}}, vgrad(8, rgb(0xfff46a), 147, rgb(0xff8a1f)));
    c.polygon({{25, 10}, {31, 10}, {31, 88}, {25, 88}}, solid(rgb(0xffffff, 0.45)));
    return c.savePng(dir + "/arrow.png");
}

bool labels(const std::string& dir) {
    const char* names[11] = {"Blue/Green Shader", "Black&White", "SSAO only", "Phong Shader + SSAO",
                             "Normal Shader",     "Funky Shader", "Toon Shader", "Standard Shader",
                             "Phong Shader",      "Pure",         "Sunny Shader"};
    const int colours[11][2] = {{0x1fd1b8, 0x1f5fd1}, {0x9a9a9a, 0x2e2e2e}, {0x5b6b8c, 0x26304a}, {0xb06bff, 0x4a1f9e},
                                {0xb7f03a, 0x3f9e1f}, {0xff5fd2, 0x8a1fd1}, {0xffa43a, 0xd1461f}, {0x4fb8ff, 0x1f5fd1},
                                {0xa8e6ff, 0x3f8ccf}, {0xdfe6f0, 0x7d8aa0}, {0xffe14a, 0xf08a12}};
    bool ok = true;
    for (int i = 0; i < 11; ++i) {
        Canvas c(648, 66);
        c.roundRect(2, 2, 646, 64, 31, solid(rgb(0x140c30)));
        c.roundRect(6, 6, 642, 60, 27, vgrad(6, rgb(colours[i][0]), 60, rgb(colours[i][1])));
        c.roundRect(14, 8, 634, 30, 11, solid({1, 1, 1, 0.22}));
        const TextStyle style{rgb(0xffffff), rgb(0xf0f4ff), rgb(0x140c30), 3.0, {0, 0, 0, 0.35}, 2};
        c.text(names[i], 28, 324, 45, Align::Centre, style);
        ok &= c.savePng(dir + "/shaderAnzeige" + std::to_string(i + 1) + ".png");
    }
    return ok;
}

// Model textures. Texture coordinate (u, v) is pixel (u * w, (1 - v) * h) of the picture.
bool shipTexture(const std::string& dir) {
    const int n = 512;
    Canvas c(n, n);
    c.map([&](int x, int y, const Color&) {
        const double u = (x % 256) / 256.0, v = 1 - (y % 256) / 256.0;  // within the quadrant
        const bool left = x < 256, topHalf = y < 256;
        const double grain = periodicFbm(x / 24.0, y / 24.0, 0, 0, 0, 0, 3, 121) - 0.5;
        if (topHalf && left) {  // hull: u from nose to tail, v around from the top
            Color col = lerp(rgb(0xf2f5fb), rgb(0xc9d3e6), std::fabs(std::cos(v * 2 * M_PI)) * 0.3);
            const double band = std::min(v, 1 - v);
            if (band < 0.08) col = lerp(rgb(0x2f5fd0), rgb(0x1d3f9a), band / 0.08);
            if (std::fabs(v - 0.25) < 0.025 || std::fabs(v - 0.75) < 0.025) col = rgb(0xff7a1a);
            if (u < 0.06) col = rgb(0xd8283c);
            if (std::fmod(u * 256, 32) < 1.2 || std::fmod(v * 256, 42) < 1.0) col = lerp(col, rgb(0x404a66), 0.5);
            col.r += grain * 0.06, col.g += grain * 0.06, col.b += grain * 0.06;
            return col;
        }
        if (topHalf) {  // cockpit glass
            const double t = std::fabs(std::cos(v * M_PI));
            Color col = lerp(rgb(0x0f3c7a), rgb(0x6fe8ff), t * (0.4 + 0.6 * u));
            if (std::fabs(v - 0.1) < 0.03 && u > 0.2 && u < 0.8) col = lerp(col, rgb(0xffffff), 0.8);
            return col;
        }
        if (left) {  // wings and fin
            Color col = lerp(rgb(0x4f86ff), rgb(0x2547b0), v);
            if (std::fabs(std::fmod(u * 4 + v * 2, 1.0) - 0.5) < 0.06 && u > 0.3) col = rgb(0xffb01f);
            if (std::fmod(u * 256, 40) < 1.2) col = lerp(col, rgb(0x1a2a5e), 0.6);
            if (u < 0.08 || v < 0.08) col = lerp(col, rgb(0x1a2a5e), 0.5);
            col.b += grain * 0.1;
            return col;
        }
        // engines: metal around, rings along, glowing nozzle at the end
        Color col = lerp(rgb(0x59627a), rgb(0xd7deeb), 0.5 + 0.5 * std::cos(v * 2 * M_PI));
        if (std::fmod(u * 10, 1.0) < 0.08) col = lerp(col, rgb(0x262a36), 0.6);
        if (u > 0.86) col = lerp(rgb(0xff8a1f), rgb(0xfff1a0), (u - 0.86) / 0.14);
        col.r += grain * 0.08, col.g += grain * 0.08, col.b += grain * 0.08;
        return col;
    });
    return c.saveJpeg(dir + "/ship1-texture-final.jpg");
}

bool asteroidTexture(const std::string& dir) {
    const int n = 512;
    Canvas c(n, n);
    Rng rng(131);
    struct Crater {
        double x, y, r;
    };
    std::vector<Crater> craters;
    for (int i = 0; i < 26; ++i) craters.push_back({rng.range(0, n), rng.range(60, n - 60), rng.range(10, 38)});
    c.map([&](int x, int y, const Color&) {
        const double u = x / double(n), v = y / double(n);
        const double f = periodicFbm(u * 8, v * 8, 0, 8, 0, 0, 6, 132);
        const double g = periodicFbm(u * 3, v * 3, 0.5, 3, 0, 0, 3, 133);
        Color col = lerp(lerp(rgb(0x4a3f38), rgb(0x9a8a7a), f), rgb(0x7a5a44), g * 0.5);
        for (const Crater& k : craters) {
            double dx = std::fabs(x - k.x);
            dx = std::min(dx, n - dx);  // repeats around the rock
            const double d = std::hypot(dx, y - k.y) / k.r;
            if (d < 1.0) col = lerp(col, rgb(0x2e2622), 0.45 * (1 - d * d));
            else if (d < 1.25) col = lerp(col, rgb(0xc2b2a0), 0.35 * (1 - (d - 1) / 0.25));
        }
        return col;
    });
    return c.saveJpeg(dir + "/asteroid1-texture-final.jpg");
}

bool bulletTexture(const std::string& dir) {
    Canvas c(128, 128);
    c.map([&](int x, int y, const Color&) {
        const double u = x / 128.0, v = 1 - y / 128.0;
        const double around = 0.5 + 0.5 * std::cos(v / 0.7 * 2 * M_PI);
        if (v < 0.7) return lerp(lerp(rgb(0xffffff), rgb(0xffd23a), smooth(0.0, 0.6, u)), rgb(0xfff8d0), around * 0.3);
        return lerp(rgb(0xff9a1f), rgb(0xff3a10), u);
    });
    return c.saveJpeg(dir + "/bullet-texture.jpg");
}

// Bottom half: the ammunition case (each side face shows all of it); top half: the brass rounds,
// along their length from left to right and around them from bottom to top.
bool bulletPowerUpTexture(const std::string& dir) {
    Canvas c(256, 256);
    c.map([&](int x, int y, const Color&) {
        if (y >= 128) {
            const int cy = y - 128;
            const double grain = periodicFbm(x / 10.0, y / 10.0, 0, 0, 0, 0, 3, 141);
            Color col = lerp(rgb(0x3f6b2a), rgb(0x5e8f3a), grain);
            if (cy < 16 || cy > 111) col = ((x + cy) / 10) % 2 == 0 ? rgb(0xffd23a) : rgb(0x1c2a12);
            if (x < 6 || x > 249 || cy < 3 || cy > 124) col = rgb(0x23361a);
            return col;
        }
        const double u = x / 256.0, v = 1 - y / 128.0;
        const double shine = 0.5 + 0.5 * std::cos(v * 2 * M_PI);
        Color col = lerp(rgb(0x9a6a1f), rgb(0xffe08a), shine);
        if (u > 0.62) col = lerp(rgb(0xa04a1f), rgb(0xf0a070), shine);
        if (u < 0.06) col = rgb(0x6a4a1a);
        if (std::fabs(u - 0.6) < 0.012) col = lerp(col, rgb(0x3a2a10), 0.6);
        return col;
    });
    const TextStyle stencil{rgb(0xffe8a0), rgb(0xffd050), rgb(0x1c2a12), 2, {0, 0, 0, 0}, 0};
    c.text("AMMO x3", 24, 128, 204, Align::Centre, stencil);
    return c.saveJpeg(dir + "/bullet-powerup.jpg");
}

bool goldTexture(const std::string& dir) {
    Canvas c(256, 256);
    c.map([&](int x, int y, const Color&) {
        const double dx = x - 128.0, dy = y - 128.0;
        const double r = std::hypot(dx, dy) / 128.0, a = std::atan2(dy, dx);
        const double facets = 0.5 + 0.5 * std::cos(a * 5);
        Color col = lerp(rgb(0xfff2a8), rgb(0xd08a10), smooth(0.0, 1.0, r));
        col = lerp(col, rgb(0xffe46a), facets * 0.35);
        const double sparkle = std::pow(std::max(0.0, std::cos(a * 10)), 40) * (1 - r);
        return lerp(col, rgb(0xffffff), sparkle);
    });
    return c.saveJpeg(dir + "/special-gold-texture.jpg");
}

}  // namespace

bool writePictures(const std::string& gameDir) {
    const std::string dir = gameDir + "/Textures";
    bool ok = true;
    ok &= titleScreen(dir);
    ok &= creditsScreen(dir);
    ok &= enterNameScreen(dir);
    ok &= highscoreBackground(dir);
    ok &= skies(dir);
    ok &= seas(dir);
    ok &= sign(dir, "sign1swarm.png", 0xffd23f, 0x1a1420, "SWARM", "AHEAD!");
    ok &= sign(dir, "sign1attack.png", 0xe8323c, 0xffffff, "ATTACK", "THEY AIM!");
    ok &= arrow(dir);
    ok &= labels(dir);
    ok &= shipTexture(dir);
    ok &= asteroidTexture(dir);
    ok &= bulletTexture(dir);
    ok &= bulletPowerUpTexture(dir);
    ok &= goldTexture(dir);
    return ok;
}

}  // namespace content
