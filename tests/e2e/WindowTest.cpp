// The real program's window on the virtual display: pause, fullscreen, any window size, and
// the settings it keeps, all through real key presses and screenshots.
#include <cstdlib>
#include <regex>

#include "support/ChildGame.h"

namespace {

using childgame::Picture;
using childgame::sleepMs;
using gamefolder::near;
using gamefolder::Rgb;

const Rgb kBlack{0, 0, 0};

class WindowTest : public childgame::ChildGame {
protected:
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
        if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
        if (!savedDisplay.empty()) setenv("DISPLAY", savedDisplay.c_str(), 1);
    }

    void launchGame(const childgame::Launch& how = childgame::Launch()) {
        if (dir.empty()) dir = gamefolder::make("lumivex-window");
        ASSERT_FALSE(dir.empty());
        ChildGame::launch(how);
        ASSERT_TRUE(started()) << "no game window appeared:\n" << console() << errors();
        ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
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
        for (int t = 0; t < 100 && !up; ++t, sleepMs(100)) up = harness::runCommand("xdpyinfo >/dev/null 2>&1") == 0;
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
        for (int t = 0; t < 40; ++t, sleepMs(250))
            if (windowSize() == std::make_pair(width, height)) return true;
        return false;
    }

    // Black columns at the left of row y: the width of the left bar.
    static int leftBar(const Picture& p, int y) {
        int x = 0;
        while (x < gdImageSX(p.get()) && near(pixel(p, x, y), kBlack)) ++x;
        return x;
    }
    static Rgb pixel(const Picture& p, int x, int y) {
        const int c = gdImageGetTrueColorPixel(p.get(), x, y);
        return {gdTrueColorGetRed(c), gdTrueColorGetGreen(c), gdTrueColorGetBlue(c)};
    }
    std::string settingsFile() { return harness::readFileText(dir + "/settings.ini"); }

    pid_t server = -1;
    std::string savedDisplay;
};

TEST_F(WindowTest, F11FillsAWideScreenWithBarsBesideThePictureAndGivesTheWindowBack) {
    ASSERT_NO_FATAL_FAILURE(ownScreen(1280, 720));
    ASSERT_NO_FATAL_FAILURE(launchGame());
    ASSERT_EQ(windowSize(), std::make_pair(800, 600));
    key("F11");
    ASSERT_TRUE(waitForSize(1280, 720)) << windowSize().first << "x" << windowSize().second;
    ASSERT_TRUE(waitFor([](const Picture& p) { return leftBar(p, 360) > 100; })) << "drawn at the new size";
    Picture full = shot();
    ASSERT_TRUE(full);
    // 960 x 720 in the middle: 160 black columns on each side.
    EXPECT_NEAR(leftBar(full, 360), 160, 2);
    EXPECT_TRUE(near(at(full, 1280 - 80, 360), kBlack)) << "right bar";
    EXPECT_TRUE(near(at(full, 640, 360), gamefolder::titleColour()));
    EXPECT_TRUE(near(at(full, 170, 10), gamefolder::titleColour())) << "the picture reaches the top";
    EXPECT_NE(settingsFile().find("fullscreen = true"), std::string::npos) << settingsFile();

    key("alt+Return");
    ASSERT_TRUE(waitForSize(800, 600)) << "Alt+Enter leaves fullscreen";
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "the whole window is the picture again";
    EXPECT_NE(settingsFile().find("fullscreen = false"), std::string::npos);
    key("Escape");
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(WindowTest, SettingsSurviveARestartAndADamagedFileKeepsItsGoodLines) {
    ASSERT_NO_FATAL_FAILURE(launchGame());
    key("minus minus");  // music 4 -> 2
    key("o");
    // Down to the fire key's row, Enter, then F.
    key("Down Down Down Down Down Down Down Down Down Down Return f");
    key("q");
    ASSERT_EQ(exitCode(), 0);
    std::string saved = settingsFile();
    EXPECT_NE(saved.find("music_volume = 2"), std::string::npos) << saved;
    EXPECT_NE(saved.find("fire = F"), std::string::npos) << saved;

    // Started again: one more step up counts from 2, not from the default 4.
    ASSERT_NO_FATAL_FAILURE(launchGame());
    key("equal");
    key("q");
    ASSERT_EQ(exitCode(), 0);
    saved = settingsFile();
    EXPECT_NE(saved.find("music_volume = 3"), std::string::npos) << saved;
    EXPECT_NE(saved.find("fire = F"), std::string::npos) << "kept across the restart";

    // Damaged: the game says so once, on the console and over the title, keeps the good lines and
    // saves over the bad ones.
    harness::writeFileText(dir + "/settings.ini", "[keys]\nfire = G\n[sound]\nmusic_volume = eleven\n\x01\x02garbage\n");
    ASSERT_NO_FATAL_FAILURE(launchGame());
    EXPECT_TRUE(waitFor([](const Picture& p) { return !near(at(p, 100, 30), gamefolder::titleColour()); }))
        << "the settings' problem is shown";
    const std::string out = console();
    const size_t first = out.find("is damaged");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("is damaged", first + 1), std::string::npos) << "reported once";
    EXPECT_NE(out.find("2 lines are skipped, the other settings are kept"), std::string::npos) << out;
    EXPECT_TRUE(running()) << "never a reason to stop";
    key("equal");
    key("q");
    ASSERT_EQ(exitCode(), 0);
    saved = settingsFile();
    EXPECT_NE(saved.find("music_volume = 5"), std::string::npos) << "the default 4, one up:\n" << saved;
    EXPECT_NE(saved.find("fire = G"), std::string::npos) << saved;
}

// The virtual displays of the scripts and of this test go on when their last client leaves: a
// server that resets then refuses the game started a moment later.
TEST_F(WindowTest, VirtualDisplaysKeepWhatTheirLastClientLeft) {
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
