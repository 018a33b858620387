#include <cmath>
#include <cstring>
#include <map>

#include "CoreTest.h"
#include "effects/SSAO.h"
#include "framework/ShaderProgram.h"

namespace {

// The frame after drawing the given styles in turn, from a new game; the overlays included.
// A fresh start has GL's own light 0 (a headlight, switched off) unless fresh is false.
std::vector<unsigned char> frameAfter(std::initializer_list<int> styles, bool fresh = false) {
    Game& game = Game::instance();
    if (fresh) {
        const GLfloat headlight[4] = {0, 0, 1, 0};
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, headlight);
        glDisable(GL_LIGHT0);
    }
    startGame(1000);
    for (int style : styles) {
        game.session.currentEffectGroup = groupAt(style);
        game.display();
    }
    glReadBuffer(GL_BACK);
    return harness::readPixels(0, 0, 800, 600);
}

int luma(const std::vector<unsigned char>& p, int x, int y) {
    const unsigned char* c = &p[(static_cast<size_t>(y) * 800 + x) * 4];
    return (299 * c[0] + 587 * c[1] + 114 * c[2]) / 1000;
}

// Overlay coordinates (-1 .. 1) to window pixels.
int px(float x) { return static_cast<int>(std::lround((x + 1) * 400)); }
int py(float y) { return static_cast<int>(std::lround((y + 1) * 300)); }

// The overlay as the Playing frame draws it: the label, then the bullet dots.
void drawHud() {
    Game& game = Game::instance();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    game.beginOverlay();
    game.drawEffectGroupLabel();
    game.drawBulletDots();
    game.endOverlay();
    glDisable(GL_LIGHTING);
}

// Counts glUseProgram calls per program while a frame is drawn (GLEW's entry point swapped).
std::map<GLuint, int> programUses;
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
void GLAPIENTRY countingUseProgram(GLuint program) {
    ++programUses[program];
    realUseProgram(program);
}

std::map<GLuint, int> programsUsedInOneFrame() {
    programUses.clear();
    realUseProgram = glUseProgram;
    glUseProgram = countingUseProgram;
    Game::instance().display();
    glUseProgram = realUseProgram;
    return programUses;
}

}  // namespace

TEST_F(CoreTest, HudShowsTheGroupLabelAndTheBulletDots) {
    for (int i = 0; i < 11; ++i) {
        game.session.currentEffectGroup = groupAt(i);
        drawHud();
        EXPECT_TRUE(near(colourAt(px(-0.555f), py(-0.905f)), gamefolder::labelColour(i + 1))) << "style " << i;
    }

    game.bulletCount = 3;
    drawHud();
    for (float x : {-0.12f, -0.07f, -0.02f}) EXPECT_TRUE(near(colourAt(px(x), py(-0.9f), 1), Rgb{255, 222, 0})) << x;
    EXPECT_TRUE(near(colourAt(px(0.03f), py(-0.9f), 1), Rgb{0, 0, 0})) << "no fourth dot";
}

TEST_F(CoreTest, ImageQuadsLeaveReplaceModeAndNeverBindAMissingPicture) {
    GLuint other = 0;
    glGenTextures(1, &other);
    for (Texture* picture : {static_cast<Texture*>(nullptr), game.titleTexture}) {
        glBindTexture(GL_TEXTURE_2D, other);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        game.drawImageQuad(picture, -0.5f, 0.5f, 0, 0.5f, -0.5f, 0);
        GLint mode = 0, bound = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(mode, GL_REPLACE);
        EXPECT_EQ(static_cast<GLuint>(bound) == other, picture == nullptr) << "a missing picture is never bound";
        EXPECT_EQ(near(colourAt(400, 300), gamefolder::titleColour()), picture != nullptr);
    }
    glDeleteTextures(1, &other);
    glDisable(GL_LIGHTING);
}

// An occlusion frame runs each of its passes once, after the scene is in its targets; the
// normals style draws through the normal-only program and runs no occlusion at all.
TEST_F(CoreTest, EachOcclusionPassRunsOncePerFrameAndTheNormalsStyleRunsNone) {
    const SSAO* ssao = game.getSSAO();
    const GLuint geometry = ssao->getGeometryProgram()->getProgram(), normals = ssao->getNormalProgram()->getProgram(),
                 occlusion = ssao->getOcclusionProgram()->getProgram(), combine = ssao->getCombineProgram()->getProgram(),
                 blur = ssao->getBlurProgram()->getProgram();
    ASSERT_TRUE(geometry && normals && occlusion && combine && blur);
    for (int style : {kSsaoOnly, kPhongSsao, kNormalView}) {
        startGame(1000);
        game.session.currentEffectGroup = groupAt(style);
        game.display();
        std::map<GLuint, int> uses = programsUsedInOneFrame();
        const bool occluded = style != kNormalView;
        EXPECT_EQ(uses[occlusion], occluded ? 1 : 0) << "style " << style;
        EXPECT_EQ(uses[combine], occluded ? 1 : 0) << "style " << style;
        EXPECT_EQ(uses[blur], occluded ? 1 : 0) << "style " << style;  // both directions in one use
        EXPECT_EQ(uses[geometry], occluded ? 1 : 0) << "style " << style;
        EXPECT_EQ(uses[normals], occluded ? 0 : 1) << "style " << style;
        EXPECT_EQ(harness::glErrors(), "") << "style " << style;
    }
}

TEST_F(CoreTest, EveryStyleDrawsItsOwnPictureWithoutGlErrorsAndOnlyOneShowsOcclusionAlone) {
    std::vector<std::vector<unsigned char>> pictures;
    for (int name = 0; name < 11; ++name) {
        startGame(1000);
        game.bulletCount = 2;
        game.session.currentEffectGroup = groupAt(name);
        harness::glErrors();
        std::string errors;
        for (int frame = 0; frame < 5; ++frame) {
            testclock::advance(200);  // a second of flight: the chase camera has settled behind the ship
            game.idle();
            game.display();
            errors += harness::glErrors();
        }
        EXPECT_EQ(game.getSSAO()->getOnlySSAO(), name == kSsaoOnly) << "style " << name;
        EXPECT_EQ(errors, "") << "style " << name;
        glReadBuffer(GL_BACK);
        // The scene, between the overlays at the bottom and the top: not one colour all over.
        const std::vector<unsigned char> p = harness::readPixels(0, 60, 800, 480);
        std::map<int, int> counts;
        int most = 0;
        for (size_t i = 0; i < p.size(); i += 4) most = std::max(most, ++counts[p[i] << 16 | p[i + 1] << 8 | p[i + 2]]);
        EXPECT_LT(most, 800 * 480 * 95 / 100) << "style " << name << " looks blank";
        for (size_t k = 0; k < pictures.size(); ++k) {
            size_t differing = 0;
            for (size_t i = 0; i < p.size(); i += 4) differing += std::memcmp(&p[i], &pictures[k][i], 3) != 0;
            EXPECT_GT(differing, p.size() / 40) << "style " << name << " looks like style " << k;
        }
        pictures.push_back(p);
    }
}

// Nothing a style sets (light 0 above the ship, above all) may show in the styles after it:
// every style draws the same frame straight from a new game and after a detour through Toon.
TEST_F(CoreTest, EveryStyleLooksTheSameWhateverStyleCameBefore) {
    for (int style = 0; style < 11; ++style) {
        if (style == kToon) continue;
        const std::vector<unsigned char> straight = frameAfter({style, style}, true), detour = frameAfter({kToon, style});
        size_t differing = 0;
        for (size_t i = 0; i < straight.size(); i += 4) differing += std::memcmp(&straight[i], &detour[i], 3) != 0;
        EXPECT_EQ(differing, 0u) << "style " << style;
    }
}

// Cel shading reads at a glance: the ground in a few flat bands, and a horizon without speckle.
TEST_F(CoreTest, ToonGroundIsFourBandsAtMostAndItsHorizonHasNoSpeckle) {
    startGame(1000);
    game.session.currentEffectGroup = groupAt(kToon);
    for (int frame = 0; frame < 6; ++frame) {
        testclock::advance(40);
        game.idle();
        game.display();
    }
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> p = harness::readPixels(0, 0, 800, 600);

    // The ground below the ship, clear of the label: brightness values that cover 1 % of it.
    std::map<int, int> shares;
    for (int y = 70; y < 130; ++y)
        for (int x = 0; x < 800; ++x) ++shares[luma(p, x, y)];
    int bands = 0;
    for (const auto& share : shares) bands += share.second * 100 >= 800 * 60;
    EXPECT_LE(bands, 4);
    EXPECT_GE(bands, 1);

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
