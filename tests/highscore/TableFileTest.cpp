#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "HighscoreFixture.h"

namespace {

TEST_F(HighscoreTest, FirstGameWithoutAFileRanksFirstAndWritesOneLine) {
    HighscoreTable table;
    EXPECT_EQ(enter(table, 120, "Ann"), 1);
    EXPECT_EQ(read("highscore.txt"), "120;Ann\n");
}

TEST_F(HighscoreTest, UnusualAndDamagedLinesLoadWithoutLosingEntries) {
    // Not a number, a Windows line end, equal scores, a very long line, a line without
    // separator, a score too large for an int and a name with further ";".
    const std::string longName(1000, 'x');
    write("highscore.txt", "abc;NotANumber\n300;First\r\n300;Second\n900;" + longName +
                               "\ngarbage\n99999999999;Huge\n10;a;b;c\n");
    HighscoreTable table;
    enter(table, 20, "Zoe");
    EXPECT_EQ(read("highscore.txt"), "2147483647;Huge\n900;" + longName +
                                         "\n300;First\n300;Second\n20;Zoe\n10;a;b;c\n0;NotANumber\n");
}

TEST_F(HighscoreTest, NameIsBoundedAtTwentyCharactersAndKeptOnOneLine) {
    HighscoreTable table;
    table.appendToName("A\nn");
    table.appendToName(std::string(30, 'Q'));
    table.appendToName("R");
    EXPECT_EQ(table.getName(), "An" + std::string(18, 'Q'));
    enter(table, 10, "");
    EXPECT_EQ(read("highscore.txt"), "10;An" + std::string(18, 'Q') + "\n");
}

TEST_F(HighscoreTest, FailureBeforeTheRenameLeavesTheOldFilesIntact) {
    write("highscore.txt", "500;Old\n");
    write("Textures/highscore.png", "old picture");
    HighscoreTable table;
    HighscoreTable::simulateFailureBeforeRename = true;
    harness::captureStdout();
    enter(table, 900, "Lost");
    EXPECT_NE(harness::capturedStdout().find("Could not save the high-score table to highscore.txt"), std::string::npos);
    EXPECT_EQ(read("highscore.txt"), "500;Old\n");
    EXPECT_TRUE(read("Textures/highscore.png") == "old picture") << "the old picture was replaced";
    // No temporary file is left beside Faktos.ttf, Textures and highscore.txt.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);
}

TEST_F(HighscoreTest, UnwritableFolderLeavesTheOldFileAndStillRendersThePicture) {
    write("highscore.txt", "500;Old\n");
    HighscoreTable table;
    table.computeRank(900);
    table.appendToName("Neo");
    // The game folder refuses new files (to root too, which the child stops being); Textures/ stays writable.
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    ASSERT_EQ(chmod((dir + "/Textures").c_str(), 0777), 0);
    harness::captureStdout();
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        table.commitAndRender();
        std::fflush(stdout);
        _exit(access(".", W_OK) == 0 ? 4 : 0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    const std::string out = harness::capturedStdout();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_NE(out.find("Could not save the high-score table"), std::string::npos) << out;
    EXPECT_EQ(read("highscore.txt"), "500;Old\n");
    const Picture p = picture();
    ASSERT_TRUE(p);
    EXPECT_GT(row(p.get(), 300).red, 100);  // the new entry leads
    EXPECT_GT(row(p.get(), 330).gold, 100);
}

}  // namespace
