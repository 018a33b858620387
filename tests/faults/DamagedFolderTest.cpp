// The real program in a damaged copy of its game folder or a hostile environment: it must
// start (or stop with its documented message and code), never hang, and never lose the
// high-score table.
#include <fcntl.h>
#include <gd.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sndfile.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "core/TestGameFolder.h"

namespace {

using gamefolder::Rgb;
using Picture = std::unique_ptr<gdImage, decltype(&gdImageDestroy)>;

const char* const kGame = LUMIVEX_GAME_DIR "/lumivex";
const std::string kTable = "900;Ada\n500;Bob\n500;Bea\n120;Cy\n15;Dee\n";

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Overwrites bytes of a file in place.
void patch(const std::string& path, long offset, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr) << path;
    std::fseek(f, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// How the child is started; everything is prepared before the fork, so the child itself only
// makes system calls.
struct Launch {
    bool asNobody = false;  // root ignores file permissions; others run as themselves
    std::string fullDisk;  // when set: a private, full tmpfs at this folder is the working folder
    std::vector<std::string> env;  // NAME=value settings on top of the test's environment
};

class DamagedGame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kGame, X_OK), 0) << kGame << " is not built";
        ASSERT_NE(std::getenv("DISPLAY"), nullptr);
        setenv("ALSOFT_DRIVERS", "null", 0);
        dir = gamefolder::make("lumivex-faults");
        out = harness::makeTempDir("lumivex-faults-out");
        ASSERT_FALSE(dir.empty() || out.empty());
    }

    void TearDown() override {
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        harness::removeTree(dir);
        harness::removeTree(out);
    }

    void launch(const Launch& how = Launch()) {
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
        for (const char* name : {"Shader", "Textures", "Modells", "Sounds", "Faktos.ttf"})
            links.emplace_back(dir + "/" + name, how.fullDisk + "/" + name);
        const std::string table = harness::readFileText(dir + "/highscore.txt");
        const std::string tablePath = how.fullDisk + "/highscore.txt", filler = how.fullDisk + "/filler";
        const std::string work = how.fullDisk.empty() ? dir : how.fullDisk;
        static char block[4096];
        std::vector<std::string> envText = how.env;
        for (char** e = environ; *e; ++e) {
            const std::string setting = *e, name = setting.substr(0, setting.find('=') + 1);
            bool replaced = false;
            for (const std::string& own : how.env) replaced = replaced || own.rfind(name, 0) == 0;
            if (!replaced) envText.push_back(setting);
        }
        std::vector<char*> envp;
        for (std::string& e : envText) envp.push_back(e.data());
        envp.push_back(nullptr);
        char* const argv[] = {const_cast<char*>(kGame), nullptr};

        window.clear();
        before = windows();
        std::fflush(stdout), std::fflush(stderr);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int o = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(120);
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
            execve(kGame, argv, envp.data());
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

    // Waits for the game's window (true) or for the program to end (false).
    bool started() {
        for (int t = 0; t < 600 && window.empty() && running(); ++t, sleepMs(100))
            for (const std::string& w : windows())
                if (!before.count(w)) window = w;
        return !window.empty();
    }

    void key(const std::string& keys, const std::string& how = "key") {
        harness::runCommand("xdotool " + how + " --window " + window + " " + keys + " 2>/dev/null");
    }

    Picture shot() {
        const std::string path = out + "/shot.png";
        harness::runCommand("import -window " + window + " '" + path + "' 2>/dev/null");
        FILE* f = std::fopen(path.c_str(), "rb");
        Picture p(f ? gdImageCreateFromPng(f) : nullptr, gdImageDestroy);
        if (f) std::fclose(f);
        return p;
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

    // From the title screen into a game that scores (asteroids pass the ship held at the left
    // edge), then hits until the game ends in the name-entry screen.
    void playUntilNameEntry() {
        ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
        key("s");
        ASSERT_TRUE(waitFor(styleLabel(1))) << console();
        key("Left", "keydown"), key("F1 F1 F1"), sleepMs(8000), key("Left", "keyup");
        bool naming = false;
        for (int presses = 0; presses < 20 && !naming; ++presses)
            key("F2"), naming = waitFor(showing(gamefolder::enterNameColour()), 600);
        ASSERT_TRUE(naming) << "no name entry (no points?)\n" << console();
    }

    std::string console() { return harness::readFileText(out + "/stdout.txt"); }
    std::string errors() { return harness::readFileText(out + "/stderr.txt"); }

    std::string dir, out, window;
    std::set<std::string> before;
    pid_t pid = -1;
    int status = 0;
};

TEST_F(DamagedGame, ReadOnlyFolderRunsWithoutWritingAnything) {
    // The copied folder may hold the files of earlier runs; none may appear in this one.
    std::remove((dir + "/log.txt").c_str());
    std::remove((dir + "/highscore.txt").c_str());
    ASSERT_EQ(harness::runCommand("chmod -R a+rX,a-w '" + dir + "'"), 0);
    Launch how;
    how.asNobody = true;
    launch(how);
    ASSERT_TRUE(started()) << console() << errors();
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "title screen";
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    EXPECT_NE(console().find("Textures Loaded"), std::string::npos) << console();
    EXPECT_FALSE(gamefolder::exists(dir + "/log.txt"));
    EXPECT_FALSE(gamefolder::exists(dir + "/highscore.txt"));
}

TEST_F(DamagedGame, MissingShaderIsReportedAndItsStyleStillPlays) {
    std::remove((dir + "/Shader/toon.frag").c_str());
    launch();
    ASSERT_TRUE(started()) << console();
    key("s");
    ASSERT_TRUE(waitFor(styleLabel(1))) << console();
    EXPECT_NE(console().find("Could not open shader file: Shader/toon.frag"), std::string::npos) << console();
    key("F3 F3 F3 F3 F3 F3");  // the toon style is the seventh
    EXPECT_TRUE(waitFor(styleLabel(7), 15000)) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
}

TEST_F(DamagedGame, MissingTitlePictureLeavesAPlayableGame) {
    std::remove((dir + "/Textures/titlescreen.jpg").c_str());
    launch();
    ASSERT_TRUE(started()) << console();
    key("s");
    EXPECT_TRUE(waitFor(styleLabel(1))) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
}

TEST_F(DamagedGame, ABadFaceOrADeviceAsAModelStopsTheStartWithCodeOne) {
    const std::string model = dir + "/Modells/asteroid1.obj";
    harness::runCommand("printf 'f 1 2 99999\\n' >> '" + model + "'");
    launch();
    EXPECT_EQ(exitCode(), 1) << console();
    EXPECT_TRUE(std::regex_search(console(), std::regex("glmReadOBJ\\(\\) failed: .*\"Modells/asteroid1.obj\".*99999")))
        << console();
    EXPECT_EQ(console().find("Textures Loaded"), std::string::npos);

    std::remove(model.c_str());
    ASSERT_EQ(symlink("/dev/zero", model.c_str()), 0);  // endless bytes: read as a missing model
    launch();
    EXPECT_EQ(exitCode(), 1) << console();
    EXPECT_NE(console().find("glmReadOBJ() failed: can't open data file \"Modells/asteroid1.obj\".\n"), std::string::npos)
        << console();
}

TEST_F(DamagedGame, WithoutASoundDeviceTheGamePlaysSilently) {
    Launch how;
    how.env = {"ALSOFT_DRIVERS=nonexistent"};
    launch(how);
    ASSERT_TRUE(started()) << console();
    key("s");
    ASSERT_TRUE(waitFor(styleLabel(1))) << console();
    key("Up space m F1 F4 F8");  // jump, fire, pause the music, sounding objects
    sleepMs(1500);
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console() << errors();
    // One report, at start-up; nothing after it complains.
    const std::string text = console(), notice = "No sound device: the game runs without sound\n";
    const size_t at = text.find("FMOD error! (4) The sound output device could not be opened.\n" + notice);
    EXPECT_NE(at, std::string::npos) << text;
    EXPECT_EQ(at, text.rfind("FMOD error!")) << text;
    EXPECT_EQ(text.find(notice), text.rfind(notice));
    EXPECT_NE(harness::readFileText(dir + "/log.txt").find("\n" + notice), std::string::npos);
}

TEST_F(DamagedGame, BrokenOrVanishedTitlesAreSkippedWhileThePlayerTypesTheirName) {
    // A three-second title, then one that goes away while the game runs, a folder and noise.
    SF_INFO info{3 * 22050, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* f = sf_open((dir + "/Sounds/short.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<short> tone(3 * 22050);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<short>(i % 50 < 25 ? 4000 : -4000);
    sf_write_short(f, tone.data(), static_cast<sf_count_t>(tone.size()));
    sf_close(f);
    harness::runCommand("cp '" + dir + "/Sounds/01 - Remember.mp3' '" + dir + "/Sounds/gone.mp3'");
    ::mkdir((dir + "/Sounds/folder").c_str(), 0755);
    harness::writeFileText(dir + "/Sounds/noise.mp3", "no sound in here\n");
    harness::writeFileText(dir + "/Sounds/playlist.m3u", "#EXTM3U\nshort.wav\ngone.mp3\nfolder\nnoise.mp3\n");
    launch();
    ASSERT_TRUE(started()) << console();
    std::remove((dir + "/Sounds/gone.mp3").c_str());
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s t");
    sleepMs(1000);
    key("Return");
    sleepMs(1000);
    EXPECT_TRUE(running()) << console();
    const std::string text = console();
    for (const char* skipped : {"gone.mp3", "folder", "noise.mp3"})
        EXPECT_NE(text.find(std::string("Music title skipped: Sounds/") + skipped + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FMOD error! (5) File not found.\n"), std::string::npos) << text;
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << text;
}

TEST_F(DamagedGame, FoldersInPlaceOfPicturesLoadAsNothing) {
    for (const char* picture : {"/Textures/titlescreen.jpg", "/Textures/highscore.png"}) {
        std::remove((dir + picture).c_str());
        ASSERT_EQ(::mkdir((dir + picture).c_str(), 0755), 0);
    }
    launch();
    ASSERT_TRUE(started()) << console();
    key("s");
    ASSERT_TRUE(waitFor(styleLabel(1))) << console() << errors();
    key("F2");  // a hit without points: the high-score screen, whose picture is a folder
    sleepMs(1500);
    EXPECT_TRUE(running()) << console() << errors();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console() << errors();
}

TEST_F(DamagedGame, AFifoOrALinkAtTheLogIsReplacedNotOpened) {
    harness::writeFileText(dir + "/highscore.txt", kTable);
    const std::string log = dir + "/log.txt";
    for (bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "FIFO" : "link to the table");
        std::remove(log.c_str());
        ASSERT_EQ(fifo ? mkfifo(log.c_str(), 0644) : symlink("highscore.txt", log.c_str()), 0);
        launch();
        ASSERT_TRUE(started()) << console();
        EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << "title screen\n" << console();
        key("Escape");
        ASSERT_EQ(exitCode(), 0) << console();
        struct stat st {};
        EXPECT_TRUE(lstat(log.c_str(), &st) == 0 && S_ISREG(st.st_mode));
        EXPECT_EQ(harness::readFileText(log).rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u);
        EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);
    }
}

TEST_F(DamagedGame, DamagedDdsAndPngLoadAsNothing) {
    patch(dir + "/Textures/3dterrain4RGB.dds", 88, std::string("\x0d\0\0\0", 4));  // 13 bits a pixel
    patch(dir + "/Textures/arrow.png", 8, "\x7f\xff\xff\x00");                      // IHDR length
    patch(dir + "/Textures/highscore.png", 8, "\x00\x00\x10\x00");
    launch();
    ASSERT_TRUE(started()) << console();
    key("s");
    ASSERT_TRUE(waitFor(styleLabel(1))) << console();
    key("F1 F4 F8");
    sleepMs(1500);
    key("F2");  // a hit without points ends the game on the high-score screen (its picture is broken)
    sleepMs(1000);
    EXPECT_TRUE(running()) << console() << errors();
    EXPECT_NE(errors().find("Could not load image Textures/3dterrain4RGB.dds"), std::string::npos) << errors();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console() << errors();
}

TEST_F(DamagedGame, KilledDuringNameEntryKeepsTheTable) {
    harness::writeFileText(dir + "/highscore.txt", kTable);
    launch();
    ASSERT_TRUE(started()) << console();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s");
    sleepMs(300);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
    EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);
    std::string leftovers;
    harness::runCommand("ls '" + dir + "' | grep -c '^highscore.txt.'", &leftovers);
    EXPECT_EQ(leftovers, "0\n");
}

TEST_F(DamagedGame, FullDiskKeepsTheTableAndTheGameRunning) {
    harness::writeFileText(dir + "/highscore.txt", kTable);
    const std::string disk = out + "/disk";
    ::mkdir(disk.c_str(), 0755);
    Launch how;
    how.fullDisk = disk;
    launch(how);
    if (!started() && exitCode() == 77) GTEST_SKIP() << "no private tmpfs on this machine";
    ASSERT_FALSE(window.empty()) << console();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s t e r Return");
    EXPECT_TRUE(waitFor([](const Picture& p) { return !showing(gamefolder::enterNameColour())(p); }));
    // The table lives in the child's own mount of the folder.
    const std::string seen = "/proc/" + std::to_string(pid) + "/root" + disk;
    EXPECT_EQ(harness::readFileText(seen + "/highscore.txt"), kTable);
    std::string leftovers;
    harness::runCommand("ls '" + seen + "' | grep -c '^highscore.txt.'", &leftovers);
    EXPECT_EQ(leftovers, "0\n");
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    EXPECT_NE(console().find("Could not save the high-score table to highscore.txt: No space left on device"),
              std::string::npos)
        << console();
}

}  // namespace
