// The real program in a private copy of the game folder, driven by real key presses on the
// virtual display and watched through screenshots of its window.
#include <regex>

#include "support/ChildGame.h"

namespace {

using childgame::Picture;
using gamefolder::Rgb;

// A private copy of the game folder, run by the shared driver.
class GameProcess : public childgame::ChildGame {
protected:
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
    }

    void launch(const childgame::Launch& how = childgame::Launch()) {
        if (dir.empty()) dir = gamefolder::make("lumivex-e2e");
        ASSERT_FALSE(dir.empty());
        ChildGame::launch(how);
        ASSERT_TRUE(started()) << "no game window appeared:\n" << console() << errors();
    }

    // The refresh waited for (1) or not (0), as far as the driver lets it.
    bool swapInterval(int interval) {
        return std::regex_search(console(), std::regex("(^|\n)Swap interval " + std::to_string(interval) +
                                                       "( not set: the driver offers no swap control)?\n"));
    }
};

// The window as the player gets it: 800 x 600, its log replaced, the refresh waited for;
// Escape quits with code 0 (the other quit keys are the in-process tests').
TEST_F(GameProcess, OpensItsWindowWritesItsLogAndQuitsOnEscape) {
    dir = gamefolder::make("lumivex-e2e");
    harness::writeFileText(dir + "/log.txt", "stale log of an earlier run\n");
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
    std::string info;
    ASSERT_EQ(harness::runCommand("xwininfo -id " + window, &info), 0);
    EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;
    const std::string log = harness::readFileText(dir + "/log.txt");
    EXPECT_EQ(log.rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u) << log.substr(0, 200);
    EXPECT_TRUE(swapInterval(1)) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
}

// A flight from the title through name entry to the table and its picture; the flight is kept, and played back with --replay it ends at the
// same score without waiting for the display, and at another window size four times as fast.
// A replay cut short is refused with code 1.
TEST_F(GameProcess, APlayerGoesThroughEveryScreenAndTheFlightPlaysBackExactly) {
    ASSERT_NO_FATAL_FAILURE(launch());
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s t e r Return");
    ASSERT_TRUE(waitFor([](const Picture& p) {
        return !showing(gamefolder::enterNameColour())(p) && !showing(gamefolder::titleColour())(p) && !styleLabel(1)(p);
    })) << "high-score screen";
    const std::string table = harness::readFileText(dir + "/highscore.txt");
    EXPECT_TRUE(std::regex_match(table, std::regex("[1-9][0-9]*;Tester\n"))) << table;

    // The screen shows the freshly written picture.
    const Picture picture = load(dir + "/Textures/highscore.png"), screen = shot();
    ASSERT_TRUE(picture && screen);
    double diff = 0;
    for (int y = 20; y < 600; y += 37)
        for (int x = 20; x < 800; x += 41) {
            const Rgb a = at(picture, x * gdImageSX(picture) / 800, y * gdImageSY(picture) / 600), b = at(screen, x, y);
            diff += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        }
    EXPECT_LT(diff / (3 * 16 * 20), 20.0) << "the screen differs from Textures/highscore.png";

    key("q");
    EXPECT_EQ(exitCode(), 0);

    std::smatch score, kept;
    const std::string flown = console();
    ASSERT_TRUE(std::regex_search(flown, score, std::regex("Game over: score ([0-9]+)\n"))) << flown;
    ASSERT_TRUE(std::regex_search(flown, kept, std::regex("Replay kept: (\\S+)\n"))) << flown;
    for (const bool vsync : {false, true}) {
        SCOPED_TRACE(vsync ? "vsync, 1000 x 500, F" : "--no-vsync");
        childgame::Launch how;
        how.args = {"--replay", kept[1]};
        if (!vsync) how.args.push_back("--no-vsync");
        ASSERT_NO_FATAL_FAILURE(launch(how));
        ASSERT_TRUE(waitFor(styleLabel(1))) << "the flight is shown\n" << console();
        EXPECT_TRUE(swapInterval(vsync ? 1 : 0)) << console();
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
