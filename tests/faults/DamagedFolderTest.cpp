// The real program in a damaged copy of its game folder or a hostile environment: it must
// start (or stop with its documented message and code), never hang, and never lose the
// high-score table.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>

#include "faults/ChildGame.h"
#include "platform/audio/Audio.h"

namespace {

using childgame::Launch;
using childgame::Picture;
using childgame::sleepMs;

const std::string kTable = "900;Ada\n500;Bob\n500;Bea\n120;Cy\n15;Dee\n";

// Overwrites bytes of a file in place.
void patch(const std::string& path, long offset, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr) << path;
    std::fseek(f, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class DamagedGame : public childgame::ChildGame {
protected:
    void SetUp() override {
        ChildGame::SetUp();
        dir = gamefolder::make("lumivex-faults");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
    }
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
    how.setEnv = {{"ALSOFT_DRIVERS", "nonexistent"}};
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
