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
        harness::writeFileText(dir + "/highscore.txt", kTable);
    }
    // A flight as a player starts one (jump, fire, the test keys' objects), ended by a hit
    // without points on the high-score screen; then, once the game has said `awaited`, Escape.
    // A console the test cannot read: the flight is watched on screen and quit from its pause.
    void playAndQuit(const std::string& awaited = "", bool consoleRead = true) {
        ASSERT_TRUE(started()) << console() << errors();
        key("s s");  // the first shows a new player the rules, the second starts
        if (!consoleRead) {
            EXPECT_TRUE(waitFor(firstStyle)) << "a flight";
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
// and its errors), stopping with the given code or (0) playing on until it said `awaited`. The
// log is a plain file whenever there is one. (A missing shader: the timedemo test; a model's
// broken face: the model reader's test; a folder in a picture's place: the texture loader's.)
struct Damage {
    const char* what;
    std::function<void(const std::string& dir, Launch& how)> damage;
    int code;
    const char* said;
    const char* awaited = "";
    const char* logged = "";  // in log.txt
};

const char* const kLogStart = "^Lumenwerk Framework Logfile v0\\.05\n";

TEST_F(DamagedGame, EachDamageIsReportedAndTheGamePlaysOnOrStopsAsDocumented) {
    const Damage rows[] = {
        {"no Textures folder", [](const std::string& d, Launch&) { harness::removeTree(d + "/Textures"); }, 0, "Textures Loaded"},
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
        {"a device as a model, in the timedemo",
         [](const std::string& d, Launch& how) {
             std::remove((d + "/Modells/asteroid1.obj").c_str());
             symlink("/dev/zero", (d + "/Modells/asteroid1.obj").c_str());  // endless bytes: read as missing
             how.args = {"--timedemo", "--timedemo-frames", "1", "--csv", "timedemo.csv"};
         },
         1, "glmReadOBJ\\(\\) failed: can't open data file \"Modells/asteroid1\\.obj\"\\.\n(?![\\s\\S]*Timedemo:)"},
        // Launchers that closed standard output, or whose reader went away (a failed write, as on
        // a full device).
        {"standard output closed", [](const std::string&, Launch& how) { how.standardOutput = "closed"; }, 0, ""},
        {"standard output unread", [](const std::string&, Launch& how) { how.standardOutput = "broken pipe"; }, 0, ""},
        {"a read-only folder of another user",
         [](const std::string& d, Launch& how) {
             harness::runCommand("chmod -R a+rX,a-w '" + d + "'");
             if (getuid() == 0)  // root writes anywhere: the game runs as nobody
                 how.program = "/usr/bin/setpriv", how.args = {"--reuid=nobody", "--regid=nogroup", "--clear-groups", childgame::kGame};
         },
         0, "", "", "^$"},  // no log
        {"a FIFO at the log", [](const std::string& d, Launch&) { mkfifo((d + "/log.txt").c_str(), 0644); }, 0, "", "", kLogStart},
        {"a link to the table at the log", [](const std::string& d, Launch&) { symlink("highscore.txt", (d + "/log.txt").c_str()); },
         0, "", "", kLogStart},
    };
    for (const Damage& row : rows) {
        SCOPED_TRACE(row.what);
        harness::removeTree(dir);
        dir = gamefolder::make("lumivex-faults");
        harness::writeFileText(dir + "/highscore.txt", kTable);
        std::remove((dir + "/log.txt").c_str());  // the copied folder's log of earlier runs
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
        struct stat log {};
        ASSERT_TRUE(lstat((dir + "/log.txt").c_str(), &log) != 0 || S_ISREG(log.st_mode)) << "log.txt is no plain file";
        EXPECT_TRUE(std::regex_search(harness::readFileText(dir + "/log.txt"), std::regex(row.logged)));
        EXPECT_EQ(harness::readFileText(dir + "/highscore.txt"), kTable);
        EXPECT_FALSE(gamefolder::exists(dir + "/timedemo.csv")) << "a timedemo that did not run writes no table";
    }
}

// The red line above the table that tells of a failed or a waiting save.
bool failureLine(const Picture& p) {
    return childgame::pixelsWhere(p, 190, 190, 610, 220, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }) > 300;
}

// With the table's lock held by another program (a game stopped during its save), or on a full
// disk: the table stays whole, and the game neither freezes nor hides that the score waits;
// quitting names it. (Nothing is written before a name is confirmed: GameTest.)
TEST_F(DamagedGame, OnAFullDiskOrWithTheLockHeldTheTableStaysWhole) {
    const int held = open((dir + "/highscore.txt.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_NO_FATAL_FAILURE(start());
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

    // The full disk: a private tmpfs of 128 kB as the working folder, holding links to the data,
    // a copy of the table and a file that takes the rest.
    const std::string disk = out + "/disk";
    ::mkdir(disk.c_str(), 0755);
    Launch how;
    how.program = "/usr/bin/unshare";
    how.args = {"-m", "--propagation", "private", "/bin/sh", "-c",
                "mount -t tmpfs -o size=128k lumivex-full \"$1\" || exit 77; cd \"$1\" && cp \"$2/highscore.txt\" . && "
                "for f in Shader Textures Modells Sounds Faktos.ttf portable.txt; do ln -s \"$2/$f\" . || exit 1; done && "
                "{ cat /dev/zero >filler 2>/dev/null; exec \"$3\"; }",
                "sh", disk, dir, childgame::kGame};
    launch(how);
    if (!started() && (exitCode() == 77 || errors().find("unshare failed") != std::string::npos))
        GTEST_SKIP() << "no private tmpfs on this machine";
    ASSERT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console() << errors();
    ASSERT_NO_FATAL_FAILURE(playUntilNameEntry());
    key("T e s t e r Return");
    EXPECT_TRUE(waitFor(failureLine)) << console();
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
