// The real program in a private copy of the game folder, driven by real key presses on the
// virtual display and watched through screenshots of its window.
#include <regex>
#include <set>

#include "faults/ChildGame.h"

namespace {

using childgame::Picture;
using childgame::sleepMs;
using gamefolder::near;
using gamefolder::Rgb;

Picture loadPng(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    Picture p(f ? gdImageCreateFromPng(f) : nullptr, gdImageDestroy);
    if (f) std::fclose(f);
    return p;
}

// A private copy of the game folder, with or without its pictures, run by the shared driver.
class GameProcess : public childgame::ChildGame {
protected:
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
    }

    void launch(bool withTextures) {
        gamefolder::Options options;
        options.withTextures = withTextures;
        dir = gamefolder::make("lumivex-e2e", options);
        ASSERT_FALSE(dir.empty());
        ChildGame::launch();
        ASSERT_TRUE(started()) << "no game window appeared:\n" << console();
    }

    // The label picture in the lower left names the style: 1 .. 11, or 0 when none matches.
    static int labelOf(const Picture& p) {
        for (int i = 1; i <= 11; ++i)
            if (near(at(p, 178, 571), gamefolder::labelColour(i))) return i;
        return 0;
    }
};

TEST_F(GameProcess, APlayerGoesThroughEveryScreen) {
    ASSERT_NO_FATAL_FAILURE(launch(true));
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "title screen";
    key("c");
    ASSERT_TRUE(waitFor(showing(gamefolder::creditsColour())));
    key("b");
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour())));
    key("s");
    ASSERT_TRUE(waitFor([](const Picture& p) { return labelOf(p) == 1; })) << "a game in the first style";
    key("Left", "keydown"), sleepMs(1000), key("Left", "keyup");

    // Stars (F3) walk through the styles; an asteroid hit may step one back meanwhile.
    std::set<int> seen{1};
    for (int presses = 0, label = 1; presses < 40 && label != 11; ++presses) {
        key("F3");
        waitFor([&](const Picture& p) {
            const int now = labelOf(p);
            return now != 0 && now != label && (label = now);
        }, 3000);
        seen.insert(label);
    }
    EXPECT_EQ(seen.size(), 11u) << "every style was shown";

    // Points: bullet power-ups pass by while the ship keeps left of them; then asteroid
    // hits (F2) step back to the first style and end the game.
    key("Left", "keydown"), key("F8 F8 F8"), sleepMs(1500), key("Left", "keyup"), sleepMs(9000);
    bool naming = false;
    for (int presses = 0; presses < 20 && !naming; ++presses)
        key("F2"), naming = waitFor(showing(gamefolder::enterNameColour()), 600);
    ASSERT_TRUE(naming) << "the game did not end in name entry (no points scored?)";

    key("T e s t e r Return");
    ASSERT_TRUE(waitFor([](const Picture& p) {
        return !showing(gamefolder::enterNameColour())(p) && !showing(gamefolder::titleColour())(p) && !labelOf(p);
    })) << "high-score screen";
    const std::string table = harness::readFileText(dir + "/highscore.txt");
    EXPECT_TRUE(std::regex_match(table, std::regex("[1-9][0-9]*;Tester\n"))) << table;

    // The screen shows the freshly written picture.
    const Picture picture = loadPng(dir + "/Textures/highscore.png"), screen = shot();
    ASSERT_TRUE(picture && screen);
    double diff = 0;
    for (int y = 20; y < 600; y += 37)
        for (int x = 20; x < 800; x += 41) {
            const Rgb a = at(picture, x * gdImageSX(picture) / 800, y * gdImageSY(picture) / 600), b = at(screen, x, y);
            diff += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        }
    EXPECT_LT(diff / (3 * 16 * 20), 20.0) << "the screen differs from Textures/highscore.png";

    key("m");
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "m goes back to the title";
    key("q");
    EXPECT_EQ(exitCode(), 0);
}

// Nobody at the keys: after 20 s the title turns into the demo flight through the styles; a key
// brings the title back at once, and the high-score table is left as it was.
TEST_F(GameProcess, AnIdleTitleRunsTheDemoUntilAKeyIsPressed) {
    ASSERT_NO_FATAL_FAILURE(launch(true));
    const std::string table = harness::readFileText(dir + "/highscore.txt");
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "title screen";
    sleepMs(15000);
    ASSERT_TRUE(showing(gamefolder::titleColour())(shot())) << "still the title after 15 s";
    std::set<int> styles;
    waitFor([&](const Picture& p) {
        if (const int label = labelOf(p)) styles.insert(label);
        return styles.size() >= 3;
    }, 30000);
    EXPECT_GE(styles.size(), 3u) << "styles seen in the demo";
    key("q");
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()), 3000)) << "a key brings the title back";
    EXPECT_TRUE(running()) << "and does nothing else";
    EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), table);
    key("Escape");
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(GameProcess, StartsPlaysAndQuitsWithNoTexturesFolder) {
    ASSERT_NO_FATAL_FAILURE(launch(false));
    key("s");
    sleepMs(1500);
    EXPECT_TRUE(running()) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0);
    EXPECT_NE(console().find("Textures Loaded"), std::string::npos) << "the start-up went through";
}

}  // namespace
