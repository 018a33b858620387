// The real program in a damaged copy of its game folder or a hostile environment: it must
// start and play (or stop with its documented message and code), never hang, and never lose
// the high-score table.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>

#include "support/ChildGame.h"

namespace {

using childgame::Launch;
using childgame::Picture;

const std::string kTable = "900;Ada\n500;Bob\n500;Bea\n120;Cy\n15;Dee\n";

// Overwrites bytes of a file in place.
void patch(const std::string& path, long offset, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr) << path;
    std::fseek(f, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A three-second title, then one that is gone, a folder and noise.
void brokenPlaylist(const std::string& dir) {
    SF_INFO info{3 * 22050, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* f = sf_open((dir + "/Sounds/short.wav").c_str(), SFM_WRITE, &info);
    std::vector<short> tone(3 * 22050);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<short>(i % 50 < 25 ? 4000 : -4000);
    if (f) sf_write_short(f, tone.data(), static_cast<sf_count_t>(tone.size())), sf_close(f);
    ::mkdir((dir + "/Sounds/folder").c_str(), 0755);
    harness::writeFileText(dir + "/Sounds/noise.mp3", "no sound in here\n");
    harness::writeFileText(dir + "/Sounds/playlist.m3u", "#EXTM3U\nshort.wav\ngone.mp3\nfolder\nnoise.mp3\n");
}

class DamagedGame : public childgame::ChildGame {
protected:
    void SetUp() override {
        ChildGame::SetUp();
        dir = gamefolder::make("lumivex-faults");
        ASSERT_FALSE(dir.empty());
        harness::writeFileText(dir + "/highscore.txt", kTable);
    }
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
    }
    // A flight as a player starts one (jump, fire, the test keys' objects), ended by a hit
    // without points on the high-score screen; then, once the game has said `awaited`, Escape.
    // A console the test cannot read: the flight is watched on screen and quit from its pause.
    void playAndQuit(const std::string& awaited = "", bool consoleRead = true) {
        ASSERT_TRUE(started()) << console() << errors();
        key("s s");  // the first shows a new player the rules, the second starts
        if (!consoleRead) {
            EXPECT_TRUE(waitFor(styleLabel(1))) << "a flight";
            key("Escape q");
            EXPECT_EQ(exitCode(), 0) << errors();
            return;
        }
        ASSERT_TRUE(said("created new terrain\n")) << console() << errors();
        key("Up space m F1 F4 F8 m F2");  // the music paused and back
        EXPECT_TRUE(said("Game over: score 0\n")) << console() << errors();
        EXPECT_TRUE(said(awaited)) << console() << errors();
        key("Escape");
        EXPECT_EQ(exitCode(), 0) << console() << errors();
    }
};

// Each row: what is damaged, and what the game must say (a regular expression over its console
// and its errors), stopping with the given code or (0) playing on until it said `awaited`.
struct Damage {
    const char* what;
    std::function<void(const std::string& dir, Launch& how)> damage;
    int code;
    const char* said;
    const char* awaited = "";
    const char* logged = "";  // in log.txt
};

TEST_F(DamagedGame, EachDamageIsReportedAndTheGamePlaysOnOrStopsAsDocumented) {
    const Damage rows[] = {
        {"a missing shader", [](const std::string& d, Launch&) { std::remove((d + "/Shader/toon.frag").c_str()); }, 0,
         "Could not open shader file: Shader/toon\\.frag"},
        {"a missing title picture", [](const std::string& d, Launch&) { std::remove((d + "/Textures/titlescreen.jpg").c_str()); }, 0, ""},
        {"no Textures folder", [](const std::string& d, Launch&) { harness::removeTree(d + "/Textures"); }, 0, "Textures Loaded"},
        {"folders in place of pictures",
         [](const std::string& d, Launch&) {
             for (const char* picture : {"/Textures/titlescreen.jpg", "/Textures/highscore.png"})
                 std::remove((d + picture).c_str()), ::mkdir((d + picture).c_str(), 0755);
         },
         0, ""},
        {"a damaged volume and damaged pictures",
         [](const std::string& d, Launch&) {
             patch(d + "/Textures/3dterrain4RGB.dds", 88, std::string("\x0d\0\0\0", 4));  // 13 bits a pixel
             patch(d + "/Textures/arrow.png", 8, "\x7f\xff\xff\x00");                      // IHDR length
             patch(d + "/Textures/highscore.png", 8, "\x00\x00\x10\x00");
         },
         0, "Could not load image Textures/3dterrain4RGB\\.dds"},
        {"no sound device", [](const std::string&, Launch& how) { how.setEnv = {{"ALSOFT_DRIVERS", "nonexistent"}}; }, 0,
         "FMOD error! \\(4\\) The sound output device could not be opened\\.\nNo sound device: the game runs without "
         "sound\n(?![\\s\\S]*(FMOD error|No sound device))", "", "\nNo sound device: the game runs without sound\n"},
        {"a broken playlist", [](const std::string& d, Launch&) { brokenPlaylist(d); }, 0,
         "FMOD error! \\(5\\) File not found\\.\nMusic title skipped: Sounds/gone\\.mp3\n[\\s\\S]*"
         "Music title skipped: Sounds/folder\n[\\s\\S]*Music title skipped: Sounds/noise\\.mp3\n",
         "Music title skipped: Sounds/noise.mp3"},
        {"a bad face in a model", [](const std::string& d, Launch&) {
             harness::runCommand("printf 'f 1 2 99999\\n' >> '" + d + "/Modells/asteroid1.obj'");
         }, 1, "glmReadOBJ\\(\\) failed: .*\"Modells/asteroid1\\.obj\".*99999"},
        {"a device as a model, in the timedemo",
         [](const std::string& d, Launch& how) {
             std::remove((d + "/Modells/asteroid1.obj").c_str());
             symlink("/dev/zero", (d + "/Modells/asteroid1.obj").c_str());  // endless bytes: read as missing
             how.args = {"--timedemo", "--timedemo-frames", "1", "--csv", "timedemo.csv"};
         },
         1, "glmReadOBJ\\(\\) failed: can't open data file \"Modells/asteroid1\\.obj\"\\.\n(?![\\s\\S]*Timedemo:)"},
        // Launchers that closed standard output, gave it a full device, or whose reader went away.
        {"standard output closed", [](const std::string&, Launch& how) { how.standardOutput = "closed"; }, 0, ""},
        {"standard output full", [](const std::string&, Launch& how) { how.standardOutput = "/dev/full"; }, 0, ""},
        {"standard output unread", [](const std::string&, Launch& how) { how.standardOutput = "broken pipe"; }, 0, ""},
    };
    for (const Damage& row : rows) {
        SCOPED_TRACE(row.what);
        harness::removeTree(dir);
        dir = gamefolder::make("lumivex-faults");
        harness::writeFileText(dir + "/highscore.txt", kTable);
        Launch how;
        row.damage(dir, how);
        launch(how);
        if (row.code == 0) {
            ASSERT_NO_FATAL_FAILURE(playAndQuit(row.awaited, how.standardOutput.empty()));
        } else {
            EXPECT_EQ(exitCode(), row.code) << console() << errors();
            EXPECT_EQ(console().find("Textures Loaded"), std::string::npos) << "stopped before its start-up ended";
        }
        EXPECT_TRUE(std::regex_search(console() + errors(), std::regex(row.said))) << console() << errors();
        EXPECT_TRUE(std::regex_search(harness::readFileText(dir + "/log.txt"), std::regex(row.logged)));
        EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);
    }
    EXPECT_FALSE(gamefolder::exists(dir + "/timedemo.csv")) << "a timedemo that did not run writes no table";
}

TEST_F(DamagedGame, AReadOnlyFolderOfAnotherUserRunsWithoutWritingAnything) {
    // The copied folder may hold the files of earlier runs; none may appear in this one.
    std::remove((dir + "/log.txt").c_str());
    std::remove((dir + "/highscore.txt").c_str());
    ASSERT_EQ(harness::runCommand("chmod -R a+rX,a-w '" + dir + "'"), 0);
    Launch how;
    how.asNobody = true;
    launch(how);
    ASSERT_NO_FATAL_FAILURE(playAndQuit());
    EXPECT_FALSE(gamefolder::exists(dir + "/log.txt"));
    EXPECT_FALSE(gamefolder::exists(dir + "/highscore.txt"));
}

TEST_F(DamagedGame, AFifoOrALinkAtTheLogIsReplacedNotOpened) {
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

// The red line above the table that tells of a failed or a waiting save.
bool failureLine(const Picture& p) {
    int red = 0;
    for (int y = 190; y < 220; ++y)
        for (int x = 190; x < 610; ++x) {
            const int c = gdImageGetTrueColorPixel(p.get(), x, y);
            red += gdTrueColorGetRed(c) > 200 && gdTrueColorGetGreen(c) < 60 && gdTrueColorGetBlue(c) < 60;
        }
    return red > 300;
}

// Killed while a name is typed, on a full disk, or with the table's lock held by another
// program (a game stopped during its save): the table stays whole, and the game neither
// freezes nor hides that the score waits; quitting names it.
TEST_F(DamagedGame, KilledDuringNameEntryOnAFullDiskOrWithTheLockHeldTheTableStaysWhole) {
    launch();
    ASSERT_TRUE(started()) << console();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s");
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
    EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);
    std::string leftovers;
    harness::runCommand("ls '" + dir + "' | grep -c '^highscore.txt.'", &leftovers);
    EXPECT_EQ(leftovers, "0\n");

    const int held = open((dir + "/highscore.txt.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    launch();
    ASSERT_TRUE(started()) << console();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("W a i t e r Return");
    EXPECT_TRUE(waitFor(failureLine)) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    close(held);
    EXPECT_NE(console().find("yet: another program holds the table's lock; trying again\n"), std::string::npos);
    EXPECT_NE(console().find("(Waiter) was not saved: another program holds the lock of highscore.txt\n"),
              std::string::npos) << console();
    EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);

    const std::string disk = out + "/disk";
    ::mkdir(disk.c_str(), 0755);
    Launch how;
    how.fullDisk = disk;
    launch(how);
    if (!started() && exitCode() == 77) GTEST_SKIP() << "no private tmpfs on this machine";
    ASSERT_FALSE(window.empty()) << console();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s t e r Return");
    EXPECT_TRUE(waitFor(failureLine)) << console();
    // The table lives in the child's own mount of the folder.
    const std::string seen = "/proc/" + std::to_string(pid) + "/root" + disk;
    EXPECT_EQ(harness::readFileText(seen + "/highscore.txt"), kTable);
    harness::runCommand("ls '" + seen + "' | grep -c '^highscore.txt.'", &leftovers);
    EXPECT_EQ(leftovers, "0\n");
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    EXPECT_NE(console().find("Could not save the high-score table to highscore.txt: No space left on device"),
              std::string::npos)
        << console();
}

}  // namespace
