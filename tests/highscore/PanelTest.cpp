#include <climits>
#include <vector>

#include "HighscoreFixture.h"
#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Texture.h"

namespace {

class TitledGroup : public EffectGroup {
public:
    explicit TitledGroup(const char* text) {
        name = "Test Shader";
        title = text;
    }
};

// The panel needs the game's current effect group for its title line.
class PanelTest : public hstest::GameFolderTest {
protected:
    void SetUp() override {
        hstest::GameFolderTest::SetUp();
        previousGroup = Game::instance().currentEffectGroup;
        Game::instance().currentEffectGroup = nullptr;
    }
    void TearDown() override {
        Game::instance().currentEffectGroup = previousGroup;
        hstest::GameFolderTest::TearDown();
    }
    EffectGroup* previousGroup = nullptr;
};

struct TexturePixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;  // bottom row first, as OpenGL stores it
    // The texel showing the panel's pixel (x, imageRow), image row 0 at the top as libgd draws
    // it. The loader may have scaled the 400 x 100 panel (to a power of two, say).
    const unsigned char* at(int x, int imageRow) const {
        const int tx = x * width / 400;
        const int ty = height - 1 - imageRow * height / 100;
        return &rgba[(static_cast<std::size_t>(ty) * width + tx) * 4];
    }
};

TexturePixels readTexture(Texture* texture) {
    TexturePixels result;
    glBindTexture(GL_TEXTURE_2D, texture->getID());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &result.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &result.height);
    result.rgba.resize(static_cast<std::size_t>(result.width) * result.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, result.rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return result;
}

bool opaqueGold(const unsigned char* p) {
    return p[3] == 255 && p[0] >= 240 && p[1] >= 205 && p[1] <= 235 && p[2] <= 30;
}

// Rows of the image (top = 0) that hold any visible texel, within columns [x0, x1].
std::pair<int, int> visibleRows(const TexturePixels& t, int x0, int x1) {
    int top = INT_MAX, bottom = INT_MIN;
    for (int row = 0; row < 100; ++row)
        for (int x = x0; x <= x1; ++x)
            if (t.at(x, row)[3] > 0) {
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
    return {top, bottom};
}

int rightmostVisible(const TexturePixels& t, int row0, int row1) {
    int right = -1;
    for (int row = row0; row <= row1; ++row)
        for (int x = 0; x < 400; ++x)
            if (t.at(x, row)[3] > 0) right = std::max(right, x);
    return right;
}

TEST_F(PanelTest, RendersOnlyWhenTheScoreChangesOrWhenForced) {
    HighscoreTable table;
    EXPECT_EQ(nullptr, table.getScoreTexture());
    table.updateScoreImage(1, false);  // the panel starts as if showing 1
    EXPECT_EQ(0, table.getPanelRenderCount());
    EXPECT_EQ(nullptr, table.getScoreTexture());

    table.updateScoreImage(0, false);
    EXPECT_EQ(1, table.getPanelRenderCount());
    ASSERT_NE(nullptr, table.getScoreTexture());
    table.updateScoreImage(0, false);
    EXPECT_EQ(1, table.getPanelRenderCount()) << "same score, not forced: no render";
    table.updateScoreImage(0, true);
    EXPECT_EQ(2, table.getPanelRenderCount());
    table.updateScoreImage(15, false);
    table.updateScoreImage(15, false);
    EXPECT_EQ(3, table.getPanelRenderCount());
    EXPECT_TRUE(glIsTexture(table.getScoreTexture()->getID()));
    EXPECT_EQ("", harness::glErrors());
}

TEST_F(PanelTest, TextureIsTransparentAroundOpaqueGoldText) {
    TitledGroup group("Toon Town");
    Game::instance().currentEffectGroup = &group;
    HighscoreTable table;
    table.updateScoreImage(5, true);
    ASSERT_NE(nullptr, table.getScoreTexture());
    const TexturePixels withTitle = readTexture(table.getScoreTexture());
    ASSERT_GE(withTitle.width, 400);
    ASSERT_EQ(withTitle.width, 4 * withTitle.height) << "the panel's proportions";

    int transparent = 0, gold = 0, black = 0, other = 0;
    for (std::size_t i = 0; i < withTitle.rgba.size(); i += 4) {
        const unsigned char* p = &withTitle.rgba[i];
        if (p[3] == 0)
            ++transparent;
        else if (opaqueGold(p))
            ++gold;
        else if (p[3] == 255 && p[0] < 20 && p[1] < 20 && p[2] < 20)
            ++black;
        else
            ++other;  // anti-aliased edges
    }
    EXPECT_GT(transparent, withTitle.width * withTitle.height * 7 / 10) << "the background is transparent";
    EXPECT_GT(gold, 300) << "opaque gold text";
    EXPECT_GT(black, 300) << "opaque black outline";
    EXPECT_EQ(0, withTitle.at(0, 0)[3]);
    EXPECT_EQ(0, withTitle.at(399, 99)[3]);
    EXPECT_EQ(0, withTitle.at(399, 0)[3]);

    // Title line above the score line, both starting at x = 10.
    const auto titleRows = visibleRows(withTitle, 0, 399);
    EXPECT_GE(titleRows.first, 6);
    EXPECT_LE(titleRows.first, 14) << "title text reaches up to about 20 px above its baseline at 30";
    EXPECT_LE(titleRows.second, 68) << "score baseline at 60";
    EXPECT_EQ(INT_MAX, visibleRows(withTitle, 0, 6).first) << "text starts at x = 10 (outline 2 px)";

    // Without an effect group only the score line is drawn.
    Game::instance().currentEffectGroup = nullptr;
    table.updateScoreImage(5, true);
    const TexturePixels noTitle = readTexture(table.getScoreTexture());
    const auto scoreRows = visibleRows(noTitle, 0, 399);
    EXPECT_GE(scoreRows.first, 36) << "nothing on the title line";
    EXPECT_LE(scoreRows.second, 68);

    // The score is in the picture: a longer number reaches further right.
    const int narrow = rightmostVisible(noTitle, 36, 68);
    table.updateScoreImage(1234567, false);
    const int wide = rightmostVisible(readTexture(table.getScoreTexture()), 36, 68);
    EXPECT_GT(wide, narrow + 60);
    EXPECT_EQ("", harness::glErrors());
}

TEST_F(PanelTest, PanelFollowsTitleChangesAndRendersTheSameForTheSameInput) {
    TitledGroup first("First Style");
    TitledGroup second("Second, longer style");
    HighscoreTable table;
    Game::instance().currentEffectGroup = &first;
    table.updateScoreImage(300, true);
    const TexturePixels a = readTexture(table.getScoreTexture());
    table.updateScoreImage(315, false);
    const TexturePixels aOtherScore = readTexture(table.getScoreTexture());
    Game::instance().currentEffectGroup = &second;
    table.updateScoreImage(300, true);
    const TexturePixels b = readTexture(table.getScoreTexture());
    Game::instance().currentEffectGroup = &first;
    table.updateScoreImage(300, true);
    const TexturePixels aAgain = readTexture(table.getScoreTexture());

    EXPECT_TRUE(a.rgba == aAgain.rgba) << "same title and score give the same panel";
    EXPECT_FALSE(a.rgba == b.rgba);
    EXPECT_FALSE(a.rgba == aOtherScore.rgba);
    // The title line shows the new title (a longer one reaches further right), the score line
    // is the same.
    EXPECT_GT(rightmostVisible(b, 0, 34), rightmostVisible(a, 0, 34) + 60);
    EXPECT_EQ(rightmostVisible(b, 40, 68), rightmostVisible(a, 40, 68));

    // A fresh table draws the very same picture as one that has drawn other panels before.
    HighscoreTable fresh;
    fresh.updateScoreImage(300, true);
    EXPECT_TRUE(readTexture(fresh.getScoreTexture()).rgba == a.rgba);
}

void setUpOverlay() {
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void tearDownOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_DEPTH_TEST);
}

bool isClearBlue(const unsigned char* p) { return p[0] == 0 && p[1] == 0 && p[2] == 255; }

TEST_F(PanelTest, DrawScoreImageShowsThePanelInTheUpperLeft) {
    HighscoreTable table;
    glReadBuffer(GL_BACK);

    // Before the first rendering there is nothing to draw.
    setUpOverlay();
    table.drawScoreImage();
    std::vector<unsigned char> pixels = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    int drawn = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) drawn += isClearBlue(&pixels[i]) ? 0 : 1;
    EXPECT_EQ(0, drawn);
    tearDownOverlay();

    TitledGroup group("Toon Town");
    Game::instance().currentEffectGroup = &group;
    table.updateScoreImage(4321, true);
    setUpOverlay();
    table.drawScoreImage();
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST)) << "the alpha test is switched off again";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "texturing stays on";
    pixels = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    if (std::getenv("LUMIVEX_KEEP_PICTURES")) harness::savePng("/tmp/lumivex-hs-panel.png");
    tearDownOverlay();

    // Window rows counted from the top; the panel covers x < 400 and the top 99 rows.
    int gold = 0, outside = 0, topGoldRow = INT_MAX, bottomGoldRow = INT_MIN;
    for (int y = 0; y < harness::kHeight; ++y) {
        for (int x = 0; x < harness::kWidth; ++x) {
            const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * harness::kWidth + x) * 4];
            const int fromTop = harness::kHeight - 1 - y;
            const bool inPanel = x < 400 && fromTop < 100;
            if (!inPanel) {
                outside += isClearBlue(p) ? 0 : 1;
                continue;
            }
            if (p[0] >= 240 && p[1] >= 205 && p[1] <= 235 && p[2] <= 30) {
                ++gold;
                topGoldRow = std::min(topGoldRow, fromTop);
                bottomGoldRow = std::max(bottomGoldRow, fromTop);
            }
        }
    }
    EXPECT_EQ(0, outside) << "nothing drawn outside the panel";
    EXPECT_GT(gold, 300);
    EXPECT_LT(topGoldRow, 30) << "the title line is at the top: the panel stands upright";
    EXPECT_GT(bottomGoldRow, 45) << "the score line below it";
    EXPECT_LT(bottomGoldRow, 64);
    // Transparent texels let the background through.
    const unsigned char* corner = &pixels[(static_cast<std::size_t>(harness::kHeight - 2) * harness::kWidth + 398) * 4];
    EXPECT_TRUE(isClearBlue(corner));
    EXPECT_EQ("", harness::glErrors());
}

}  // namespace
