// What the Game draws: every style's own picture with its label and its hazards in view (and
// nothing of the one before it), the toon look, the frame rate. (The picture between bars in a
// wide window: fitPicture in InputRulesTest, drawn in PlayTest's F11 test.)
#include <cmath>
#include <cstring>
#include <array>
#include <map>

#include "CoreTest.h"
#include "effects/SSAO.h"

namespace {

int luma(const std::vector<unsigned char>& p, int x, int y) {
    const unsigned char* c = &p[(static_cast<size_t>(y) * 800 + x) * 4];
    return (299 * c[0] + 587 * c[1] + 114 * c[2]) / 1000;
}

size_t differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i += 4) n += std::memcmp(&a[i], &b[i], 3) != 0;
    return n;
}

// The top right corner of the frame, where the frame-rate overlay sits, and its white pixels.
std::vector<unsigned char> corner() { return backBuffer(600, 550, 200, 50); }
int whiteInTheCorner() { return pixelsWhere(600, 550, 200, 50, [](int r, int g, int b) { return r > 240 && g > 240 && b > 240; }); }

}  // namespace

// Nothing a style sets (light 0 above the ship, above all) may show in the styles after it:
// every style draws the same frame of the same flight straight away and after Toon was drawn.
TEST_F(CoreTest, EveryStyleLooksTheSameWhateverStyleCameBefore) {
    auto to = [this](int from, int style) {
        for (int i = from; i != style; i += style > from ? 1 : -1) press(style > from ? GLUT_KEY_F3 : GLUT_KEY_F2);
    };
    for (int style = 0; style < kStyleCount; ++style) {
        if (style == kToon) continue;
        // The words of the last star or hit have faded when the frames are compared; both
        // flights draw a frame at 100 ms.
        std::vector<unsigned char> straight;
        uint64_t flight = 0;
        for (int via : {style, int{kToon}}) {
            startFlight();
            to(0, via);
            fly(100, 5);
            game.display();
            to(via, style);
            fly(1900, 5);
            game.display();
            if (via == style) straight = backBuffer(), flight = game.flight().checksum();
        }
        EXPECT_EQ(game.flight().checksum(), flight) << "style " << style << ": the same flight";
        EXPECT_EQ(differing(straight, backBuffer()), 0u) << "style " << style;
    }
}

// Cel shading reads at a glance: the ground in a few flat bands, and a horizon without speckle.
TEST_F(CoreTest, ToonGroundIsFourBandsAtMostAndItsHorizonHasNoSpeckle) {
    startFlight();
    toStyle(kToon);
    fly(2000, 40, true);  // the star's words gone
    const std::vector<unsigned char> p = backBuffer();
    // The ground below the ship, clear of the label: brightness values that cover 1 % of it.
    std::map<int, int> shares;
    for (int y = 70; y < 130; ++y)
        for (int x = 0; x < 800; ++x) ++shares[luma(p, x, y)];
    int bands = 0;
    for (const auto& share : shares) bands += share.second * 100 >= 800 * 60;
    EXPECT_TRUE(bands >= 1 && bands <= 4) << bands;
    // Speckle: pixels unlike all eight neighbours, over the far ground, horizon and sky.
    int isolated = 0;
    for (int y = 300; y < 540; ++y)
        for (int x = 1; x < 799; ++x) {
            bool alone = true;
            for (int n = 0; n < 9 && alone; ++n)
                if (n != 4) alone = std::abs(luma(p, x, y) - luma(p, x + n % 3 - 1, y + n / 3 - 1)) > 24;
            isolated += alone;
        }
    EXPECT_LE(isolated, 10);
}

// F10 shows the frame rate in the top right corner of every screen, from the game's clock,
// and a second F10 hides it; drawn over any style's GL state, it leaves that state alone.
TEST_F(CoreTest, F10ShowsTheFrameRateOnEveryScreenAndLeavesTheGlStateAlone) {
    for (int screen : {Title, Playing}) {
        if (screen == Playing) startFlight();
        game.display();
        const std::vector<unsigned char> without = corner();
        const int whiteWithout = whiteInTheCorner();
        press(GLUT_KEY_F10);
        EXPECT_EQ(game.screen(), screen) << "F10 changes nothing else";
        for (int i = 0; i < 60; ++i) testclock::set(now += 25), game.display();
        EXPECT_EQ(game.getFpsOverlay().text(), "40 fps  25.0 ms") << "screen " << screen;
        const std::vector<unsigned char> with = corner();
        EXPECT_GT(whiteInTheCorner(), whiteWithout + 60) << "letters, screen " << screen;
        EXPECT_GT(differing(with, without), with.size() / 4 / 5) << "the box, screen " << screen;
        press(GLUT_KEY_F10);
        game.display();
        EXPECT_EQ(differing(corner(), without), 0u) << "hidden again, screen " << screen;
    }

    // Over a style's state: a program, textures on two units, lighting, fog, lines, a viewport.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    const GLuint program = glCreateProgram();
    glLinkProgram(program), glUseProgram(program);
    glActiveTexture(GL_TEXTURE1), glEnable(GL_TEXTURE_3D), glActiveTexture(GL_TEXTURE0);
    for (GLenum flag : {GL_TEXTURE_2D, GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_FOG}) glEnable(flag);
    glBlendFunc(GL_ONE, GL_ONE), glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glViewport(10, 20, 300, 200);
    glMatrixMode(GL_PROJECTION);  // left in another mode than model-view
    auto state = [] {  // each value as up to four floats, which hold names and enums exactly
        std::vector<GLfloat> s;
        for (GLenum n : {GL_CURRENT_PROGRAM, GL_ACTIVE_TEXTURE, GL_MATRIX_MODE, GL_VIEWPORT, GL_BLEND_SRC, GL_BLEND_DST,
                         GL_POLYGON_MODE, GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_CURRENT_COLOR,
                         GL_TEXTURE_2D, GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_BLEND, GL_FOG}) {
            GLfloat v[4] = {-1, -1, -1, -1};
            glGetFloatv(n, v);
            s.insert(s.end(), v, v + 4);
        }
        return s;
    };
    const std::vector<GLfloat> before = state();
    glClearColor(1, 1, 1, 1);  // the brightest style's sky
    glClear(GL_COLOR_BUFFER_BIT);
    game.getFpsOverlay().draw(800, 600);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_TRUE(near(colourAt(789, 589, 0), Rgb{102, 102, 102}, 3)) << "a dark box on white, 60 % black";
    EXPECT_GT(whiteInTheCorner(), 40 + 200 * 4) << "white letters in it, white around it";

    glUseProgram(0), glDeleteProgram(program), glPopAttrib();
}

namespace {

// Relative luminance (sRGB, linear light) of a pixel.
double luminance(const unsigned char* c) {
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c[0] / 255.0) + 0.7152 * linear(c[1] / 255.0) + 0.0722 * linear(c[2] / 255.0);
}

// Which object each pixel shows (0: none): the ground and the sea only hide, each object is
// drawn in a flat colour of its index, nearest wins.
std::vector<int> objectMask(Game& game) {
    static GLuint program = 0;
    if (!program) {
        const char* source[] = {"void main() { gl_Position = ftransform(); }",
                                "uniform vec4 id; void main() { gl_FragColor = id; }"};
        program = glCreateProgram();
        for (int k = 0; k < 2; ++k) {
            const GLuint s = glCreateShader(k ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
            glShaderSource(s, 1, &source[k], nullptr), glCompileShader(s), glAttachShader(program, s);
        }
        glLinkProgram(program);
    }
    const GameState& flight = game.flight();
    const Scenery& scenery = game.getRenderer().getScenery();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    flight.chaseCamera.apply();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    scenery.drawTerrain(flight, false, false, Untextured);
    scenery.drawSea(flight, StyleLook{});
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(program);
    const std::vector<GameObject*>& objects = flight.world.getActiveObjects();
    for (size_t i = 0; i < objects.size(); ++i) {
        glUniform4f(glGetUniformLocation(program, "id"), (i + 1) / 255.0f, 0, 0, 1);
        objects[i]->draw();
    }
    glUseProgram(0);
    const std::vector<unsigned char> p = backBuffer();
    std::vector<int> ids(p.size() / 4);
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = p[i * 4];
    return ids;
}

// Contrast (as (L1 + 0.05) / (L2 + 0.05)) of each well visible object against the ground
// around it, where the eye finds its outline: the median over the pixels just outside it (1 or
// 2 pixels off), each against the nearest of the object's inner pixels.
std::vector<double> objectContrasts(const std::vector<unsigned char>& picture, const std::vector<int>& ids) {
    const int w = 800, h = 600;
    auto id = [&](int x, int y) { return x < 0 || y < 0 || x >= w || y >= h ? -1 : ids[y * w + x]; };
    auto lum = [&](int x, int y) { return luminance(&picture[(y * w + x) * 4]); };
    std::map<int, std::array<int, 4>> boxes;  // each object's pixels: x0, y0, x1, y1
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const int i = id(x, y)) {
                auto found = boxes.emplace(i, std::array<int, 4>{x, y, x, y});
                std::array<int, 4>& b = found.first->second;
                b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
            }
    std::vector<double> contrasts;
    for (const auto& [object, box] : boxes) {
        auto inner = [&](int x, int y) {
            return id(x, y) == object && id(x - 1, y) == object && id(x + 1, y) == object && id(x, y - 1) == object &&
                   id(x, y + 1) == object;
        };
        std::vector<double> pairs;
        int size = 0;
        for (int y = std::max(box[1] - 2, 0); y <= std::min(box[3] + 2, h - 1); ++y)
            for (int x = std::max(box[0] - 2, 0); x <= std::min(box[2] + 2, w - 1); ++x) {
                size += inner(x, y);
                if (id(x, y) != 0) continue;
                // Outside it, 1 or 2 pixels off, and not beside another object: the nearest
                // inner pixel within 4.
                int touching = 9, best = 99, bx = 0, by = 0;
                bool nearOther = false;
                for (int dy = -6; dy <= 6; ++dy)
                    for (int dx = -6; dx <= 6; ++dx) {
                        const int d = std::max(std::abs(dx), std::abs(dy)), other = id(x + dx, y + dy);
                        nearOther = nearOther || (other > 0 && other != object);
                        if (other == object) touching = std::min(touching, d);
                        if (d < best && d <= 4 && inner(x + dx, y + dy)) best = d, bx = x + dx, by = y + dy;
                    }
                if (touching > 2 || best > 4 || nearOther) continue;
                const double a = lum(x, y), b = lum(bx, by);
                pairs.push_back((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
            }
        if (size < 40 || pairs.size() < 20) continue;  // too far off or hidden to judge
        std::nth_element(pairs.begin(), pairs.begin() + pairs.size() / 2, pairs.end());
        contrasts.push_back(pairs[pairs.size() / 2]);
    }
    return contrasts;
}

}  // namespace

// Every style draws its own picture of the same flight, with its label and without GL errors
// (only the occlusion style shows the occlusion alone), and the hazards stand out in each: at
// least 9 in 10 of the objects in view (asteroids, power-ups, the ship) at a contrast of 3:1 or
// more against the ground around them.
TEST_F(CoreTest, EveryStyleDrawsItsOwnPictureWithItsObjectsAtThreeToOneAgainstTheGround) {
    std::vector<std::vector<unsigned char>> scenes;
    for (int style = 0; style < kStyleCount; ++style) {
        SCOPED_TRACE("style " + std::to_string(style));
        startFlight(7);
        toStyle(style);
        for (int i = 0; i < 8; ++i) press(i % 4 == 3 ? GLUT_KEY_F4 : i % 4 == 2 ? GLUT_KEY_F8 : GLUT_KEY_F1), fly(150);
        fly(2500, 50);
        harness::glErrors();
        game.display();
        EXPECT_EQ(harness::glErrors(), "");
        EXPECT_EQ(game.getRenderer().getSSAO()->getOnlySSAO(), style == kSsaoOnly);
        EXPECT_TRUE(near(colourAt(178, 28), gamefolder::labelColour(style + 1))) << "the label";
        const std::vector<unsigned char> picture = backBuffer();
        // The scene, between the overlays at the bottom and the top: not one colour all over.
        const std::vector<unsigned char> scene(picture.begin() + 800 * 4 * 60, picture.begin() + 800 * 4 * 540);
        std::map<int, int> counts;
        int most = 0;
        for (size_t i = 0; i < scene.size(); i += 4) most = std::max(most, ++counts[scene[i] << 16 | scene[i + 1] << 8 | scene[i + 2]]);
        EXPECT_LT(most, 800 * 480 * 95 / 100) << "blank";
        for (size_t k = 0; k < scenes.size(); ++k) EXPECT_GT(differing(scene, scenes[k]), scene.size() / 4 / 10) << "like style " << k;
        scenes.push_back(scene);

        const std::vector<double> contrasts = objectContrasts(picture, objectMask(game));
        const long readable = std::count_if(contrasts.begin(), contrasts.end(), [](double c) { return c >= 3; });
        EXPECT_GE(contrasts.size(), 5u);
        EXPECT_GE(readable * 10, static_cast<long>(contrasts.size()) * 9) << ::testing::PrintToString(contrasts);
    }
}
