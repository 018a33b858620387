// The real program in a private copy of the game folder, driven by real key presses on the
// virtual display and watched through screenshots of its window: a player's way through the
// screens, fullscreen on a screen of its own, and the settings it keeps.
#include <cstdlib>
#include <regex>

#include "support/ChildGame.h"

namespace {

using childgame::Picture;
using gamefolder::near;
using gamefolder::Rgb;

class GameWindow : public childgame::ChildGame {
protected:
    void TearDown() override {
        ChildGame::TearDown();
        if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        if (!savedDisplay.empty()) setenv("DISPLAY", savedDisplay.c_str(), 1);
    }

    // A virtual screen of its own, width x height, for this test and its child.
    void ownScreen(int width, int height) {
        savedDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        // A number no other server holds, above the ones the scripts use (90 to 140).
        int free = 150;
        while (free < 400 && (access(("/tmp/.X" + std::to_string(free) + "-lock").c_str(), F_OK) == 0 ||
                              access(("/tmp/.X11-unix/X" + std::to_string(free)).c_str(), F_OK) == 0))
            ++free;
        const std::string number = std::to_string(free);
        const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
        server = fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1), dup2(null, 2);
            execlp("Xvfb", "Xvfb", (":" + number).c_str(), "-screen", "0", size.c_str(), "-nolisten", "tcp", "-noreset",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        bool up = false;
        for (int t = 0; t < 100 && !up; ++t, childgame::sleepMs(100)) up = harness::runCommand("xdpyinfo >/dev/null 2>&1") == 0;
        ASSERT_TRUE(up) << "Xvfb did not start";
    }

    // The window's size as the X server has it.
    std::pair<int, int> windowSize() {
        std::string text;
        harness::runCommand("xdotool getwindowgeometry " + window + " 2>/dev/null", &text);
        std::smatch m;
        if (!std::regex_search(text, m, std::regex("Geometry: ([0-9]+)x([0-9]+)"))) return {0, 0};
        return {std::stoi(m[1]), std::stoi(m[2])};
    }

    bool waitForSize(int width, int height) {
        for (int t = 0; t < 40; ++t, childgame::sleepMs(250))
            if (windowSize() == std::make_pair(width, height)) return true;
        return false;
    }

    // Black columns at the left of row y: the width of the left bar.
    static int leftBar(const Picture& p, int y) {
        int x = 0;
        while (x < gdImageSX(p.get()) && (gdImageGetTrueColorPixel(p.get(), x, y) & 0xF0F0F0) == 0) ++x;  // each below 16
        return x;
    }

    // What the game said of the refresh: the swap interval it asked for, set or not offered.
    bool saidSwapInterval(int interval) {
        return std::regex_search(console(), std::regex("(^|\n)Swap interval " + std::to_string(interval) +
                                                       "( not set: the driver offers no swap control)?\n"));
    }
    std::string settingsFile() { return harness::readFileText(dir + "/settings.ini"); }

    pid_t server = -1;
    std::string savedDisplay;
};

// Title, credits, a flight with a star, a hit and points to its end, name entry, the table and its picture; on
// the way the log of an earlier run replaced and the refresh waited for. The flight is kept, and
// played back with --replay it ends at the same score, with and without waiting for the
// display, and at another window size four times as fast, and leaves the same picture of every
// style it reached; a replay cut short is refused.
TEST_F(GameWindow, APlayerGoesThroughEveryScreenAndTheFlightPlaysBackExactly) {
    harness::writeFileText(dir + "/log.txt", "stale log of an earlier run\n");
    childgame::Launch recording;
    recording.args = {"--style-frames", "seen"};
    ASSERT_NO_FATAL_FAILURE(start(recording));
    const std::string log = harness::readFileText(dir + "/log.txt");
    EXPECT_EQ(log.rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u) << log.substr(0, 200);
    EXPECT_TRUE(saidSwapInterval(1)) << console();
    key("c");
    ASSERT_TRUE(waitFor(showing(gamefolder::creditsColour())));
    key("b");
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour())));
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry(true));
    key("T e s t e r Return");

    // The high-score screen shows the picture written with the new row.
    const auto showsTheTablePicture = [this](const Picture& screen) {
        const Picture picture = childgame::loadPng(dir + "/Textures/highscore.png");
        double diff = 0;
        for (int y = 20; picture && y < 600; y += 37)
            for (int x = 20; x < 800; x += 41) {
                const Rgb a = at(picture, x * gdImageSX(picture) / 800, y * gdImageSY(picture) / 600), b = at(screen, x, y);
                diff += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
            }
        return picture && diff / (3 * 16 * 20) < 20.0;
    };
    EXPECT_TRUE(waitFor(showsTheTablePicture)) << "no screen like Textures/highscore.png";
    const std::string table = harness::readFileText(dir + "/highscore.txt");
    EXPECT_TRUE(std::regex_match(table, std::regex("[1-9][0-9]*;Tester\n"))) << table;
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
        if (!vsync) how.args = {"--replay", kept[1], "--no-vsync", "--style-frames", "replayed"};
        ASSERT_NO_FATAL_FAILURE(launch(how));
        ASSERT_TRUE(started()) << console() << errors();
        ASSERT_TRUE(waitFor(styleLabel(1))) << "the flight is shown\n" << console();
        EXPECT_TRUE(saidSwapInterval(vsync ? 1 : 0)) << console();
        if (vsync) harness::runCommand("xdotool windowsize " + window + " 1000 500"), key("f");
        EXPECT_EQ(exitCode(), 0) << console() << errors();
        EXPECT_NE(console().find("Replay finished: score " + score[1].str() + "\n"), std::string::npos) << console();
    }
    for (const char* style : {"/style-01.png", "/style-02.png"}) {
        const std::string seen = harness::readFileText(dir + "/seen" + style);
        EXPECT_TRUE(!seen.empty() && seen == harness::readFileText(dir + "/replayed" + style)) << style;
    }
    const std::string bytes = harness::readFileText(dir + "/" + kept[1].str());
    harness::writeFileText(dir + "/cut.lvr", bytes.substr(0, bytes.size() / 2));
    childgame::Launch cut;
    cut.args = {"--replay", "cut.lvr"};
    ChildGame::launch(cut);
    EXPECT_EQ(exitCode(), 1);
    EXPECT_NE(errors().find("cut.lvr cannot be played: cut short"), std::string::npos) << errors();
}

// 800 x 600 at first; F11 fills a wide screen, the picture between bars (the picture's place in
// any window: InputRulesTest), and Alt+Enter gives the window back. --no-vsync: the refresh is not
// waited for; Escape quits.
TEST_F(GameWindow, F11FillsAWideScreenWithBarsBesideThePictureAndGivesTheWindowBack) {
    ASSERT_NO_FATAL_FAILURE(ownScreen(1280, 720));
    childgame::Launch how;
    how.args = {"--no-vsync"};
    ASSERT_NO_FATAL_FAILURE(start(how));
    EXPECT_TRUE(saidSwapInterval(0)) << console();
    ASSERT_EQ(windowSize(), std::make_pair(800, 600));
    key("F11");
    ASSERT_TRUE(waitForSize(1280, 720)) << windowSize().first << "x" << windowSize().second;
    // 960 x 720 in the middle: 160 black columns on each side.
    EXPECT_TRUE(waitFor([](const Picture& p) { return std::abs(leftBar(p, 360) - 160) <= 2; })) << "drawn at the new size";
    EXPECT_NE(settingsFile().find("fullscreen = true"), std::string::npos) << settingsFile();

    key("alt+Return");
    ASSERT_TRUE(waitForSize(800, 600)) << "Alt+Enter leaves fullscreen";
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "the whole window is the picture again";
    EXPECT_NE(settingsFile().find("fullscreen = false"), std::string::npos);
    key("Escape");
    EXPECT_EQ(exitCode(), 0);
}

// What keys changed is saved (a key bound on the settings screen: GameTest). Started again over
// a damaged file, the game says so once, on the console and over the title, goes on from the
// good lines and saves over the bad.
TEST_F(GameWindow, SettingsSurviveARestartAndADamagedFileKeepsItsGoodLines) {
    ASSERT_NO_FATAL_FAILURE(start());
    key("minus minus");  // music 4 -> 2
    key("q");
    ASSERT_EQ(exitCode(), 0);
    EXPECT_NE(settingsFile().find("music_volume = 2"), std::string::npos) << settingsFile();

    harness::writeFileText(dir + "/settings.ini",
                           "[keys]\nfire = G\n[sound]\nmusic_volume = 2\neffects_volume = eleven\n\x01\x02garbage\n");
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(waitFor([](const Picture& p) { return !near(at(p, 100, 30), gamefolder::titleColour()); }))
        << "the settings' problem is shown";
    const std::string out = console();
    const size_t first = out.find("is damaged");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("is damaged", first + 1), std::string::npos) << "reported once";
    EXPECT_NE(out.find("2 lines are skipped, the other settings are kept"), std::string::npos) << out;
    key("equal");
    key("q");
    ASSERT_EQ(exitCode(), 0);
    const std::string saved = settingsFile();
    EXPECT_NE(saved.find("music_volume = 3"), std::string::npos) << "one step up from the file's 2:\n" << saved;
    EXPECT_NE(saved.find("fire = G"), std::string::npos) << saved;
}

// The virtual displays of the scripts and of this test go on when their last client leaves: a
// server that resets then refuses the game started a moment later.
TEST_F(GameWindow, VirtualDisplaysKeepWhatTheirLastClientLeft) {
    const std::string setAndRead = "xprop -root -f LUMIVEX_KEPT 8s -set LUMIVEX_KEPT yes && xprop -root LUMIVEX_KEPT";
    std::string scripts, own;
    harness::runCommand("bash -c '. " LUMIVEX_SOURCE_DIR "/scripts/common.sh && start_virtual_display && " + setAndRead +
                            "; stop_virtual_display' 2>&1", &scripts);
    EXPECT_NE(scripts.find("= \"yes\""), std::string::npos) << scripts;
    ASSERT_NO_FATAL_FAILURE(ownScreen(640, 480));
    harness::runCommand(setAndRead + " 2>&1", &own);
    EXPECT_NE(own.find("= \"yes\""), std::string::npos) << own;
}

}  // namespace
