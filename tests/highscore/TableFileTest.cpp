#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <vector>

#include "HighscoreFixture.h"

namespace {

using hstest::GameFolderTest;
using Entries = std::vector<std::pair<int, std::string>>;

// The table from the highest score down, as the file and the picture list it.
Entries descending(const HighscoreTable& table) {
    Entries result;
    for (auto it = table.getEntries().rbegin(); it != table.getEntries().rend(); ++it) result.push_back(*it);
    return result;
}

std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

TEST_F(GameFolderTest, FirstGameWithoutFileRanksFirstAndWritesOneLine) {
    HighscoreTable table;
    EXPECT_EQ(1, table.computeRank(120));
    EXPECT_TRUE(table.getEntries().empty());
    table.appendToName("Ann");
    table.commitAndRender();
    EXPECT_EQ("120;Ann\n", read("highscore.txt"));
    EXPECT_EQ("", table.getName()) << "the name is cleared after the commit";
    EXPECT_EQ((Entries{{120, "Ann"}}), descending(table));
}

TEST_F(GameFolderTest, NewScoreRanksAboveEqualOldScores) {
    write("highscore.txt", "500;Al\n300;Old\n100;Cy\n");
    HighscoreTable table;
    EXPECT_EQ(2, enter(table, 300, "New"));
    EXPECT_EQ("500;Al\n300;New\n300;Old\n100;Cy\n", read("highscore.txt"));

    // Lower than everything, higher than everything.
    EXPECT_EQ(5, table.computeRank(50));
    EXPECT_EQ(1, table.computeRank(501));
    EXPECT_EQ(1, table.getRank());
}

TEST_F(GameFolderTest, ScoresAreReadLikeAtoiAndNamesKeepEverythingAfterTheFirstSemicolon) {
    write("highscore.txt",
          "abc;NotANumber\n  42;Blanks\n-7;Negative\n12abc;Trailing\n+5;Plus\n99999999999;Huge\n"
          "10;a;b;c\n3;\n");
    HighscoreTable table;
    table.load("highscore.txt");
    EXPECT_EQ((Entries{{INT_MAX, "Huge"},
                       {42, "Blanks"},
                       {12, "Trailing"},
                       {10, "a;b;c"},
                       {5, "Plus"},
                       {3, ""},
                       {0, "NotANumber"},
                       {-7, "Negative"}}),
              descending(table));

    // A rewrite keeps the names exactly, further ";" and the empty name included.
    enter(table, 11, "Zoe");
    EXPECT_EQ("2147483647;Huge\n42;Blanks\n12;Trailing\n11;Zoe\n10;a;b;c\n5;Plus\n3;\n0;NotANumber\n-7;Negative\n",
              read("highscore.txt"));
}

TEST_F(GameFolderTest, DamagedLinesAreSkippedAndTheRestIsKept) {
    write("highscore.txt", "300;Ann\ngarbage without separator\n\n200;Bob\r\n100;Cid");
    HighscoreTable table;
    EXPECT_EQ(3, table.computeRank(150));
    EXPECT_EQ((Entries{{300, "Ann"}, {200, "Bob"}, {100, "Cid"}}), descending(table))
        << "entries after a damaged line, a Windows line end and a last line without newline";
    table.appendToName("Dee");
    table.commitAndRender();
    EXPECT_EQ("300;Ann\n200;Bob\n150;Dee\n100;Cid\n", read("highscore.txt"));
}

TEST_F(GameFolderTest, LongLinesAreReadWhole) {
    const std::string longName(1000, 'x');
    write("highscore.txt", "900;" + longName + "\n800;After\n");
    HighscoreTable table;
    table.load("highscore.txt");
    EXPECT_EQ((Entries{{900, longName}, {800, "After"}}), descending(table));
}

TEST_F(GameFolderTest, EqualScoresKeepTheirFileOrderAcrossRewrites) {
    write("highscore.txt", "300;First\n300;Second\n300;Third\n");
    HighscoreTable table;
    enter(table, 100, "Low");
    EXPECT_EQ("300;First\n300;Second\n300;Third\n100;Low\n", read("highscore.txt"));
    enter(table, 300, "Newest");
    EXPECT_EQ("300;Newest\n300;First\n300;Second\n300;Third\n100;Low\n", read("highscore.txt"));
}

TEST_F(GameFolderTest, LoadReplacesTheTableAndAMissingFileEmptiesIt) {
    write("a.txt", "5;A\n");
    write("b.txt", "7;B\n6;C\n");
    HighscoreTable table;
    table.load("a.txt");
    table.load("b.txt");
    EXPECT_EQ((Entries{{7, "B"}, {6, "C"}}), descending(table));
    table.load("missing.txt");
    EXPECT_TRUE(table.getEntries().empty());
}

TEST_F(GameFolderTest, NameEditingIsBoundedAndKeepsLinesWhole) {
    HighscoreTable table;
    table.removeLastChar();  // nothing to remove: no effect
    EXPECT_EQ("", table.getName());
    table.appendToName("A");
    table.appendToName("b c");
    table.appendToName("_-9");
    EXPECT_EQ("Ab c_-9", table.getName());
    table.removeLastChar();
    EXPECT_EQ("Ab c_-", table.getName());

    // A line break would split the entry in the file.
    table.appendToName("x\ny\rz");
    EXPECT_EQ("Ab c_-xyz", table.getName());

    // At most maxNameLength characters; further ones are ignored, also within one call.
    table.appendToName(std::string(30, 'Q'));
    ASSERT_EQ(HighscoreTable::maxNameLength, table.getName().size());
    EXPECT_EQ("Ab c_-xyz" + std::string(HighscoreTable::maxNameLength - 9, 'Q'), table.getName());
    table.appendToName("R");
    EXPECT_EQ(HighscoreTable::maxNameLength, table.getName().size());
    table.removeLastChar();
    table.appendToName("RS");
    EXPECT_EQ('R', table.getName().back());
    EXPECT_EQ(HighscoreTable::maxNameLength, table.getName().size());

    table.computeRank(10);
    table.commitAndRender();
    EXPECT_EQ("10;" + table.getEntries().begin()->second + "\n", read("highscore.txt"));
    EXPECT_EQ(HighscoreTable::maxNameLength, table.getEntries().begin()->second.size());
}

TEST_F(GameFolderTest, FailureBeforeTheRenameLeavesTheOldFilesIntact) {
    write("highscore.txt", "500;Old\n");
    write("Textures/highscore.png", "old picture");
    chmod(path("highscore.txt").c_str(), 0640);
    HighscoreTable table;
    table.computeRank(900);
    table.appendToName("Lost");

    HighscoreTable::simulateFailureBeforeRename = true;
    harness::captureStdout();
    table.commitAndRender();
    const std::string out = harness::capturedStdout();
    HighscoreTable::simulateFailureBeforeRename = false;

    EXPECT_EQ("500;Old\n", read("highscore.txt"));
    EXPECT_EQ("old picture", read("Textures/highscore.png"));
    EXPECT_NE(std::string::npos, out.find("Could not save the high-score table to highscore.txt")) << out;
    EXPECT_EQ((std::set<std::string>{"Faktos.ttf", "Textures", "highscore.txt"}), filesIn(dir))
        << "no temporary file is left behind";
    EXPECT_EQ((std::set<std::string>{"highscore.jpg", "highscore.png"}), filesIn(path("Textures")));

    // The next confirmed entry saves both, with the old file's permissions.
    enter(table, 700, "Next");
    EXPECT_EQ("700;Next\n500;Old\n", read("highscore.txt"));
    struct stat info;
    ASSERT_EQ(0, stat(path("highscore.txt").c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture);
    gdImageDestroy(picture);
    EXPECT_EQ((std::set<std::string>{"Faktos.ttf", "Textures", "highscore.txt"}), filesIn(dir));
}

TEST_F(GameFolderTest, UnwritableFolderLeavesTheOldFileAndStillRendersThePicture) {
    write("highscore.txt", "500;Old\n");
    HighscoreTable table;
    EXPECT_EQ(1, table.computeRank(900));
    table.appendToName("Neo");

    // The game folder refuses new files; Textures/ stays writable.
    ASSERT_EQ(0, chmod(dir.c_str(), 0555));
    ASSERT_EQ(0, chmod(path("Textures").c_str(), 0777));
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        // Root writes anywhere: act as an ordinary user.
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        if (access(".", W_OK) == 0) _exit(4);
        if (!std::freopen("Textures/out.txt", "w", stdout)) _exit(5);
        table.commitAndRender();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    chmod(dir.c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(0, WEXITSTATUS(status)) << "3: no unprivileged user, 4: folder still writable, 5: no output file";

    EXPECT_EQ("500;Old\n", read("highscore.txt"));
    EXPECT_NE(std::string::npos, read("Textures/out.txt").find("Could not save the high-score table"));
    gdImagePtr picture = hstest::readPng(path("Textures/highscore.png"));
    ASSERT_NE(nullptr, picture) << "the picture is still rendered";
    EXPECT_GT(hstest::rowCensus(picture, 300).red, 50) << "the new entry leads in red";
    EXPECT_GT(hstest::rowCensus(picture, 330).gold, 50) << "the old entry follows in gold";
    gdImageDestroy(picture);
}

}  // namespace
