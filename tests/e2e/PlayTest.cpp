// The real program in a private copy of the game folder, driven by real key presses on the
// virtual display and watched through screenshots of its window.
#include <gd.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "core/TestGameFolder.h"

namespace {

using gamefolder::near;
using gamefolder::Rgb;
using Picture = std::unique_ptr<gdImage, decltype(&gdImageDestroy)>;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Picture loadPng(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    Picture p(f ? gdImageCreateFromPng(f) : nullptr, gdImageDestroy);
    if (f) std::fclose(f);
    return p;
}

// Average colour of the 5 x 5 pixels around (x, y), y counted from the top.
Rgb at(const Picture& p, int x, int y) {
    Rgb sum{0, 0, 0};
    for (int i = 0; i < 25; ++i) {
        const int c = gdImageGetTrueColorPixel(p.get(), x + i % 5 - 2, y + i / 5 - 2);
        sum = {sum[0] + gdTrueColorGetRed(c), sum[1] + gdTrueColorGetGreen(c), sum[2] + gdTrueColorGetBlue(c)};
    }
    return {sum[0] / 25, sum[1] / 25, sum[2] / 25};
}

std::function<bool(const Picture&)> showing(Rgb colour) {
    return [colour](const Picture& p) {
        return near(at(p, 400, 300), colour) && near(at(p, 40, 40), colour) && near(at(p, 760, 560), colour);
    };
}

// The label picture in the lower left names the style: 1 .. 11, or 0 when none matches.
int labelOf(const Picture& p) {
    for (int i = 1; i <= 11; ++i)
        if (near(at(p, 178, 571), gamefolder::labelColour(i))) return i;
    return 0;
}

class GameProcess : public ::testing::Test {
protected:
    void TearDown() override {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        harness::removeTree(dir);
    }

    void launch(bool withTextures) {
        gamefolder::Options options;
        options.withTextures = withTextures;
        dir = gamefolder::make("lumivex-e2e", options);
        ASSERT_FALSE(dir.empty());
        const std::set<std::string> before = windows();  // other game windows on this display
        pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) == 0 && std::freopen("console.txt", "w", stdout) && dup2(1, 2) == 2)
                execl("./lumivex", "lumivex", static_cast<char*>(nullptr));
            _exit(120);
        }
        for (int i = 0; i < 200 && window.empty() && running(); ++i, sleepMs(100))
            for (const std::string& w : windows())
                if (!before.count(w)) window = w;
        ASSERT_FALSE(window.empty()) << "no game window appeared:\n" << console();
    }

    static std::set<std::string> windows() {
        std::string out;
        harness::runCommand("xdotool search --name '^Lumivex$' 2>/dev/null", &out);
        std::istringstream in(out);
        return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    }

    bool running() {
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) pid = -1;
        return pid > 0;
    }

    // The exit code, or -1 while the program still runs after 10 s.
    int exitCode() {
        for (int t = 0; t < 200 && running(); ++t) sleepMs(50);
        return running() || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
    }

    void key(const std::string& keys, const std::string& how = "key") {
        harness::runCommand("xdotool " + how + " --window " + window + " " + keys + " 2>/dev/null");
    }

    Picture shot() {
        harness::runCommand("timeout 20 import -window " + window + " '" + dir + "/shot.png' 2>/dev/null");
        return loadPng(dir + "/shot.png");
    }

    // Takes screenshots until pred holds (true) or the time is up (false).
    bool waitFor(const std::function<bool(const Picture&)>& pred, int ms = 8000) {
        for (int t = 0; t < ms; t += 250, sleepMs(250))
            if (Picture p = shot(); p && pred(p)) return true;
        return false;
    }

    std::string console() { return harness::readFileText(dir + "/console.txt"); }

    std::string dir, window;
    pid_t pid = -1;
    int status = 0;
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
