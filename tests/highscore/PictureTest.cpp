#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "HighscoreFixture.h"
#include "framework/Texture.h"
#include "highscore/ScorePanel.h"

namespace {

TEST_F(HighscoreTest, NewScoreRanksAboveEqualOnesAndItsRowIsRed) {
    write("highscore.txt", "500;Al\n300;Old\n100;Cid\n");
    EXPECT_EQ(enter(300, "New"), 2);
    const Picture p = picture();
    ASSERT_TRUE(p);
    for (int rank = 1; rank <= 4; ++rank) {
        const Census c = row(p.get(), 270 + 30 * rank);
        EXPECT_GT(rank == 2 ? c.red : c.gold, 100) << "rank " << rank;
        EXPECT_EQ(rank == 2 ? c.gold : c.red, 0) << "rank " << rank;
    }
    EXPECT_EQ(row(p.get(), 420).text, 0);
}

TEST_F(HighscoreTest, NewEntryBelowTheTopFiveIsShownUnderThemWithTheEntryAbove) {
    write("highscore.txt", "700;A\n600;B\n500;C\n400;D\n300;E\n200;F\n100;G\n");
    ASSERT_EQ(enter(50, "Zed"), 8);
    const Picture p = picture();
    ASSERT_TRUE(p);
    for (int y : {300, 330, 360, 390, 420}) EXPECT_GT(row(p.get(), y).gold, 100) << "y " << y;
    EXPECT_GT(row(p.get(), 495).red, 100);
    // Below the top five exactly rank 7 in gold at y = 465 and rank 8 in red at y = 495: nothing at 525.
    const Picture expected = picture("Textures/highscore.jpg");
    HighscorePicture::drawRow(expected.get(), gdTrueColor(255, 223, 0), 465, 7, 100, "G");
    HighscorePicture::drawRow(expected.get(), gdTrueColor(255, 0, 0), 495, 8, 50, "Zed");
    int differing = 0;
    for (int y = 426; y < 560; ++y)
        for (int x = 0; x < 800; ++x)
            differing += gdImageGetTrueColorPixel(p.get(), x, y) != gdImageGetTrueColorPixel(expected.get(), x, y);
    EXPECT_EQ(differing, 0);
}

TEST_F(HighscoreTest, ScoresAreRightAlignedToEndAt350) {
    write("highscore.txt", "12345;Long\n");
    ASSERT_EQ(enter(7, "Short"), 2);
    const Picture p = picture();
    ASSERT_TRUE(p);
    const Census longScore = row(p.get(), 300, 240, 396), shortScore = row(p.get(), 330, 240, 396);
    EXPECT_NEAR(shortScore.right, 351, 3);  // the black outline reaches 2 pixels past the glyphs
    EXPECT_NEAR(longScore.right, shortScore.right, 1);
    EXPECT_LT(longScore.left + 50, shortScore.left);
}

TEST_F(HighscoreTest, TheLargestScoreKeepsClearOfTheRankColumn) {
    write("highscore.txt", "99999999999;Huge\n");
    ASSERT_EQ(enter(7, "Small"), 2);
    const Picture p = picture();
    ASSERT_TRUE(p);
    bool gap = false;  // a column without text between the rank and the score
    for (int x = 220; x <= 245 && !gap; ++x) gap = row(p.get(), 300, x, x).text == 0;
    EXPECT_TRUE(gap);
}

TEST_F(HighscoreTest, MissingBackgroundRewritesTheFileAndKeepsTheOldPicture) {
    write("Textures/highscore.png", "old picture");
    ASSERT_EQ(unlink((dir + "/Textures/highscore.jpg").c_str()), 0);
    enter(10, "Ann");
    EXPECT_EQ(read("highscore.txt"), "10;Ann\n");
    EXPECT_TRUE(read("Textures/highscore.png") == "old picture") << "the old picture was replaced";
}

TEST_F(HighscoreTest, TextIsDrawnWithTheGameFolderFont) {
    gdFTStringExtra extra = {};
    extra.flags = gdFTEX_RETURNFONTPATHNAME;
    int rect[8];
    char font[] = "Faktos.ttf", text[] = "Score";
    ASSERT_EQ(gdImageStringFTEx(nullptr, rect, 0, font, 20.0, 0.0, 0, 0, text, &extra), nullptr);
    ASSERT_NE(extra.fontpath, nullptr);
    EXPECT_EQ(std::string(extra.fontpath), std::filesystem::canonical(dir).string() + "/Faktos.ttf");
    gdFree(extra.fontpath);
}

TEST_F(HighscoreTest, PanelRendersOncePerScoreAsGoldOnTransparencyAndSetsALongTitleSmaller) {
    ScorePanel panel;
    panel.updateScoreImage(5, false, nullptr);
    panel.updateScoreImage(5, false, nullptr);
    EXPECT_EQ(panel.getPanelRenderCount(), 1);
    panel.updateScoreImage(5, true, "Screen Space Ambient Occlusion");
    EXPECT_EQ(panel.getPanelRenderCount(), 2);
    ASSERT_NE(panel.getScoreTexture(), nullptr);
    int w = 0, h = 0, transparent = 0, gold = 0, titleTexels = 0, edgeTexels = 0, maxX = 0;
    const auto texels = harness::readTexture(GL_TEXTURE_2D, panel.getScoreTexture()->getID(), &w, &h);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* t = &texels[(static_cast<size_t>(y) * w + x) * 4];
            transparent += t[3] == 0;
            gold += t[3] == 255 && t[0] >= 240 && t[1] >= 205 && t[1] <= 235 && t[2] <= 30;
            if (y < h / 2 || t[3] == 0) continue;  // the title line is the upper half (rows run bottom up)
            ++titleTexels;
            edgeTexels += x >= w - 3;  // the last two pixels of the panel
            maxX = std::max(maxX, x);
        }
    EXPECT_GT(transparent, w * h * 7 / 10);
    EXPECT_GT(gold, 150);
    EXPECT_EQ(texels[3] | texels.back(), 0);  // both corners
    EXPECT_GT(titleTexels, 500);
    EXPECT_EQ(edgeTexels, 0) << "title reaches x = " << maxX << " of " << w;
}

}  // namespace
