// The real program in a private copy of the game folder, driven by real key presses on the
// virtual display and watched through screenshots of its window.
#include <regex>

#include "support/ChildGame.h"

namespace {

using childgame::Picture;
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

// The window as the player gets it: 800 x 600, its log replaced, and the refresh waited for
// unless --no-vsync says otherwise; Escape and "q" quit with code 0.
TEST_F(GameProcess, OpensItsWindowWritesItsLogAndQuitsOnEscapeOrQ) {
    for (const char* quit : {"Escape", "q"}) {
        SCOPED_TRACE(quit);
        const bool vsync = quit == std::string("Escape");
        if (!dir.empty()) harness::removeTree(dir);
        dir = gamefolder::make("lumivex-e2e");
        harness::writeFileText(dir + "/log.txt", "stale log of an earlier run\n");
        childgame::Launch how;
        if (!vsync) how.args = {"--no-vsync"};
        ChildGame::launch(how);
        ASSERT_TRUE(started()) << console() << errors();
        ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
        std::string info;
        ASSERT_EQ(harness::runCommand("xwininfo -id " + window, &info), 0);
        EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;
        const std::string log = harness::readFileText(dir + "/log.txt");
        EXPECT_EQ(log.rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u) << log.substr(0, 200);
        EXPECT_TRUE(std::regex_search(console(), std::regex("(^|\n)Swap interval " + std::string(vsync ? "1" : "0") +
                                                            "( not set: the driver offers no swap control)?\n")))
            << console();
        key(quit);
        EXPECT_EQ(exitCode(), 0) << console();
    }
}

// The rules before the first flight, a star, a hit, points, the end of the flight, name entry,
// the table and its picture, and the title again; and the credits on the way.
TEST_F(GameProcess, APlayerGoesThroughEveryScreen) {
    ASSERT_NO_FATAL_FAILURE(launch(true));
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "title screen";
    key("c");
    ASSERT_TRUE(waitFor(showing(gamefolder::creditsColour())));
    key("b");
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour())));
    key("s");
    EXPECT_TRUE(waitFor([](const Picture& p) { return near(at(p, 400, 300), Rgb{28, 24, 48}, 20); })) << "the rules";
    key("s");
    ASSERT_TRUE(waitFor(styleLabel(1))) << console();
    key("F3");
    EXPECT_TRUE(waitFor(styleLabel(2))) << "a star: the next style";
    key("F2");
    EXPECT_TRUE(waitFor(styleLabel(1))) << "a hit: the style before";
    key("Left", "keydown"), key("F1 F1 F1");
    ASSERT_TRUE(waitFor(scored, 30000)) << "no points\n" << console();
    key("Left", "keyup");
    key("F2");
    ASSERT_TRUE(waitFor(showing(gamefolder::enterNameColour()))) << "name entry after the end";
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

// A flight flown with real keys is kept; played back with --replay it ends at the same score
// without waiting for the display and at another window size four times as fast; a file cut
// short is refused with code 1.
TEST_F(GameProcess, AKeptFlightPlaysBackToItsScoreAtAnyFrameRateAndWindowSize) {
    ASSERT_NO_FATAL_FAILURE(launch(true));
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    std::smatch score, kept;
    const std::string flown = console();
    ASSERT_TRUE(std::regex_search(flown, score, std::regex("Game over: score ([0-9]+)\n"))) << flown;
    ASSERT_TRUE(std::regex_search(flown, kept, std::regex("Replay kept: (\\S+)\n"))) << flown;
    key("Escape");
    ASSERT_EQ(exitCode(), 0);
    for (const bool vsync : {false, true}) {
        SCOPED_TRACE(vsync ? "vsync, 1000 x 500, F" : "--no-vsync");
        childgame::Launch how;
        how.args = {"--replay", kept[1]};
        if (!vsync) how.args.push_back("--no-vsync");
        ChildGame::launch(how);
        ASSERT_TRUE(started()) << console() << errors();
        ASSERT_TRUE(waitFor(styleLabel(1))) << "the flight is shown\n" << console();
        if (vsync) harness::runCommand("xdotool windowsize " + window + " 1000 500"), key("f");
        EXPECT_EQ(exitCode(), 0) << console() << errors();
        EXPECT_NE(console().find("Replay finished: score " + score[1].str() + "\n"), std::string::npos) << console();
    }
    const std::string bytes = harness::readFileText(dir + "/" + kept[1].str());
    harness::writeFileText(dir + "/cut.lvr", bytes.substr(0, bytes.size() / 2));
    childgame::Launch cut;
    cut.args = {"--replay", "cut.lvr"};
    ChildGame::launch(cut);
    EXPECT_EQ(exitCode(), 1);
    EXPECT_NE(errors().find("cut.lvr cannot be played: cut short"), std::string::npos) << errors();
}

}  // namespace
