#pragma once
#include <GL/glew.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "highscore/HighscoreTable.h"
#include "support/GlHarness.h"

namespace hstest {

// The plain background colour of the test pictures.
constexpr int kBackR = 30, kBackG = 60, kBackB = 110;

inline const char* systemBoldFont() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"; }

inline bool copyFile(const std::string& from, const std::string& to) {
    const std::string bytes = harness::readFileText(from);
    if (bytes.empty()) return false;
    harness::writeFileText(to, bytes);
    return harness::readFileText(to).size() == bytes.size();
}

// A plain JPEG of the given size and colour.
inline bool writeBackground(const std::string& path, int width, int height, int r, int g, int b) {
    gdImagePtr image = gdImageCreateTrueColor(width, height);
    gdImageFilledRectangle(image, 0, 0, width - 1, height - 1, gdTrueColor(r, g, b));
    int size = 0;
    void* jpeg = gdImageJpegPtr(image, &size, 95);
    gdImageDestroy(image);
    if (!jpeg) return false;
    harness::writeFileText(path, std::string(static_cast<const char*>(jpeg), static_cast<std::size_t>(size)));
    gdFree(jpeg);
    return true;
}

inline gdImagePtr readPng(const std::string& path) {
    const std::string bytes = harness::readFileText(path);
    if (bytes.empty()) return nullptr;
    return gdImageCreateFromPngPtr(static_cast<int>(bytes.size()), const_cast<char*>(bytes.data()));
}

inline int red(int c) { return gdTrueColorGetRed(c); }
inline int green(int c) { return gdTrueColorGetGreen(c); }
inline int blue(int c) { return gdTrueColorGetBlue(c); }

// Text fill colours (full intensity only; anti-aliased edges against the black outline are
// darker and belong to neither).
inline bool isRed(int r, int g, int b) { return r >= 200 && g <= 70 && b <= 70; }
inline bool isGold(int r, int g, int b) { return r >= 200 && g >= 180 && g <= 250 && b <= 80; }
inline bool isBackground(int r, int g, int b) {
    return std::abs(r - kBackR) <= 12 && std::abs(g - kBackG) <= 12 && std::abs(b - kBackB) <= 12;
}

struct Census {
    int red = 0;
    int gold = 0;
    int black = 0;  // the outline
    int other = 0;  // anything that is not the plain background
};

// Counts text colours in the rectangle [x0, x1] x [y0, y1] (inclusive, clipped).
inline Census census(gdImagePtr image, int x0, int y0, int x1, int y1) {
    Census result;
    for (int y = std::max(0, y0); y <= std::min(gdImageSY(image) - 1, y1); ++y) {
        for (int x = std::max(0, x0); x <= std::min(gdImageSX(image) - 1, x1); ++x) {
            const int c = gdImageGetTrueColorPixel(image, x, y);
            const int r = red(c), g = green(c), b = blue(c);
            if (isRed(r, g, b))
                ++result.red;
            else if (isGold(r, g, b))
                ++result.gold;
            if (r < 30 && g < 30 && b < 30) ++result.black;
            if (!isBackground(r, g, b)) ++result.other;
        }
    }
    return result;
}

// The band of a table row with its baseline at y (the text stands above the baseline).
inline Census rowCensus(gdImagePtr image, int baseline) { return census(image, 180, baseline - 24, 760, baseline + 3); }

// A private game folder: Textures/highscore.jpg (plain 800 x 600), Faktos.ttf, and the
// working directory and libgd's font folder pointed at it for the test's duration.
class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = harness::makeTempDir("lumivex-hs");
        ASSERT_FALSE(dir.empty());
        ASSERT_EQ(0, mkdir((dir + "/Textures").c_str(), 0755));
        ASSERT_TRUE(writeBackground(dir + "/Textures/highscore.jpg", 800, 600, kBackR, kBackG, kBackB));
        ASSERT_TRUE(copyFile(systemBoldFont(), dir + "/Faktos.ttf"));
        const char* previous = std::getenv("GDFONTPATH");
        hadFontPath = previous != nullptr;
        if (previous) savedFontPath = previous;
        cwd = std::make_unique<harness::ScopedCwd>(dir);
        ASSERT_TRUE(cwd->ok());
        HighscoreTable::useGameFolderFonts();
    }

    void TearDown() override {
        HighscoreTable::simulateFailureBeforeRename = false;
        // For looking at the rendered table by eye.
        if (std::getenv("LUMIVEX_KEEP_PICTURES")) {
            const std::string picture = harness::readFileText(path("Textures/highscore.png"));
            if (picture.size() > 8)
                harness::writeFileText(std::string("/tmp/lumivex-hs-") +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png",
                                       picture);
        }
        cwd.reset();
        if (hadFontPath)
            setenv("GDFONTPATH", savedFontPath.c_str(), 1);
        else
            unsetenv("GDFONTPATH");
        gdFontCacheShutdown();
        chmod(dir.c_str(), 0700);
        harness::removeTree(dir);
    }

    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::string read(const std::string& name) const { return harness::readFileText(path(name)); }
    void write(const std::string& name, const std::string& text) const { harness::writeFileText(path(name), text); }

    // One finished game: rank computed against "highscore.txt", name typed, entry confirmed.
    int enter(HighscoreTable& table, int score, const std::string& name) {
        const int rank = table.computeRank(score);
        table.appendToName(name);
        table.commitAndRender();
        return rank;
    }

    std::string dir;
    std::unique_ptr<harness::ScopedCwd> cwd;
    bool hadFontPath = false;
    std::string savedFontPath;
};

}  // namespace hstest
