// The real program in a private copy of the game folder, driven by real key presses on the
// (virtual) display and watched through screenshots of its window.
#include <gd.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "core/TestGameFolder.h"
#include "support/GlHarness.h"

namespace {

using Rgb = gamefolder::Rgb;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool near(const Rgb& a, const Rgb& b, int tolerance = 14) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(a[c] - b[c]) > tolerance) return false;
    return true;
}

class Screen {
public:
    explicit Screen(gdImagePtr image) : im(image) {}
    ~Screen() {
        if (im) gdImageDestroy(im);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;
    bool ok() const { return im != nullptr; }
    // Average colour of a 5 x 5 square around (x, y), y counted from the top.
    Rgb at(int x, int y) const {
        Rgb sum{0, 0, 0};
        if (!im) return sum;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const int p = gdImageGetTrueColorPixel(im, x + dx, y + dy);
                sum[0] += gdTrueColorGetRed(p);
                sum[1] += gdTrueColorGetGreen(p);
                sum[2] += gdTrueColorGetBlue(p);
            }
        for (int& v : sum) v /= 25;
        return sum;
    }
    gdImagePtr image() const { return im; }

private:
    gdImagePtr im;
};

class GameProcess : public ::testing::Test {
protected:
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (!HasFailure()) harness::removeTree(dir);
        else std::printf("Game folder kept for inspection: %s\n", dir.c_str());
    }

    void launch(const gamefolder::Options& options) {
        setenv("ALSOFT_DRIVERS", "null", 0);
        dir = gamefolder::make("lumivex-e2e", options);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(gamefolder::exists(dir + "/lumivex"));
        // Windows of other game instances on this display are not ours (freeglut sets no
        // window pid to tell them apart).
        const std::set<std::string> before = gameWindows();
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(120);
            if (!std::freopen("console.txt", "w", stdout)) _exit(121);
            dup2(fileno(stdout), 2);
            execl("./lumivex", "lumivex", static_cast<char*>(nullptr));
            _exit(122);
        }
        for (int i = 0; i < 200 && window.empty(); ++i) {
            for (const std::string& w : gameWindows())
                if (!before.count(w)) window = w;
            if (window.empty()) sleepMs(100);
            ASSERT_TRUE(running()) << "the game ended during start-up:\n" << console();
        }
        ASSERT_FALSE(window.empty()) << "no game window appeared";
    }

    static std::set<std::string> gameWindows() {
        std::string out;
        harness::runCommand("xdotool search --name '^Lumivex$' 2>/dev/null", &out);
        std::istringstream lines(out);
        std::set<std::string> ids;
        for (std::string w; std::getline(lines, w);)
            if (!w.empty()) ids.insert(w);
        return ids;
    }

    bool running() {
        if (pid <= 0) return false;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exitStatus = status;
            pid = -1;
            return false;
        }
        return true;
    }

    // Waits for the program to end; returns its exit code, or -1000 on timeout.
    int waitForExit(int ms) {
        for (int t = 0; t < ms; t += 50) {
            if (!running()) return WIFEXITED(exitStatus) ? WEXITSTATUS(exitStatus) : -1001;
            sleepMs(50);
        }
        return -1000;
    }

    void key(const std::string& keys) { harness::runCommand("xdotool key --window " + window + " " + keys); }
    void keyDown(const std::string& k) { harness::runCommand("xdotool keydown --window " + window + " " + k); }
    void keyUp(const std::string& k) { harness::runCommand("xdotool keyup --window " + window + " " + k); }

    std::unique_ptr<Screen> shot() {
        const std::string path = dir + "/shot.png";
        std::remove(path.c_str());
        harness::runCommand("import -window " + window + " '" + path + "' 2>/dev/null");
        FILE* f = std::fopen(path.c_str(), "rb");
        gdImagePtr im = f ? gdImageCreateFromPng(f) : nullptr;
        if (f) std::fclose(f);
        return std::make_unique<Screen>(im);
    }

    // Takes screenshots until pred holds (true) or the time is up (false).
    bool waitForScreen(const std::function<bool(const Screen&)>& pred, int ms = 8000) {
        for (int t = 0; t < ms; t += 250) {
            auto s = shot();
            if (s->ok() && pred(*s)) return true;
            sleepMs(250);
        }
        return false;
    }

    // The label picture in the lower left names the style: 1..11, or 0 when none matches.
    static int labelOf(const Screen& s) {
        const Rgb c = s.at(178, 571);
        for (int i = 1; i <= 11; ++i)
            if (near(c, gamefolder::labelColour(i))) return i;
        return 0;
    }
    static bool shows(const Screen& s, const Rgb& colour) {
        return near(s.at(400, 300), colour) && near(s.at(40, 40), colour) && near(s.at(760, 560), colour);
    }

    std::string console() { return harness::readFileText(dir + "/console.txt"); }

    std::string dir;
    std::string window;
    pid_t pid = -1;
    int exitStatus = 0;
};

TEST_F(GameProcess, APlayerGoesThroughEveryScreen) {
    launch(gamefolder::Options());
    if (HasFatalFailure()) return;
    ASSERT_TRUE(waitForScreen([](const Screen& s) { return shows(s, gamefolder::titleColour()); }))
        << "title screen";

    key("c");
    ASSERT_TRUE(waitForScreen([](const Screen& s) { return shows(s, gamefolder::creditsColour()); }));
    key("b");
    ASSERT_TRUE(waitForScreen([](const Screen& s) { return shows(s, gamefolder::titleColour()); }));

    key("s");
    ASSERT_TRUE(waitForScreen([](const Screen& s) { return labelOf(s) == 1; })) << "a game in the first style";
    keyDown("Left");
    sleepMs(1000);
    keyUp("Left");

    // Stars (F3) walk through the styles; an asteroid hit may step one back meanwhile.
    std::set<int> seen{1};
    int label = 1;
    for (int presses = 0; presses < 40 && label != 11; ++presses) {
        key("F3");
        int now = 0;
        waitForScreen(
            [&](const Screen& s) {
                now = labelOf(s);
                return now != 0 && now != label;
            },
            3000);
        if (now != 0) label = now;
        seen.insert(label);
    }
    EXPECT_EQ(label, 11);
    EXPECT_EQ(seen.size(), 11u) << "every style was shown";

    // Points: bullet power-ups pass by while the ship keeps left of them.
    keyDown("Left");
    key("F8 F8 F8");
    sleepMs(1500);
    keyUp("Left");
    sleepMs(9000);

    // Asteroid hits (F2) step back to the first style and then end the game.
    bool naming = false;
    for (int presses = 0; presses < 20 && !naming; ++presses) {
        key("F2");
        naming = waitForScreen([](const Screen& s) { return shows(s, gamefolder::enterNameColour()); }, 600);
    }
    ASSERT_TRUE(naming) << "the game did not end in name entry (no points scored?)";

    key("T e s t e r Return");
    ASSERT_TRUE(waitForScreen([](const Screen& s) {
        return !shows(s, gamefolder::enterNameColour()) && !shows(s, gamefolder::titleColour()) && labelOf(s) == 0;
    })) << "high-score screen";
    const std::string table = harness::readFileText(dir + "/highscore.txt");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(table, m, std::regex("([0-9]+);Tester\n"))) << table;
    EXPECT_GT(std::stoi(m[1]), 0);

    // The screen shows the freshly written picture.
    {
        FILE* f = std::fopen((dir + "/Textures/highscore.png").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        gdImagePtr picture = gdImageCreateFromPng(f);
        std::fclose(f);
        ASSERT_NE(picture, nullptr);
        auto s = shot();
        ASSERT_TRUE(s->ok());
        long diff = 0;
        int samples = 0;
        for (int y = 20; y < 600; y += 37)
            for (int x = 20; x < 800; x += 41) {
                const int a = gdImageGetTrueColorPixel(picture, x * gdImageSX(picture) / 800, y * gdImageSY(picture) / 600);
                const Rgb b = s->at(x, y);
                diff += std::abs(gdTrueColorGetRed(a) - b[0]) + std::abs(gdTrueColorGetGreen(a) - b[1]) +
                        std::abs(gdTrueColorGetBlue(a) - b[2]);
                ++samples;
            }
        gdImageDestroy(picture);
        EXPECT_LT(diff / (3.0 * samples), 20.0) << "the screen differs from Textures/highscore.png";
    }

    key("m");
    ASSERT_TRUE(waitForScreen([](const Screen& s) { return shows(s, gamefolder::titleColour()); }));
    key("q");
    EXPECT_EQ(waitForExit(10000), 0);
    EXPECT_NE(console().find("Textures Loaded"), std::string::npos);
}

TEST_F(GameProcess, StartsAndQuitsWithEveryPictureMissing) {
    gamefolder::Options options;
    options.withTextures = false;
    launch(options);
    if (HasFatalFailure()) return;
    ASSERT_FALSE(gamefolder::exists(dir + "/Textures"));
    // The main loop runs: the window answers keys and the game can be started and left.
    sleepMs(1500);
    EXPECT_TRUE(running());
    key("s");
    sleepMs(1500);
    EXPECT_TRUE(running()) << console();
    key("Escape");
    EXPECT_EQ(waitForExit(10000), 0);
    const std::string out = console();
    EXPECT_NE(out.find("Effect Groups setup FINISHED"), std::string::npos);
    EXPECT_NE(out.find("Textures Loaded"), std::string::npos);
}

}  // namespace
