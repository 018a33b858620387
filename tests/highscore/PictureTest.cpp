// The high-score picture and the score panel, drawn with libgd and read back.
#include <GL/glew.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "framework/Texture.h"
#include "highscore/HighscorePicture.h"
#include "highscore/ScorePanel.h"
#include "support/GlHarness.h"

namespace {

using Picture = std::unique_ptr<gdImage, void (*)(gdImagePtr)>;

// Counts in a rectangle of a picture: the red and gold text fill, and anything that is not the
// plain background (text and outline) with its leftmost and rightmost column.
struct Census {
    int red = 0, gold = 0, text = 0, left = INT_MAX, right = -1;
};

// A private game folder with a plain 800 x 600 Textures/highscore.jpg and our Faktos.ttf, as
// working directory and libgd's font folder.
class HighscoreTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd.ok());
        ASSERT_EQ(mkdir("Textures", 0755), 0);
        Picture background(gdImageCreateTrueColor(800, 600), gdImageDestroy);
        gdImageFilledRectangle(background.get(), 0, 0, 799, 599, gdTrueColor(30, 60, 110));
        FILE* f = std::fopen("Textures/highscore.jpg", "wb");
        ASSERT_NE(f, nullptr);
        gdImageJpeg(background.get(), f, 95);
        std::fclose(f);
        harness::writeFileText("Faktos.ttf", harness::readFileText(LUMIVEX_GAME_DIR "/Faktos.ttf"));
        HighscorePicture::useGameFolderFonts();
    }
    ~HighscoreTest() override { harness::removeTree(dir); }

    // A PNG or JPEG of the game folder, decoded (null when missing or broken).
    static Picture picture(const std::string& name = "Textures/highscore.png") {
        std::string bytes = harness::readFileText(name);
        const int size = static_cast<int>(bytes.size());
        const bool png = bytes.rfind("\x89PNG", 0) == 0;
        return Picture(png ? gdImageCreateFromPngPtr(size, bytes.data()) : gdImageCreateFromJpegPtr(size, bytes.data()),
                       gdImageDestroy);
    }
    // One finished game against the given table: rank computed, name typed, entry confirmed.
    int enter(const std::string& before, int score, const std::string& name) {
        harness::writeFileText("highscore.txt", before);
        store.load(table);
        const int rank = table.computeRank(score);
        table.appendToName(name);
        HighscorePicture::commitAndRender(table, store);
        return rank;
    }
    // The band of the table row whose baseline is at y (the text stands above it).
    static Census row(gdImagePtr p, int y, int x0 = 180, int x1 = 760) {
        Census c;
        for (int yy = y - 24; yy <= y + 3; ++yy)
            for (int x = x0; x <= x1; ++x) {
                const int v = gdImageGetTrueColorPixel(p, x, yy);
                const int r = gdTrueColorGetRed(v), g = gdTrueColorGetGreen(v), b = gdTrueColorGetBlue(v);
                c.red += r >= 200 && g <= 70 && b <= 70;
                c.gold += r >= 200 && g >= 180 && g <= 250 && b <= 80;
                if (std::abs(r - 30) > 12 || std::abs(g - 60) > 12 || std::abs(b - 110) > 12)
                    ++c.text, c.left = std::min(c.left, x), c.right = std::max(c.right, x);
            }
        return c;
    }

    const std::string dir = harness::makeTempDir("lumivex-hs");
    harness::ScopedCwd cwd{dir};
    const HighscoreStore store;
    HighscoreTable table;
};

// The new row in red, the others in gold; scores right-aligned to end at 350, and the largest
// one clear of the rank column.
TEST_F(HighscoreTest, TheNewRowIsRedAndScoresAreRightAlignedClearOfTheRank) {
    ASSERT_EQ(enter("99999999999;Huge\n300;Old\n", 7, "New"), 3);
    const Picture p = picture();
    ASSERT_TRUE(p);
    for (int rank = 1; rank <= 3; ++rank) {
        const Census c = row(p.get(), 270 + 30 * rank);
        EXPECT_GT(rank == 3 ? c.red : c.gold, 100) << "rank " << rank;
        EXPECT_EQ(rank == 3 ? c.gold : c.red, 0) << "rank " << rank;
    }
    EXPECT_EQ(row(p.get(), 390).text, 0);
    const Census longScore = row(p.get(), 300, 240, 396), shortScore = row(p.get(), 360, 240, 396);
    EXPECT_NEAR(shortScore.right, 351, 3);  // the black outline reaches 2 pixels past the glyphs
    EXPECT_NEAR(longScore.right, shortScore.right, 1);
    EXPECT_LT(longScore.left + 50, shortScore.left);
    bool gap = false;  // a column without text between the rank and the score
    for (int x = 220; x <= 245 && !gap; ++x) gap = row(p.get(), 300, x, x).text == 0;
    EXPECT_TRUE(gap);
}

TEST_F(HighscoreTest, NewEntryBelowTheTopFiveIsShownUnderThemWithTheEntryAbove) {
    ASSERT_EQ(enter("700;A\n600;B\n500;C\n400;D\n300;E\n200;F\n100;G\n", 50, "Zed"), 8);
    const Picture p = picture();
    ASSERT_TRUE(p);
    for (int y : {300, 330, 360, 390, 420}) EXPECT_GT(row(p.get(), y).gold, 100) << "y " << y;
    // Below the top five exactly rank 7 in gold at y = 465 and rank 8 in red at y = 495: nothing at 525.
    const Picture expected = picture("Textures/highscore.jpg");
    HighscorePicture::drawRow(expected.get(), gdTrueColor(255, 223, 0), 465, 7, 100, "G");
    HighscorePicture::drawRow(expected.get(), gdTrueColor(255, 0, 0), 495, 8, 50, "Zed");
    int differing = 0;
    for (int y = 426; y < 560; ++y)
        for (int x = 0; x < 800; ++x)
            differing += gdImageGetTrueColorPixel(p.get(), x, y) != gdImageGetTrueColorPixel(expected.get(), x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(row(p.get(), 495).red, 100);
}

TEST_F(HighscoreTest, MissingBackgroundRewritesTheFileAndKeepsTheOldPicture) {
    harness::writeFileText("Textures/highscore.png", "old picture");
    ASSERT_EQ(unlink("Textures/highscore.jpg"), 0);
    enter("", 10, "Ann");
    EXPECT_EQ(harness::readFileText("highscore.txt"), "10;Ann\n");
    EXPECT_TRUE(harness::readFileText("Textures/highscore.png") == "old picture") << "the old picture was replaced";
}

// The folder's Faktos.ttf draws the text, quietly. A cut, random, empty or missing one is said
// once, and the table and the score panel are drawn in a font of the system's: a table in no
// font at all looks empty.
TEST_F(HighscoreTest, TheFolderFontDrawsAndADamagedOneIsSaidOnceAndReplaced) {
    harness::captureStdout();
    EXPECT_STREQ(HighscorePicture::font(), "Faktos.ttf");
    EXPECT_EQ(harness::capturedStdout(), "");
    const std::string good = harness::readFileText("Faktos.ttf");
    std::string noise = good;
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::pair<const char*, std::string> damages[] = {
        {"cut", good.substr(0, good.size() / 2)}, {"random", noise}, {"empty", ""}, {"missing", ""}};
    for (const auto& [how, bytes] : damages) {
        SCOPED_TRACE(how);
        harness::writeFileText("Faktos.ttf", bytes);
        if (std::string(how) == "missing") unlink("Faktos.ttf");
        harness::captureStdout();
        HighscorePicture::useGameFolderFonts();
        enter("300;Old\n", 500, "New");
        const std::vector<unsigned char> panel = PanelPicture().render(120, "Toon");
        const std::string said = harness::capturedStdout();
        EXPECT_EQ(said.rfind("The font Faktos.ttf cannot be used (", 0), 0u) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "once: " << said;
        const Picture table = picture();
        ASSERT_TRUE(table);
        EXPECT_GT(row(table.get(), 300).red, 100);
        EXPECT_GT(row(table.get(), 330).gold, 100);
        ASSERT_EQ(panel.size(), static_cast<size_t>(PanelPicture::kWidth) * PanelPicture::kHeight * 4);
        int gold = 0;  // in the score line's rows, as row() counts it
        for (size_t i = 36 * PanelPicture::kWidth * 4; i < 64 * PanelPicture::kWidth * 4; i += 4)
            gold += panel[i + 3] > 0 && panel[i] >= 200 && panel[i + 1] >= 180 && panel[i + 1] <= 250 && panel[i + 2] <= 80;
        EXPECT_GT(gold, 150) << "the score line";
    }
}

TEST_F(HighscoreTest, PanelRendersOncePerScoreAsGoldOnTransparencySetsALongTitleSmallerAndKeepsItsLines) {
    ScorePanel panel;
    panel.updateScoreImage(5, false, nullptr);
    panel.updateScoreImage(5, false, nullptr);
    EXPECT_EQ(panel.getPanelRenderCount(), 1);
    panel.updateScoreImage(5, true, "Screen Space Ambient Occlusion");
    EXPECT_EQ(panel.getPanelRenderCount(), 2);
    ASSERT_NE(panel.getScoreTexture(), nullptr);
    int w = 0, h = 0, transparent = 0, gold = 0, titleTexels = 0, maxX = 0;
    const auto texels = harness::readTexture(GL_TEXTURE_2D, panel.getScoreTexture()->getID(), &w, &h);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* t = &texels[(static_cast<size_t>(y) * w + x) * 4];
            transparent += t[3] == 0;
            gold += t[3] == 255 && t[0] >= 240 && t[1] >= 205 && t[1] <= 235 && t[2] <= 30;
            if (y < h / 2 || t[3] == 0) continue;  // the title line is the upper half (rows run bottom up)
            ++titleTexels, maxX = std::max(maxX, x);
        }
    EXPECT_GT(transparent, w * h * 7 / 10);
    EXPECT_GT(gold, 150);
    EXPECT_EQ(texels[3] | texels.back(), 0);  // both corners
    EXPECT_GT(titleTexels, 500);
    EXPECT_LT(maxX, w - 3) << "the title reaches the last two pixels of the panel";

    // Lines kept from earlier panels come out as the lines drawn afresh.
    PanelPicture kept;
    for (const auto& [score, title] : std::vector<std::pair<int, const char*>>{
             {5, "Toon"}, {5, "Ice Age"}, {120, "Ice Age"}, {120, "Toon"}, {7, nullptr}, {-40, "Funky!"}})
        EXPECT_TRUE(kept.render(score, title) == PanelPicture().render(score, title)) << score << (title ? title : "");
}


}  // namespace
