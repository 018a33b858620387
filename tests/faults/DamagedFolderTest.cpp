// The real program in a damaged copy of its game folder or a hostile environment: it must
// start (or stop with its documented message and code), never hang, and never lose the
// high-score table.
#include <gtest/gtest.h>
#include <signal.h>
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

TEST_F(DamagedGame, ModelWithAFaceOutOfRangeStopsTheStartWithCodeOne) {
    harness::runCommand("printf 'f 1 2 99999\\n' >> '" + dir + "/Modells/asteroid1.obj'");
    launch();
    EXPECT_EQ(exitCode(), 1) << console();
    EXPECT_TRUE(std::regex_search(console(), std::regex("glmReadOBJ\\(\\) failed: .*\"Modells/asteroid1.obj\".*99999")))
        << console();
    EXPECT_EQ(console().find("Textures Loaded"), std::string::npos);
}

TEST_F(DamagedGame, PlaylistNamingAMissingTitleIsASoundError) {
    harness::writeFileText(dir + "/Sounds/playlist.m3u", "#EXTM3U\n#EXTINF:3,Gone\nno such title.mp3\n");
    launch();
    EXPECT_EQ(exitCode(), 255) << console();
    std::smatch m;
    const std::string text = console();
    ASSERT_TRUE(std::regex_search(text, m, std::regex("FMOD error! \\((-?[0-9]+)\\) ([^\n]*)\n"))) << text;
    EXPECT_NE(std::stoi(m[1]), 0);
    EXPECT_EQ(m[2].str(), audio::errorString(std::stoi(m[1])));
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
