#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "core/TestGameFolder.h"
#include "effects/SSAO.h"
#include "platform/Clock.h"
#include "support/GlHarness.h"

using coretest::colourAt;
using coretest::CoreTest;
using coretest::near;
using Rgb = std::array<int, 3>;

namespace {

const char* const kGroupNames[11] = {"Blue/Green Shader", "Black&White",     "SSAO only",    "Phong Shader + SSAO",
                                     "Normal Shader",     "Funky Shader",    "Toon Shader",  "Standard Shader",
                                     "Phong Shader",      "Pure",            "Sunny Shader"};

// One frame through the game's display, then the shown (front) buffer is read.
void showFrame() {
    Game::instance().display();
    glFinish();
    glReadBuffer(GL_BACK);
}

void readBack() { glReadBuffer(GL_BACK); }

Rgb rgb(const gamefolder::Rgb& c) { return {c[0], c[1], c[2]}; }

// Overlay coordinates (-1..1) to window pixels.
int px(float x) { return static_cast<int>(std::lround((x + 1) / 2 * 800)); }
int py(float y) { return static_cast<int>(std::lround((y + 1) / 2 * 600)); }

int whitePixels(int x, int y, int w, int h) {
    std::vector<unsigned char> p = harness::readPixels(x, y, w, h);
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 4)
        if (p[i] == 255 && p[i + 1] == 255 && p[i + 2] == 255) ++n;
    return n;
}

// A group with a name the display does not know.
class MysteryGroup : public EffectGroup {
public:
    MysteryGroup() { name = "Mystery Shader"; }
};

}  // namespace

TEST_F(CoreTest, ScreensShowTheirPictures) {
    glColor3f(1, 0, 0);
    game().state = Title;
    showFrame();
    EXPECT_TRUE(near(colourAt(400, 300), rgb(gamefolder::titleColour()))) << "title is drawn white-modulated";
    readBack();

    game().state = Credits;
    showFrame();
    EXPECT_TRUE(near(colourAt(400, 300), rgb(gamefolder::creditsColour())));
    EXPECT_TRUE(near(colourAt(5, 5), rgb(gamefolder::creditsColour()))) << "the picture fills the window";
    EXPECT_TRUE(near(colourAt(794, 594), rgb(gamefolder::creditsColour())));
    readBack();

    game().state = EnterName;
    game().score = 4711;
    showFrame();
    EXPECT_TRUE(near(colourAt(40, 560), rgb(gamefolder::enterNameColour())));
    const int plain = whitePixels(300, 150, 450, 150);
    readBack();
    EXPECT_GT(plain, 50) << "score and rank lines in pure white";
    for (char c : std::string("WWWWWWWW")) game().keyboard(static_cast<unsigned char>(c), 0, 0);
    showFrame();
    const int withName = whitePixels(300, 150, 450, 150);
    readBack();
    EXPECT_GT(withName, plain + 50) << "the typed name is shown";
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(CoreTest, ImageQuadModulatesAndLeavesReplaceMode) {
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
    glColor3f(1, 0, 1);
    game().drawImageQuad(game().titleTexture, -0.5f, 0.5f, 0, 0.5f, -0.5f, 0);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    const Rgb title = rgb(gamefolder::titleColour());
    EXPECT_TRUE(near(colourAt(400, 300), Rgb{title[0], 0, title[2]})) << "the picture times the colour";
    EXPECT_TRUE(near(colourAt(100, 300), Rgb{51, 102, 153})) << "outside the rectangle";
    EXPECT_TRUE(near(colourAt(400, 100), Rgb{51, 102, 153}));
    EXPECT_TRUE(near(colourAt(205, 155), Rgb{title[0], 0, title[2]})) << "corner a is the top left";

    // The model-view and projection stacks are as they were.
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
}

TEST_F(CoreTest, AMissingPictureIsNeverBound) {
    GLuint other = 0;
    glGenTextures(1, &other);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, other);
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    game().drawFullScreenImage(nullptr);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    EXPECT_TRUE(near(colourAt(400, 300), Rgb{51, 102, 153}));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    EXPECT_EQ(harness::glErrors(), "");
    glDeleteTextures(1, &other);

    // The high-score screen without a picture draws nothing and raises no error.
    Texture* saved = game().highscoreTexture;
    game().highscoreTexture = nullptr;
    game().state = Highscore;
    game().display();
    EXPECT_EQ(harness::glErrors(), "");
    game().highscoreTexture = saved;
}

TEST_F(CoreTest, LabelPictureFollowsTheGroupName) {
    for (int i = 0; i < 11; ++i) {
        EffectGroup* group = coretest::groupNamed(kGroupNames[i]);
        ASSERT_NE(group, nullptr) << kGroupNames[i];
        ASSERT_NE(game().labelTextures[i], nullptr);
        EXPECT_EQ(game().labelTextureFor(kGroupNames[i]), game().labelTextures[i]);
        game().currentEffectGroup = group;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        game().beginOverlay();
        game().drawEffectGroupLabel();
        game().endOverlay();
        EXPECT_TRUE(near(colourAt(px(-0.555f), py(-0.905f)), rgb(gamefolder::labelColour(i + 1))))
            << kGroupNames[i];
        EXPECT_TRUE(near(colourAt(px(-0.1f), py(-0.905f)), Rgb{0, 0, 0})) << "right of the label";
        EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    }

    MysteryGroup* mystery = new MysteryGroup();
    EXPECT_EQ(game().labelTextureFor("Mystery Shader"), game().labelTextures[0]);
    game().currentEffectGroup = mystery;
    glClear(GL_COLOR_BUFFER_BIT);
    game().beginOverlay();
    game().drawEffectGroupLabel();
    game().endOverlay();
    EXPECT_TRUE(near(colourAt(px(-0.555f), py(-0.905f)), rgb(gamefolder::labelColour(1))));
    game().currentEffectGroup = game().getConfig().firstEffectGroup;
    delete mystery;
    EXPECT_EQ(coretest::groupCount(), 11);
    glDisable(GL_LIGHTING);
}

TEST_F(CoreTest, BulletDotsStandInARowFromTheCentre) {
    const Rgb yellow{255, 222, 0}, red{255, 0, 0}, black{0, 0, 0};
    for (int count : {0, 3}) {
        game().bulletCount = count;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        game().beginOverlay();
        game().drawEffectGroupLabel();  // leaves a texture bound, as in the game
        game().drawBulletDots();
        game().endOverlay();
        for (int i = 0; i < 4; ++i) {
            const int x = px(i * 0.05f - 0.12f), y = py(-0.9f);
            if (i < count) {
                EXPECT_TRUE(near(colourAt(x, y, 1), yellow)) << "dot " << i;
                EXPECT_TRUE(near(colourAt(x + 5, y, 0), red)) << "rim of dot " << i;
                EXPECT_TRUE(near(colourAt(x, y - 5, 0), red)) << "rim of dot " << i;
            } else {
                EXPECT_TRUE(near(colourAt(x, y, 1), black)) << "no dot " << i << " with " << count;
            }
        }
        EXPECT_TRUE(near(colourAt(px(-0.095f), py(-0.9f), 0), black)) << "gap between dots";
    }
    glDisable(GL_LIGHTING);
}

TEST_F(CoreTest, OcclusionOnlySwitchFollowsTheSsaoGroup) {
    coretest::startGame();
    SSAO* ssao = game().getSSAO();
    ASSERT_NE(ssao, nullptr);
    const char* order[] = {"SSAO only", "Phong Shader + SSAO", "SSAO only", "Phong Shader + SSAO"};
    const bool expected[] = {true, false, true, false};
    for (int i = 0; i < 4; ++i) {
        game().currentEffectGroup = coretest::groupNamed(order[i]);
        game().display();
        EXPECT_EQ(ssao->getOnlySSAO(), expected[i]) << order[i];
        EXPECT_FALSE(ssao->isActive()) << "the frame ends with the group deactivated";
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(CoreTest, EveryStyleDrawsItsOwnPictureWithoutErrors) {
    const std::string shots = "/tmp/lumivex-core-styles";
    ::mkdir(shots.c_str(), 0755);
    std::vector<std::vector<double>> signatures;
    for (int g = 0; g < 11; ++g) {
        coretest::startGame(1000);
        game().bulletCount = 2;
        game().currentEffectGroup = coretest::groupNamed(kGroupNames[g]);
        harness::glErrors();
        std::string errors;
        for (int frame = 0; frame < 4; ++frame) {
            // As in GLUT's loop after a key press: the frame first (which puts the ship on
            // the ground), then the simulation.
            game().display();
            errors += harness::glErrors();
            testclock::advance(40);
            game().idle();
        }
        game().display();
        errors += harness::glErrors();
        EXPECT_EQ(errors, "") << kGroupNames[g];
        EXPECT_EQ(game().state, Playing);
        GLfloat colour[4] = {0, 0, 0, 0};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_TRUE(colour[0] == 1 && colour[1] == 1 && colour[2] == 1 && colour[3] == 1)
            << kGroupNames[g] << " leaves the colour " << colour[0] << "," << colour[1] << "," << colour[2];
        GLint func = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &func);
        EXPECT_EQ(func, GL_LEQUAL);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

        glFinish();
        glReadBuffer(GL_BACK);
        harness::savePng(shots + "/style" + std::to_string(g + 1) + ".png");
        std::vector<unsigned char> p = harness::readPixels(0, 0, 800, 600);
        readBack();
        // Distinct colours and an 8 x 6 grid of block averages.
        std::set<int> colours;
        std::vector<double> sig(48 * 3, 0.0);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const unsigned char* q = &p[(static_cast<size_t>(y) * 800 + x) * 4];
                if ((x % 7) == 0 && (y % 7) == 0) colours.insert(q[0] << 16 | q[1] << 8 | q[2]);
                const int cell = (y / 100) * 8 + x / 100;
                for (int c = 0; c < 3; ++c) sig[static_cast<size_t>(cell) * 3 + c] += q[c] / 10000.0;
            }
        EXPECT_GT(colours.size(), 20u) << kGroupNames[g] << " looks blank";
        signatures.push_back(sig);
    }
    for (size_t a = 0; a < signatures.size(); ++a)
        for (size_t b = a + 1; b < signatures.size(); ++b) {
            double diff = 0;
            for (size_t i = 0; i < signatures[a].size(); ++i) diff += std::fabs(signatures[a][i] - signatures[b][i]);
            EXPECT_GT(diff / signatures[a].size(), 1.0) << kGroupNames[a] << " and " << kGroupNames[b] << " look alike";
        }
}
