#pragma once
// The real program as a child process on the (virtual) display, driven with real keys through
// xdotool and watched through screenshots of its window: the one launcher of every test that
// runs the game as a process (end to end, damaged folders, installs).
#include <fcntl.h>
#include <gd.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
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

// How the child is started; everything is prepared before the fork, so the child itself only
// makes system calls.
struct Launch {
    bool asNobody = false;  // root ignores file permissions; others run as themselves
    std::string fullDisk;  // when set: a private, full tmpfs at this folder is the working folder
    std::string program = kGame;
    std::vector<std::string> args;  // after the program's name
    std::string workDir;            // empty: the fixture's folder
    std::vector<std::pair<std::string, std::string>> setEnv;
    std::vector<std::string> unsetEnv;
    // Standard output: "" the console file; "closed", "broken pipe" (its reader gone) or a file.
    std::string standardOutput;
};

// Its folder (dir) is the derived fixture's to make; the console goes into out.
class ChildGame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kGame, X_OK), 0) << kGame << " is not built";
        ASSERT_NE(std::getenv("DISPLAY"), nullptr);
        setenv("ALSOFT_DRIVERS", "null", 0);
        out = harness::makeTempDir("lumivex-child-out");
        ASSERT_FALSE(out.empty());
    }

    void TearDown() override {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        harness::removeTree(out);
    }

    // The child's environment: this process's, changed as the launch says.
    static std::vector<std::string> environmentFor(const Launch& how) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e, name = entry.substr(0, entry.find('='));
            bool replaced = false;
            for (const std::string& gone : how.unsetEnv) replaced = replaced || gone == name;
            for (const auto& set : how.setEnv) replaced = replaced || set.first == name;
            if (!replaced) env.push_back(entry);
        }
        for (const auto& set : how.setEnv) env.push_back(set.first + "=" + set.second);
        return env;
    }

    void launch(const Launch& how = Launch()) {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);  // a hung row must not outlive its test
        const std::string stdoutPath = out + "/stdout.txt", stderrPath = out + "/stderr.txt";
        uid_t uid = 0;
        gid_t gid = 0;
        const bool dropRoot = how.asNobody && getuid() == 0;
        if (dropRoot) {
            const passwd* pw = getpwnam("nobody");
            ASSERT_NE(pw, nullptr);
            uid = pw->pw_uid, gid = pw->pw_gid;
        }
        // The full-disk folder: links to the data, a copy of the table, and a filler.
        std::vector<std::pair<std::string, std::string>> links;
        for (const char* name : {"Shader", "Textures", "Modells", "Sounds", "Faktos.ttf", "portable.txt"})
            links.emplace_back(dir + "/" + name, how.fullDisk + "/" + name);
        const std::string table = harness::readFileText(dir + "/highscore.txt");
        const std::string tablePath = how.fullDisk + "/highscore.txt", filler = how.fullDisk + "/filler";
        const std::string work = !how.fullDisk.empty() ? how.fullDisk : how.workDir.empty() ? dir : how.workDir;
        static char block[4096];
        std::vector<std::string> argText{how.program}, envText = environmentFor(how);
        argText.insert(argText.end(), how.args.begin(), how.args.end());
        std::vector<char*> argv, envp;
        for (std::string& a : argText) argv.push_back(&a[0]);
        for (std::string& e : envText) envp.push_back(&e[0]);
        argv.push_back(nullptr);
        envp.push_back(nullptr);

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
            if (to[0] == '/' && dup2(open(to.c_str(), O_WRONLY | O_CLOEXEC), 1) < 0) _exit(125);
            signal(SIGPIPE, SIG_DFL);
            if (!how.fullDisk.empty()) {
                // 77: this machine cannot give the child a file system of its own.
                if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    mount("lumivex-full", how.fullDisk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=128k") != 0)
                    _exit(77);
                for (const auto& l : links)
                    if (symlink(l.first.c_str(), l.second.c_str()) != 0) _exit(121);
                const int t = open(tablePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (t < 0 || write(t, table.data(), table.size()) != static_cast<ssize_t>(table.size())) _exit(122);
                close(t);
                const int f = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                while (f >= 0 && write(f, block, sizeof block) > 0) {
                }
                if (f >= 0) close(f);
            }
            if (chdir(work.c_str()) != 0) _exit(123);
            if (dropRoot && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) _exit(124);
            execve(how.program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
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

    // The exit code once the program has ended (within 20 s), else -1; -2 for a signal.
    int exitCode() {
        for (int t = 0; t < 400 && running(); ++t) sleepMs(50);
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

    static Picture load(const std::string& png) {
        FILE* f = std::fopen(png.c_str(), "rb");
        Picture p(f ? gdImageCreateFromPng(f) : nullptr, gdImageDestroy);
        if (f) std::fclose(f);
        if (p) gdImagePaletteToTrueColor(p.get());  // a screen of few colours may come as a palette picture
        return p;
    }

    Picture shot() {
        const std::string path = out + "/shot.png";
        std::remove(path.c_str());  // a window not ready to be read must not show the last one's
        harness::runCommand("timeout 20 import -window " + window + " '" + path + "' 2>/dev/null");
        return load(path);
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

    bool waitFor(const std::function<bool(const Picture&)>& pred, int ms = 8000) {
        for (int t = 0; t < ms && running(); t += 250, sleepMs(250))
            if (Picture p = shot(); p && pred(p)) return true;
        return false;
    }

    static std::function<bool(const Picture&)> showing(Rgb colour) {
        return [colour](const Picture& p) {
            return gamefolder::near(at(p, 400, 300), colour) && gamefolder::near(at(p, 40, 40), colour);
        };
    }

    static std::function<bool(const Picture&)> styleLabel(int i) {
        return [i](const Picture& p) { return gamefolder::near(at(p, 178, 571), gamefolder::labelColour(i)); };
    }

    // The score panel shows a score of two digits or more: the black rims of a second digit
    // right of the first (the sky behind the panel is never black).
    static bool scored(const Picture& p) {
        int rims = 0;
        for (int y = 38; y < 60; ++y)
            for (int x = 137; x < 150; ++x) {
                const int c = gdImageGetTrueColorPixel(p.get(), x, y);
                rims += gdTrueColorGetRed(c) < 50 && gdTrueColorGetGreen(c) < 50 && gdTrueColorGetBlue(c) < 50;
            }
        return rims > 15;
    }

    // From the title screen into a game that scores (asteroids pass the ship held at the left
    // edge), then hits until the game ends in the name-entry screen.
    void playUntilNameEntry() {
        ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
        key("s s");  // the first shows a new player the rules, the second starts
        ASSERT_TRUE(waitFor(styleLabel(1))) << console();
        key("Left", "keydown"), key("F1 F1 F1");
        ASSERT_TRUE(waitFor(scored, 30000)) << "no points\n" << console();
        key("Left", "keyup");
        bool naming = false;
        for (int presses = 0; presses < 20 && !naming; ++presses)
            key("F2"), naming = waitFor(showing(gamefolder::enterNameColour()), 600);
        ASSERT_TRUE(naming) << "no name entry\n" << console();
    }

    std::string console() { return harness::readFileText(out + "/stdout.txt"); }
    // Waits (a generous while) until the console holds the text.
    bool said(const std::string& text) {
        for (int t = 0; t < 300 && running() && console().find(text) == std::string::npos; ++t) sleepMs(100);
        return console().find(text) != std::string::npos;
    }
    std::string errors() { return harness::readFileText(out + "/stderr.txt"); }

    std::string dir, out, window;
    Launch last;
    std::set<std::string> before;
    pid_t pid = -1;
    int status = 0;
};

}  // namespace childgame
