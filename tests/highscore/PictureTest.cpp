#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "HighscoreFixture.h"

namespace {

using hstest::GameFolderTest;

// Writes a table file with the given scores, named "N<score>", highest first.
void writeTable(const std::string& path, const std::vector<int>& scores) {
    std::string text;
    for (int score : scores) text += std::to_string(score) + ";N" + std::to_string(score) + "\n";
    harness::writeFileText(path, text);
}

// The rightmost and leftmost columns in [x0, x1] of a row band that hold text (not background).
std::pair<int, int> textSpan(gdImagePtr image, int baseline, int x0, int x1) {
    int left = INT_MAX, right = INT_MIN;
    for (int y = baseline - 24; y <= baseline + 3; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const int c = gdImageGetTrueColorPixel(image, x, y);
            if (!hstest::isBackground(hstest::red(c), hstest::green(c), hstest::blue(c))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

TEST_F(GameFolderTest, NewEntryRowIsRedAndTheOthersGold) {
    writeTable(path("highscore.txt"), {900, 800, 700, 600, 500, 400, 300, 200, 100});
    HighscoreTable table;
    ASSERT_EQ(3, enter(table, 750, "Neo"));
    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(800, gdImageSX(picture));
    EXPECT_EQ(600, gdImageSY(picture));

    for (int row = 1; row <= 5; ++row) {
        const int y = 270 + 30 * row;
        const hstest::Census c = hstest::rowCensus(picture, y);
        if (row == 3) {
            EXPECT_GT(c.red, 100) << "row " << row;
            EXPECT_EQ(0, c.gold) << "row " << row;
        } else {
            EXPECT_GT(c.gold, 100) << "row " << row;
            EXPECT_EQ(0, c.red) << "row " << row;
        }
        EXPECT_GT(c.black, 200) << "black outline of row " << row;
        EXPECT_GE(textSpan(picture, y, 170, 260).first, 196) << "rank starts at x = 200";
        EXPECT_LE(textSpan(picture, y, 170, 260).first, 202) << "rank starts at x = 200";
        EXPECT_GE(textSpan(picture, y, 380, 700).first, 396) << "name starts at x = 400";
        EXPECT_LE(textSpan(picture, y, 380, 700).first, 402) << "name starts at x = 400";
        // Rank, score and name columns all hold text.
        EXPECT_GT(hstest::census(picture, 195, y - 24, 240, y + 3).other, 20) << "rank of row " << row;
        EXPECT_GT(hstest::census(picture, 280, y - 24, 352, y + 3).other, 20) << "score of row " << row;
        EXPECT_GT(hstest::census(picture, 398, y - 24, 520, y + 3).other, 20) << "name of row " << row;
    }
    EXPECT_EQ(0, hstest::census(picture, 0, 0, 799, 270).other) << "nothing above the first row";
    EXPECT_EQ(0, hstest::census(picture, 0, 428, 799, 570).other) << "a new entry in the top five adds no rows";
    EXPECT_EQ(0, hstest::census(picture, 0, 300, 170, 570).other) << "nothing left of the rank column";
    gdImageDestroy(picture);
}

// The whole expected picture, drawn piece by piece on the same background.
gdImagePtr expectedPicture(const std::string& background, const std::vector<std::tuple<int, int, int, int, std::string>>& rows) {
    const std::string bytes = harness::readFileText(background);
    gdImagePtr canvas = gdImageCreateFromJpegPtr(static_cast<int>(bytes.size()), const_cast<char*>(bytes.data()));
    if (!canvas) return nullptr;
    for (const auto& [colour, y, rank, score, name] : rows) HighscoreTable::drawRow(canvas, colour, y, rank, score, name);
    HighscoreTable::drawOutlinedText(canvas, gdTrueColor(0, 0, 0), "Faktos.ttf", 50.0, -5, 590,
                                     std::string(83, '_').c_str(), false);
    return canvas;
}

int differingPixels(gdImagePtr a, gdImagePtr b) {
    int count = 0;
    for (int y = 0; y < gdImageSY(a); ++y)
        for (int x = 0; x < gdImageSX(a); ++x)
            if ((gdImageGetTrueColorPixel(a, x, y) & 0xffffff) != (gdImageGetTrueColorPixel(b, x, y) & 0xffffff))
                ++count;
    return count;
}

TEST_F(GameFolderTest, NewEntryBelowTheTopFiveIsShownWithItsNeighbours) {
    const int gold = gdTrueColor(255, 223, 0), red = gdTrueColor(255, 0, 0);
    {
        SCOPED_TRACE("rank 8 of 8: the entry above, the new one, nothing below");
        writeTable(path("highscore.txt"), {700, 600, 500, 400, 300, 200, 100});
        HighscoreTable table;
        ASSERT_EQ(8, enter(table, 50, "Zed"));
        gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
        ASSERT_NE(nullptr, picture);
        for (int y : {300, 330, 360, 390, 420, 465}) {
            EXPECT_GT(hstest::rowCensus(picture, y).gold, 100) << "y " << y;
            EXPECT_EQ(0, hstest::rowCensus(picture, y).red) << "y " << y;
        }
        EXPECT_GT(hstest::rowCensus(picture, 495).red, 100);
        EXPECT_EQ(0, hstest::rowCensus(picture, 495).gold);
        EXPECT_EQ(0, hstest::census(picture, 0, 501, 799, 570).other) << "nothing at y = 525";
        EXPECT_EQ(0, hstest::census(picture, 0, 426, 799, 438).other) << "no sixth row at y = 450";

        gdImagePtr expected = expectedPicture(path("Textures/highscore.jpg"),
                                              {{gold, 300, 1, 700, "N700"},
                                               {gold, 330, 2, 600, "N600"},
                                               {gold, 360, 3, 500, "N500"},
                                               {gold, 390, 4, 400, "N400"},
                                               {gold, 420, 5, 300, "N300"},
                                               {gold, 465, 7, 100, "N100"},
                                               {red, 495, 8, 50, "Zed"}});
        ASSERT_NE(nullptr, expected);
        EXPECT_EQ(0, differingPixels(expected, picture));
        gdImageDestroy(expected);
        gdImageDestroy(picture);
    }
    {
        SCOPED_TRACE("rank 7 of 9: the entry above, the new one, the entry below");
        writeTable(path("highscore.txt"), {700, 600, 500, 400, 300, 200, 100, 90});
        HighscoreTable table;
        ASSERT_EQ(7, enter(table, 150, "Mia"));
        gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
        ASSERT_NE(nullptr, picture);
        EXPECT_GT(hstest::rowCensus(picture, 525).gold, 100);
        gdImagePtr expected = expectedPicture(path("Textures/highscore.jpg"),
                                              {{gold, 300, 1, 700, "N700"},
                                               {gold, 330, 2, 600, "N600"},
                                               {gold, 360, 3, 500, "N500"},
                                               {gold, 390, 4, 400, "N400"},
                                               {gold, 420, 5, 300, "N300"},
                                               {gold, 465, 6, 200, "N200"},
                                               {red, 495, 7, 150, "Mia"},
                                               {gold, 525, 8, 100, "N100"}});
        ASSERT_NE(nullptr, expected);
        EXPECT_EQ(0, differingPixels(expected, picture));
        gdImageDestroy(expected);
        gdImageDestroy(picture);
    }
}

TEST_F(GameFolderTest, ScoresAreRightAlignedAtTheScoreColumn) {
    write("highscore.txt", "12345;Long\n");
    HighscoreTable table;
    ASSERT_EQ(2, enter(table, 7, "Short"));
    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture);
    const auto longScore = textSpan(picture, 300, 240, 396);
    const auto shortScore = textSpan(picture, 330, 240, 396);
    EXPECT_NEAR(longScore.second, shortScore.second, 1) << "both end at the same column";
    EXPECT_GE(shortScore.second, 348);
    EXPECT_LE(shortScore.second, 355) << "the black outline reaches 2 pixels past the glyphs";
    EXPECT_LT(longScore.first + 50, shortScore.first) << "the longer number starts further left";
    gdImageDestroy(picture);
}

// The outlined text drawn the plain way: sixteen black libgd draws at the outline offsets, in
// order, then the text itself in its colour.
void referenceOutlinedText(gdImagePtr image, int colour, double points, int x, int y, const char* text, bool right) {
    int rect[8] = {0};
    gdImageStringFT(nullptr, rect, colour, "Faktos.ttf", points, 0.0, 0, 0, text);
    const int left = x - (right ? rect[2] - rect[0] : 0);
    const int offsets[16][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0},  {-1, 1}, {0, 1},  {1, 1},
                                {-2, -2}, {0, -2}, {2, -2}, {-2, 0}, {2, 0}, {-2, 2}, {0, 2}, {2, 2}};
    for (const auto& o : offsets) gdImageStringFT(image, rect, 0, "Faktos.ttf", points, 0.0, left + o[0], y + o[1], text);
    gdImageStringFT(image, rect, colour, "Faktos.ttf", points, 0.0, left, y, text);
}

struct Difference {
    int pixels = 0;   // pixels that differ at all
    int largest = 0;  // largest difference of one channel (alpha included)
};

Difference compare(gdImagePtr a, gdImagePtr b) {
    Difference d;
    for (int y = 0; y < gdImageSY(a); ++y) {
        for (int x = 0; x < gdImageSX(a); ++x) {
            const int p = gdImageGetTrueColorPixel(a, x, y), q = gdImageGetTrueColorPixel(b, x, y);
            if (p == q) continue;
            ++d.pixels;
            for (int shift : {0, 8, 16, 24}) d.largest = std::max(d.largest, std::abs(((p >> shift) & 0xff) - ((q >> shift) & 0xff)));
        }
    }
    return d;
}

TEST_F(GameFolderTest, OutlinedTextLooksLikeSeventeenPlainDraws) {
    struct Case {
        bool transparent;  // the score panel's canvas, else an opaque background
        int colour;
        double points;
        int x, y;
        const char* text;
        bool right;
    };
    const Case cases[] = {
        {true, 0xffdf00, 20.0, 10, 30, "Phong Shader + SSAO", false},
        {true, 0xffdf00, 20.0, 10, 60, "Score: 1234567890", false},
        {false, gdTrueColor(255, 0, 0), 20.0, 350, 60, "98765", true},
        {false, gdTrueColor(255, 223, 0), 20.0, 200, 40, "Wavy AVAVA fj; ToT", false},
        {false, 0, 50.0, -5, 90, "________________________", false},
        {false, gdTrueColor(255, 223, 0), 20.0, 385, 95, "clipped at the edges", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        gdImagePtr a = gdImageCreateTrueColor(400, 100);
        gdImagePtr b = gdImageCreateTrueColor(400, 100);
        for (gdImagePtr image : {a, b}) {
            gdImageAlphaBlending(image, 0);
            gdImageFilledRectangle(image, 0, 0, 400, 100, c.transparent ? 0x7f000000 : gdTrueColor(30, 60, 110));
            gdImageAlphaBlending(image, 1);
        }
        HighscoreTable::drawOutlinedText(a, c.colour, "Faktos.ttf", c.points, c.x, c.y, c.text, c.right);
        referenceOutlinedText(b, c.colour, c.points, c.x, c.y, c.text, c.right);
        const Difference d = compare(a, b);
        EXPECT_LE(d.pixels, 5) << "only where neighbouring glyphs share a pixel";
        EXPECT_LE(d.largest, 2);
        EXPECT_GT(hstest::census(b, 0, 0, 399, 99).other, 200) << "the reference drew something";
        gdImageDestroy(a);
        gdImageDestroy(b);
    }
}

TEST_F(GameFolderTest, MissingOrBrokenBackgroundStillSavesTheTableAndKeepsTheOldPicture) {
    write("Textures/highscore.png", "old picture");
    for (const char* background : {"missing", "broken"}) {
        SCOPED_TRACE(background);
        if (std::string(background) == "missing")
            unlink(path("Textures/highscore.jpg").c_str());
        else
            write("Textures/highscore.jpg", "\xff\xd8\xff not really a JPEG");
        HighscoreTable table;
        enter(table, 10, background);
        EXPECT_NE(std::string::npos, read("highscore.txt").find(std::string("10;") + background + "\n"));
        EXPECT_EQ("old picture", read("Textures/highscore.png"));
    }
}

TEST_F(GameFolderTest, TextUsesTheGameFolderFont) {
    const std::string real = std::filesystem::canonical(dir).string();
    ASSERT_NE(nullptr, std::getenv("GDFONTPATH"));
    EXPECT_EQ(real, std::getenv("GDFONTPATH"));

    auto fontUsed = []() {
        gdFTStringExtra extra = {};
        extra.flags = gdFTEX_RETURNFONTPATHNAME;
        int rect[8];
        const char* error = gdImageStringFTEx(nullptr, rect, 0, "Faktos.ttf", 20.0, 0.0, 0, 0, "Score", &extra);
        std::string used = extra.fontpath ? extra.fontpath : "";
        if (extra.fontpath) gdFree(extra.fontpath);
        return error ? std::string("error: ") + error : used;
    };
    EXPECT_EQ(real + "/Faktos.ttf", fontUsed());

    // Another game folder: the font is looked up there, not taken from the cache.
    const std::string other = harness::makeTempDir("lumivex-hs-other");
    ASSERT_TRUE(hstest::copyFile(hstest::systemBoldFont(), other + "/Faktos.ttf"));
    {
        harness::ScopedCwd inOther(other);
        ASSERT_TRUE(inOther.ok());
        HighscoreTable::useGameFolderFonts();
        EXPECT_EQ(std::filesystem::canonical(other).string() + "/Faktos.ttf", fontUsed());
    }
    harness::removeTree(other);
    HighscoreTable::useGameFolderFonts();
    EXPECT_EQ(real + "/Faktos.ttf", fontUsed());
}

TEST_F(GameFolderTest, WithoutTheFontNoTextIsDrawn) {
    unlink(path("Faktos.ttf").c_str());
    HighscoreTable::useGameFolderFonts();
    HighscoreTable table;
    enter(table, 10, "Ann");
    EXPECT_EQ("10;Ann\n", read("highscore.txt"));
    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(0, hstest::census(picture, 0, 0, 799, 599).other) << "only the background";
    gdImageDestroy(picture);
}

TEST_F(GameFolderTest, EmptyTablePictureIsRenderedIntoTheGameFolder) {
    write("Textures/highscore.png", "old picture");
    setenv("GDFONTPATH", "/nonexistent-fonts", 1);
    // From another working directory, as the content tool runs.
    const std::string elsewhere = harness::makeTempDir("lumivex-hs-tool");
    {
        harness::ScopedCwd inElsewhere(elsewhere);
        ASSERT_TRUE(inElsewhere.ok());
        EXPECT_TRUE(HighscoreTable::renderEmptyTablePicture(dir));
        EXPECT_STREQ("/nonexistent-fonts", std::getenv("GDFONTPATH")) << "the caller's font folder is restored";
        EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    }
    harness::removeTree(elsewhere);
    EXPECT_FALSE(std::filesystem::exists(path("highscore.txt")));

    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(800, gdImageSX(picture));
    EXPECT_EQ(0, hstest::census(picture, 0, 0, 799, 575).other) << "no rows";
    int blackRows = 0;  // rows at the bottom that are black across the whole width
    for (int y = 576; y < 600; ++y) {
        int black = 0;
        for (int x = 0; x < 800; ++x) {
            const int c = gdImageGetTrueColorPixel(picture, x, y);
            if (hstest::red(c) < 10 && hstest::green(c) < 10 && hstest::blue(c) < 10) ++black;
        }
        if (black == 800) ++blackRows;
    }
    EXPECT_GE(blackRows, 1) << "the ruler runs across the whole width";

    // The same drawing as a commit with an empty table would produce (with the game's font).
    HighscoreTable::useGameFolderFonts();
    gdImagePtr expected = expectedPicture(path("Textures/highscore.jpg"), {});
    ASSERT_NE(nullptr, expected);
    EXPECT_EQ(0, differingPixels(expected, picture));
    gdImageDestroy(expected);
    gdImageDestroy(picture);
}

TEST_F(GameFolderTest, EmptyTablePictureNeedsBackgroundAndFont) {
    write("Textures/highscore.png", "old picture");
    unlink(path("Faktos.ttf").c_str());
    EXPECT_FALSE(HighscoreTable::renderEmptyTablePicture(dir));
    EXPECT_EQ("old picture", read("Textures/highscore.png"));

    ASSERT_TRUE(hstest::copyFile(hstest::systemBoldFont(), path("Faktos.ttf")));
    unlink(path("Textures/highscore.jpg").c_str());
    EXPECT_FALSE(HighscoreTable::renderEmptyTablePicture(dir));
    EXPECT_EQ("old picture", read("Textures/highscore.png"));
    EXPECT_FALSE(HighscoreTable::renderEmptyTablePicture(dir + "/no-such-folder"));
}

}  // namespace
