#pragma once
#include <GL/glew.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "highscore/HighscorePicture.h"
#include "support/GlHarness.h"

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
        int size = 0;
        void* jpeg = gdImageJpegPtr(background.get(), &size, 95);
        write("Textures/highscore.jpg", std::string(static_cast<const char*>(jpeg), static_cast<size_t>(size)));
        gdFree(jpeg);
        write("Faktos.ttf", harness::readFileText(LUMIVEX_GAME_DIR "/Faktos.ttf"));
        HighscorePicture::useGameFolderFonts();
    }
    ~HighscoreTest() override { harness::removeTree(dir); }

    void write(const std::string& name, const std::string& text) const { harness::writeFileText(dir + "/" + name, text); }
    std::string read(const std::string& name) const { return harness::readFileText(dir + "/" + name); }
    // A PNG or JPEG of the game folder, decoded (null when missing or broken).
    Picture picture(const std::string& name = "Textures/highscore.png") const {
        std::string bytes = read(name);
        void* data = bytes.data();
        const int size = static_cast<int>(bytes.size());
        const bool png = bytes.rfind("\x89PNG", 0) == 0;
        return Picture(png ? gdImageCreateFromPngPtr(size, data) : gdImageCreateFromJpegPtr(size, data), gdImageDestroy);
    }
    // One finished game: rank computed against highscore.txt, name typed, entry confirmed.
    int enter(int score, const std::string& name) {
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
                if (std::abs(r - 30) > 12 || std::abs(g - 60) > 12 || std::abs(b - 110) > 12) {
                    ++c.text;
                    c.left = std::min(c.left, x);
                    c.right = std::max(c.right, x);
                }
            }
        return c;
    }

    const std::string dir = harness::makeTempDir("lumivex-hs");
    harness::ScopedCwd cwd{dir};
    const HighscoreStore store;
    HighscoreTable table;
};
