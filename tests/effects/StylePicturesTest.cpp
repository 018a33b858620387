#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "EffectsFixture.h"
#include "StyleScene.h"
#include "core/GameState.h"
#include "objects/Spaceship.h"
#include "support/GlHarness.h"

namespace {

struct Stats {
    double mean[3] = {0, 0, 0};
    double lumaStdDev = 0;
    double saturation = 0;  // mean of max - min channel
};

Stats statsOf(const std::vector<unsigned char>& px) {
    Stats s;
    const size_t n = px.size() / 4;
    double lumaSum = 0, lumaSq = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char* p = &px[i * 4];
        for (int c = 0; c < 3; ++c) s.mean[c] += p[c];
        const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        lumaSum += luma;
        lumaSq += luma * luma;
        s.saturation += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
    }
    for (double& m : s.mean) m /= n;
    s.saturation /= n;
    const double lumaMean = lumaSum / n;
    s.lumaStdDev = std::sqrt(std::max(0.0, lumaSq / n - lumaMean * lumaMean));
    return s;
}

// Mean absolute per-channel difference of two pictures, 0..255.
double difference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        for (int c = 0; c < 3; ++c) sum += std::abs(static_cast<int>(a[i + c]) - static_cast<int>(b[i + c]));
    return sum / (a.size() / 4 * 3);
}

}  // namespace

TEST(StylePictures, ElevenStylesDrawDistinctNonBlankPictures) {
    Game& game = Game::instance();
    Spaceship* savedShip = game.ship;
    Spaceship ship;
    ship.setPosition(0.4f, 1.1f, -0.9f);  // light 0 of the lit styles sits one unit above it
    game.ship = &ship;
    game.state = Playing;
    stylescene::Textures textures = stylescene::makeTextures();

    std::vector<std::vector<unsigned char>> pictures;
    std::vector<std::string> names;
    int index = 1;
    for (EffectGroup* g = fxtest::firstGroup(); g; g = g->getNext(), ++index) {
        stylescene::drawFrame(g, textures);
        glFinish();
        EXPECT_EQ(harness::glErrors(), "") << g->getName();
        EXPECT_EQ(fxtest::currentProgram(), 0) << g->getName();
        pictures.push_back(harness::readPixels(0, 0, 800, 600));
        names.push_back(g->getName());
        char file[600];
        std::snprintf(file, sizeof file, "%s/style-%02d.png", LUMIVEX_GAME_DIR, index);
        EXPECT_TRUE(harness::savePng(file));
    }
    stylescene::drawPlainFrame(textures);
    glFinish();
    harness::savePng(std::string(LUMIVEX_GAME_DIR) + "/style-00-plain.png");
    stylescene::releaseTextures(textures);
    game.ship = savedShip;
    game.state = Title;

    ASSERT_EQ(pictures.size(), 11u);
    std::vector<Stats> stats;
    for (size_t i = 0; i < pictures.size(); ++i) {
        stats.push_back(statsOf(pictures[i]));
        // Not blank: real structure in the picture.
        EXPECT_GT(stats[i].lumaStdDev, 12.0) << names[i];
    }
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_GT(difference(pictures[i], pictures[j]), 6.0) << names[i] << " vs " << names[j];

    // Each style's character in numbers.
    const Stats& bw = stats[1];
    EXPECT_LT(bw.saturation, 2.0) << "Black&White must be grey";
    const Stats& ssaoOnly = stats[2];
    EXPECT_LT(ssaoOnly.saturation, 25.0) << "SSAO only shows the occlusion in grey (and the window's clear colour)";
    const Stats& sunrise = stats[0];
    EXPECT_GT(sunrise.mean[0], sunrise.mean[2] + 20) << "the sunrise grade is warm";
    const Stats& ice = stats[8];
    EXPECT_GT(ice.mean[2], ice.mean[0] + 10) << "Ice Age is cold";
    const Stats& sunny = stats[10];
    EXPECT_GT(sunny.saturation, stats[7].saturation * 0.8) << "Karibik is colourful";
}
