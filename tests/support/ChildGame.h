#pragma once
// The real program as a child process on the (virtual) display, driven with real keys through
// xdotool and watched through screenshots of its window: the one launcher of every test that
// runs the game as a process (end to end, damaged folders, installs).
#include <fcntl.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/GameFolder.h"

extern char** environ;

namespace childgame {

using gamefolder::Rgb;
using Picture = std::unique_ptr<gdImage, decltype(&gdImageDestroy)>;

inline const char* const kGame = LUMIVEX_GAME_DIR "/lumivex";

inline void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A PNG file in true colour (a screen of few colours may come as a palette picture); null when
// missing or broken.
inline Picture loadPng(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    Picture p(f ? gdImageCreateFromPng(f) : nullptr, gdImageDestroy);
    if (f) std::fclose(f);
    if (p) gdImagePaletteToTrueColor(p.get());
    return p;
}

// How many pixels of the rectangle x0 <= x < x1, y0 <= y < y1 (y from the top) have a colour
// that passes.
inline int pixelsWhere(const Picture& p, int x0, int y0, int x1, int y1, const std::function<bool(int r, int g, int b)>& passes) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const int c = gdImageGetTrueColorPixel(p.get(), x, y);
            n += passes(gdTrueColorGetRed(c), gdTrueColorGetGreen(c), gdTrueColorGetBlue(c));
        }
    return n;
}

// How the child is started; everything is prepared before the fork, so the child itself only
// makes system calls. Another user or a file system of its own: a program that sets them up
// and then executes the game (setpriv, unshare), which keeps the process.
struct Launch {
    std::string program = kGame;
    std::vector<std::string> args;  // after the program's name
    std::string workDir;            // empty: the fixture's folder
    std::vector<std::pair<std::string, std::string>> setEnv;
    std::vector<std::string> unsetEnv;
    // Standard output: "" the console file; "closed" or "broken pipe" (its reader gone).
    std::string standardOutput;
};

// dir: a private copy of the game folder, the working folder; the console goes into out.
class ChildGame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kGame, X_OK), 0) << kGame << " is not built";
        ASSERT_NE(std::getenv("DISPLAY"), nullptr);
        setenv("ALSOFT_DRIVERS", "null", 0);
        out = harness::makeTempDir("lumivex-child-out");
        dir = gamefolder::make("lumivex-child");
        ASSERT_FALSE(out.empty() || dir.empty());
    }

    void TearDown() override {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        harness::removeTree(out), harness::removeTree(dir);
    }

    void launch(const Launch& how = Launch()) {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);  // a hung row must not outlive its test
        const std::string stdoutPath = out + "/stdout.txt", stderrPath = out + "/stderr.txt";
        const std::string work = how.workDir.empty() ? dir : how.workDir;
        std::vector<std::string> argText{how.program}, envText;
        argText.insert(argText.end(), how.args.begin(), how.args.end());
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e, name = entry.substr(0, entry.find('='));
            bool replaced = false;
            for (const std::string& gone : how.unsetEnv) replaced = replaced || gone == name;
            for (const auto& set : how.setEnv) replaced = replaced || set.first == name;
            if (!replaced) envText.push_back(entry);
        }
        for (const auto& set : how.setEnv) envText.push_back(set.first + "=" + set.second);
        std::vector<char*> argv, envp;
        for (std::string& a : argText) argv.push_back(&a[0]);
        for (std::string& e : envText) envp.push_back(&e[0]);
        argv.push_back(nullptr), envp.push_back(nullptr);

        last = how;
        window.clear();  // a relaunch must find its own window, not the last one's
        before = windows();
        std::fflush(stdout), std::fflush(stderr);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int o = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(120);
            const std::string& to = how.standardOutput;
            int p[2];
            if (to == "closed") close(1);
            if (to == "broken pipe" && (pipe(p) != 0 || dup2(p[1], 1) < 0 || (close(p[0]) | close(p[1])) != 0)) _exit(125);
            signal(SIGPIPE, SIG_DFL);
            if (chdir(work.c_str()) != 0) _exit(123);
            execve(how.program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
    }

    // The launch, its window and the title screen.
    void start(const Launch& how = Launch()) {
        launch(how);
        ASSERT_TRUE(started()) << "no game window appeared:\n" << console() << errors();
        ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "no title screen:\n" << console();
    }

    static std::set<std::string> windows() {
        std::string text;
        harness::runCommand("xdotool search --name '^Lumivex$' 2>/dev/null", &text);
        std::istringstream in(text);
        return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    }

    bool running() {
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) pid = -1;
        return pid > 0;
    }

    // The exit code once the program has ended (within the given seconds), else -1; -2 for a signal.
    int exitCode(int seconds = 20) {
        for (int t = 0; t < seconds * 20 && running(); ++t) sleepMs(50);
        if (running()) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

    // Waits for the game's window (true) or for the program to end (false). A busy virtual
    // display can refuse a connection: such a start is made again, twice at most, and said.
    bool started() {
        for (int attempt = 1;; ++attempt) {
            for (int t = 0; t < 600 && window.empty() && running(); ++t, sleepMs(100))
                for (const std::string& w : windows())
                    if (!before.count(w)) window = w;
            if (!window.empty() || attempt == 3 || running() || errors().find("cannot open the display") == std::string::npos)
                return !window.empty();
            std::printf("[ display  ] the display refused the game: starting it again\n");
            sleepMs(300);
            launch(last);
        }
    }

    void key(const std::string& keys, const std::string& how = "key") {
        harness::runCommand("xdotool " + how + " --window " + window + " " + keys + " 2>/dev/null");
    }

    Picture shot() {
        const std::string path = out + "/shot.png";
        std::remove(path.c_str());  // a window not ready to be read must not show the last one's
        harness::runCommand("timeout 20 import -window " + window + " '" + path + "' 2>/dev/null");
        return loadPng(path);
    }

    // Average colour of 5 x 5 pixels around (x, y), y from the top.
    static Rgb at(const Picture& p, int x, int y) {
        Rgb sum{0, 0, 0};
        for (int i = 0; i < 25; ++i) {
            const int c = gdImageGetTrueColorPixel(p.get(), x + i % 5 - 2, y + i / 5 - 2);
            sum = {sum[0] + gdTrueColorGetRed(c), sum[1] + gdTrueColorGetGreen(c), sum[2] + gdTrueColorGetBlue(c)};
        }
        return {sum[0] / 25, sum[1] / 25, sum[2] / 25};
    }

    // Screenshots until one passes, within ms (a busy machine draws the first frames slowly).
    bool waitFor(const std::function<bool(const Picture&)>& pred, int ms = 20000) {
        for (int t = 0; t < ms && running(); t += 250, sleepMs(250))
            if (Picture p = shot(); p && pred(p)) return true;
        return false;
    }

    static std::function<bool(const Picture&)> showing(Rgb colour) {
        return [colour](const Picture& p) {
            return gamefolder::near(at(p, 400, 300), colour) && gamefolder::near(at(p, 40, 40), colour);
        };
    }

    // The label picture in the lower left names the style flown, 1 to 11.
    static std::function<bool(const Picture&)> styleLabel(int i) {
        return [i](const Picture& p) { return gamefolder::near(at(p, 178, 571), gamefolder::labelColour(i)); };
    }
    static bool firstStyle(const Picture& p) { return styleLabel(1)(p); }

    // Pixels of the words' colour in the middle of the screen, where a star (gold), a hit and
    // the end (red) are told.
    static int inTheMiddle(const Picture& p, bool red) {
        const Rgb fill = red ? Rgb{255, 74, 58} : Rgb{255, 210, 74};
        int n = 0;
        for (int y = 150; y < 320; y += 2)
            for (int x = 200; x < 600; x += 2) n += gamefolder::near(at(p, x, y), fill, 12);
        return n;
    }

    // Pictures taken back to back for about four seconds, for a moment too short for waitFor's
    // rounds of screenshot and check on a busy machine (xwd takes a window in milliseconds).
    bool sawSoon(const std::function<bool(const Picture&)>& pred) {
        harness::runCommand("for i in $(seq 40); do xwd -silent -id " + window + " > '" + out +
                            "/burst'$i.xwd; sleep 0.1; done 2>/dev/null");
        for (int i = 1; i <= 40; ++i) {
            const std::string base = out + "/burst" + std::to_string(i);
            harness::runCommand("convert '" + base + ".xwd' '" + base + ".png' 2>/dev/null");
            if (Picture p = loadPng(base + ".png"); p && pred(p)) return true;
        }
        return false;
    }

    // The score panel shows a score of two digits or more: the black rims of a second digit
    // right of the first (the sky behind the panel is never black).
    static bool scored(const Picture& p) {
        return pixelsWhere(p, 137, 38, 150, 60, [](int r, int g, int b) { return r < 50 && g < 50 && b < 50; }) > 15;
    }

    // From the title screen into a game that scores (asteroids pass the ship held at the left
    // edge), then hits until the game is over (one in the first style ends it), in the
    // name-entry screen. Watched, a star, a hit and the end are each seen on the screen.
    // watched: the game was started with --style-frames, and each sight is waited for.
    void playUntilNameEntry(bool watched = false) {
        key("s s");  // the first shows a new player the rules, the second starts
        ASSERT_TRUE(said("created new terrain\n") && waitFor(firstStyle)) << "no flight\n" << console();
        size_t from = 0;  // the console's text of this flight
        int gold = 0, red = 0;
        for (int flight = 1;; ++flight) {
            from = console().size();
            key("Left", "keydown");  // at the left edge the asteroids, the world's and F1's, pass by
            gold = inTheMiddle(shot(), false), red = inTheMiddle(shot(), true);
            if (watched && flight == 1) {
                key("F3");
                EXPECT_TRUE(
                    sawSoon([&](const Picture& p) { return styleLabel(2)(p) && inTheMiddle(p, false) > gold + 30; }))
                    << "a star: the next style, +1 in gold";
                // The style entered is said before its picture, and again when a hit takes it back.
                EXPECT_TRUE(said("Style now: 02\n") && said("/style-02.png\n")) << console();
                key("F2");
                EXPECT_TRUE(sawSoon([&](const Picture& p) { return firstStyle(p) && inTheMiddle(p, true) > red + 30; }))
                    << "a hit: the style before, -1 in red";
                EXPECT_TRUE(said("Style now: 01\n", 30000, console().find("Style now: 02\n"))) << console();
            }
            key("F1 F1 F1");
            const auto endedAtNothing = [&] { return said("Game over: score 0\n", 0, from); };
            const bool seen = waitFor([&](const Picture& p) { return scored(p) || endedAtNothing(); }, 60000);
            if (seen && !endedAtNothing()) break;
            // A rock met the ship before any had passed it: that flight ended at 0, on the
            // table. Another is flown; three such in a row would be a fault.
            key("Left", "keyup");
            ASSERT_TRUE(seen && flight < 3) << "no points\n" << console();
            key("s");
            ASSERT_TRUE(waitFor(firstStyle)) << "no flight after one that ended at 0\n" << console();
        }
        if (watched) {
            EXPECT_TRUE(said("/style-01.png\n", 30000, from)) << console();
            key("F2");
            EXPECT_TRUE(sawSoon([&](const Picture& p) { return inTheMiddle(p, true) > red + 80 && firstStyle(p); }))
                << "the end: GAME OVER in red over the flight";
        }
        key("Left", "keyup");
        bool over = false;
        for (int hits = 0; hits < 12 && !over; ++hits) key("F2"), over = said("Game over: score ", 2500, from);
        ASSERT_TRUE(over && waitFor(showing(gamefolder::enterNameColour()))) << "no name entry\n" << console();
    }

    std::string console() { return harness::readFileText(out + "/stdout.txt"); }
    // Waits (by default a generous while) until the console holds the text; from: where in
    // the console to look from (a later flight's text only).
    bool said(const std::string& text, int ms = 30000, size_t from = 0) {
        for (int t = 0; t < ms && running() && console().find(text, from) == std::string::npos; t += 100) sleepMs(100);
        return console().find(text, from) != std::string::npos;
    }
    std::string errors() { return harness::readFileText(out + "/stderr.txt"); }

    std::string dir, out, window;
    Launch last;
    std::set<std::string> before;
    pid_t pid = -1;
    int status = 0;
};

}  // namespace childgame
