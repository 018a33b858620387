// The high-score table and its file without a window: parsing, ranking, the typed name and
// the safe replacement of the files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "core/Daily.h"
#include "core/Settings.h"
#include "core/Statistics.h"
#include "highscore/HighscoreStore.h"
#include "highscore/ScoreSaver.h"
#include "platform/ReadFile.h"
#include "platform/WriteFile.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

long entries(const std::string& folder) { return std::distance(fs::directory_iterator(folder), {}); }

// Runs body in a child process, which ends with body's result as its exit code.
template <class Body>
pid_t spawn(Body body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    return child;
}
bool succeeded(pid_t child) {
    int status = -1;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TableRules : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.empty()); }
    ~TableRules() override {
        HighscoreStore::simulateFailureBeforeRename = false;
        chmod(dir.c_str(), 0700);
        harness::removeTree(dir);
    }
    void write(const std::string& name, const std::string& text) const { harness::writeFileText(dir + "/" + name, text); }
    std::string read(const std::string& name) const { return harness::readFileText(dir + "/" + name); }
    // One finished game: rank computed against the file, name typed, entry saved.
    int enter(int score, const std::string& name, const HighscoreStore::PictureMaker& picture = nullptr) {
        store.load(table);
        const int rank = table.computeRank(score);
        table.appendToName(name);
        saved = store.save(table, picture);
        return rank;
    }

    const std::string dir = harness::makeTempDir("lumivex-table");
    const HighscoreStore store{dir};
    HighscoreTable table;
    SaveResult saved;
};

TEST_F(TableRules, RanksSavesBesideAnotherGameAndKeepsTheNameOneLineOfTwenty) {
    table.appendToName("A\nn");
    table.appendToName(std::string(30, 'Q'));
    EXPECT_EQ(enter(120, ""), 1);
    EXPECT_EQ(saved.playerMessage(), "");
    EXPECT_EQ(read("highscore.txt"), "120;An" + std::string(18, 'Q') + "\n");
    write("highscore.txt", "500;Al\n300;Old\n300;Older\n100;Cid\n");
    // A second game in the folder read the table before this one saved: both entries stay.
    HighscoreTable other;
    store.load(other);
    other.computeRank(350);
    other.appendToName("Bo");
    table = HighscoreTable();
    EXPECT_EQ(enter(300, "New"), 2);
    EXPECT_TRUE(store.save(other).ok);
    EXPECT_EQ(read("highscore.txt"), "500;Al\n350;Bo\n300;New\n300;Old\n300;Older\n100;Cid\n");
    EXPECT_EQ(other.format(), read("highscore.txt")) << "the table shown is the one saved";
}

// The daily table: ten a day, best first, days older than the last thirty dropped at every
// save, damaged lines left out in one console line; a game that read it before another saved
// keeps both scores.
TEST_F(TableRules, TheDailyTableKeepsTenADayForThirtyDaysAndSkipsDamagedLines) {
    const daily::Store days(dir + "/daily.txt");
    const daily::Date today{2026, 12, 8};
    write("daily.txt", std::string(daily::kVersionLine) + "\n2026-11-08 50 Gone\n2026-11-09 40 Kept\n"
                       "2026-02-30 9 NoDay\n2026-12-08 x Bad\n2026-12-08 70 Al\n");
    daily::Table day, other;
    harness::captureStdout();
    days.load(day);
    EXPECT_NE(harness::capturedStdout().find("2 damaged line"), std::string::npos);
    other = day;
    EXPECT_TRUE(day.days() == 3 && day.day(today).size() == 1);
    int rank = 0;
    for (int i = 1; i <= 11; ++i) EXPECT_TRUE(days.save(day, today, today, 10 * i, "P" + std::to_string(i), &rank, -1).ok);
    EXPECT_EQ(rank, 1);
    EXPECT_TRUE(days.save(other, today, today, 75, "Other", &rank, -1).ok && rank == 5) << "merged with the file";
    EXPECT_TRUE(days.save(other, today, today, 5, "Low", &rank, -1).ok && rank == 0);
    const std::string file = read("daily.txt");
    EXPECT_EQ(file.rfind(std::string(daily::kVersionLine) + "\n2026-11-09 40 Kept\n2026-12-08 110 P11\n", 0), 0u);
    EXPECT_NE(file.find(" 80 P8\n2026-12-08 75 Other\n2026-12-08 70 P7\n2026-12-08 70 Al\n"), std::string::npos);
    EXPECT_TRUE(file.find("P3\n") == std::string::npos && other.day(today).size() == 10) << "eleventh of the day";
}

// Each grade's files beside Normal's, in the game folder and in the player's own; racing games
// lose no entry of any table, and the statistics, saved under the same kind of lock, no flight.
TEST_F(TableRules, RacingGamesLoseNoEntryOrFlightAndEachGradeKeepsItsOwnFiles) {
    const struct { std::string normal; Grade grade; std::string named; } files[] = {
        {"highscore.txt", Grade::Normal, "highscore.txt"},
        {"highscore.txt", Grade::Relaxed, "highscore-relaxed.txt"},
        {"/home/a.b/.local/share/lumivex/highscore.png", Grade::Arcade, "/home/a.b/.local/share/lumivex/highscore-arcade.png"},
        {"replays/best.lvr", Grade::Arcade, "replays/best-arcade.lvr"},
        {"my.scores/table", Grade::Relaxed, "my.scores/table-relaxed"}};
    for (const auto& f : files) EXPECT_EQ(gradeFile(f.normal, f.grade), f.named);
    EXPECT_EQ(store.forGrade(Grade::Arcade).pictureFile(), dir + "/Textures/highscore-arcade.png");
    constexpr int kGames = 4, kSaves = 25;
    FlightStats flight;
    flight.stars = 1;
    std::vector<pid_t> games;
    // Game 0 plays Relaxed: its scores go to its own table, never to Normal's.
    const HighscoreStore relaxed = store.forGrade(Grade::Relaxed);
    for (int g = 0; g < kGames; ++g)
        games.push_back(spawn([&] {
            const HighscoreStore& into = g == 0 ? relaxed : store;
            bool ok = true;
            for (int i = 0; i < kSaves; ++i) {
                HighscoreTable mine;
                into.load(mine);
                mine.computeRank(100 * g + i);
                mine.appendToName("Game " + std::to_string(g));
                ok = into.save(mine).ok && saveStatistics(dir + "/stats.txt", {flight}, -1).ok && ok;
            }
            return ok ? 0 : 1;
        }));
    for (const pid_t child : games) EXPECT_TRUE(succeeded(child));
    store.load(table);
    EXPECT_EQ(table.getEntries().size(), static_cast<std::size_t>((kGames - 1) * kSaves));
    EXPECT_EQ(table.format().find("Game 0"), std::string::npos);
    relaxed.load(table);
    EXPECT_EQ(table.getEntries().size(), static_cast<std::size_t>(kSaves));
    const Statistics all = loadStatistics(dir + "/stats.txt");
    EXPECT_TRUE(all.flights == kGames * kSaves && all.stars == kGames * kSaves) << formatStatistics(all);
    EXPECT_EQ(entries(dir), 3) << "a lock or temporary file is left";
}

TEST_F(TableRules, ATableThatIsNoPlainFileLoadsEmptyIsReportedOnceAndIsNeverReplaced) {
    const std::string fifo = dir + "/fifo", zero = dir + "/zero", folder = dir + "/folder";
    for (const std::string& d : {fifo, zero, folder}) ASSERT_EQ(mkdir(d.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((fifo + "/highscore.txt").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (zero + "/highscore.txt").c_str()), 0);
    ASSERT_EQ(mkdir((folder + "/highscore.txt").c_str(), 0755), 0);
    alarm(60);  // a read that blocks on the FIFO ends the program instead of hanging it
    for (const std::string& d : {fifo, zero, folder}) {
        const HighscoreStore other(d);
        const std::string path = d + "/highscore.txt";
        struct stat before {}, after {};
        lstat(path.c_str(), &before);
        table.parse("10;Old\n");
        harness::captureStdout();
        other.load(table);
        EXPECT_TRUE(table.getEntries().empty()) << path;
        other.load(table);
        table.computeRank(20);
        table.appendToName("Ann");
        const SaveResult result = other.save(table);
        EXPECT_EQ(harness::capturedStdout(), "Could not read the high-score table from " + path + ": not a regular file\n" +
                                                 "Could not save the high-score table to " + path + ": not a regular file\n");
        EXPECT_EQ(result.playerMessage(), "Your score could not be saved: not a regular file");
        lstat(path.c_str(), &after);
        EXPECT_TRUE(before.st_mode == after.st_mode && before.st_ino == after.st_ino) << path << " was replaced";
    }
    alarm(0);
}

TEST_F(TableRules, StartUpRemovesTheTemporariesOfCutShortSavesOnly) {
    ASSERT_EQ(mkdir((dir + "/Textures").c_str(), 0755), 0);
    const std::vector<std::string> others = {"highscore.txt", "highscore.txt.bak", "highscore.txt.a1B2c3d",
                                             "highscore.txt.a1-2c3", "notes.txt.a1B2c3", "Textures/highscore.jpg.a1B2c3"};
    for (const std::string& name : others) write(name, "keep");
    for (const std::string name : {"highscore.txt.a1B2c3", "Textures/highscore.png.XyZ789"}) {
        write(name, "left over");
        fs::last_write_time(dir + "/" + name, fs::file_time_type::clock::now() - std::chrono::minutes(2));
    }
    write("highscore.txt.Fresh1", "being written");
    const int held = open((dir + "/highscore.txt.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);  // another game is saving: only old temporaries are left over
    EXPECT_EQ(store.removeStaleTemporaries(), 2);
    close(held);
    EXPECT_EQ(read("highscore.txt.Fresh1"), "being written");
    EXPECT_EQ(store.removeStaleTemporaries(), 1);  // nobody saving: every temporary is left over
    // The settings' too, but not one a running game is writing: that one is locked.
    write("settings.ini.a1B2c3", "left over");
    write("settings.ini.Xy12Zw", "being written");
    const int writing = open((dir + "/settings.ini.Xy12Zw").c_str(), O_RDONLY);
    ASSERT_EQ(flock(writing, LOCK_EX), 0);
    EXPECT_EQ(files::removeLeftoverTemporaries(dir + "/settings.ini", false), 1);
    close(writing);
    EXPECT_EQ(files::removeLeftoverTemporaries(dir + "/settings.ini", false), 1);
    for (const std::string& name : others) EXPECT_EQ(read(name), "keep") << name;
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir), {}), 1 + others.size());
}

TEST_F(TableRules, OnlyLinesWithAPlainScoreLoadAndScoresAndNamesAreBounded) {
    // Scores that are no plain decimal number, a Windows line end, equal scores, a name of a
    // megabyte (cut to the 20 characters a typed one may have, never inside one), a line without
    // separator, a score the picture cannot show and a name with further ";".
    const std::string longName(1 << 20, 'x');
    std::string accents = "a";
    for (int i = 0; i < 22; ++i) accents += "\xC3\xA9";
    table.parse("abc;NotANumber\n0x1F;Hex\n;Empty\n-5;Negative\n+7;Plus\n 8;Blank\n007;Bond\n300;First\r\n"
                "300;Second\n900;" + longName + "\ngarbage\n99999999999;Huge\n10;a;b;c\n77;" + accents);
    EXPECT_EQ(table.format(), "999999;Huge\n900;" + longName.substr(0, 20) + "\n300;First\n300;Second\n77;" +
                                  accents.substr(0, 39) + "\n10;a;b;c\n7;Bond\n");
    EXPECT_TRUE(table.computeRank(1234567) == 1 && table.getNewScore() == 999999) << "a score the picture cannot show";
}

TEST_F(TableRules, ASymlinkedTableStaysALinkToTheSavedFile) {
    ASSERT_EQ(mkdir((dir + "/shared").c_str(), 0755), 0);
    write("shared/scores.txt", "500;Al\n");
    ASSERT_EQ(symlink("shared/scores.txt", (dir + "/highscore.txt").c_str()), 0);
    enter(600, "Bo");
    EXPECT_EQ(fs::read_symlink(dir + "/highscore.txt"), "shared/scores.txt");
    EXPECT_EQ(read("shared/scores.txt"), "600;Bo\n500;Al\n");
    EXPECT_EQ(entries(dir + "/shared"), 1) << "a file is left beside it";
}

// A save cut short before the rename, or a game folder that refuses new files (to root too,
// which the child stops being): the old table stays, and so does the picture, although its
// Textures/ folder is writable: it would show an entry the table does not hold.
TEST_F(TableRules, AFailedSaveLeavesTheOldFilesAndNoTemporary) {
    write("highscore.txt", "500;Old\n");
    ASSERT_EQ(mkdir((dir + "/Textures").c_str(), 0777) | chmod((dir + "/Textures").c_str(), 0777), 0);
    write("Textures/highscore.png", "old picture");
    const auto picture = [](const HighscoreTable& t, const HighscoreTable::Entry& added) {
        return t.format() + "new: " + added.second;
    };
    const auto untouched = [&] { return read("highscore.txt") == "500;Old\n" && read("Textures/highscore.png") == "old picture"; };
    HighscoreStore::simulateFailureBeforeRename = true;
    harness::captureStdout();
    enter(900, "Lost", picture);
    EXPECT_NE(harness::capturedStdout().find("Could not save the high-score table to " + dir + "/highscore.txt: Input/output error"),
              std::string::npos);
    EXPECT_TRUE(untouched());
    EXPECT_TRUE(entries(dir) == 2 && entries(dir + "/Textures") == 1) << "a temporary is left beside the files";

    HighscoreStore::simulateFailureBeforeRename = false;
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    ASSERT_TRUE(succeeded(spawn([&] {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
        table = HighscoreTable();
        enter(900, "Neo", picture);
        return saved.playerMessage() == "Your score could not be saved: Permission denied" ? 0 : 4;
    })));
    EXPECT_TRUE(untouched());
}

// Links that another user planted in a folder they can write to: nothing is written through
// them, each refusal is one line, and the game goes on.
TEST_F(TableRules, LinksOfAnotherUserAreNotFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    ASSERT_EQ(mkdir((dir + "/Textures").c_str(), 0755), 0);
    write("private", "secret");
    for (const std::string name : {"highscore.txt", "Textures/highscore.png", "settings.ini"}) {
        const std::string link = dir + "/" + name;
        std::remove(link.c_str());  // what the last round saved
        ASSERT_EQ(symlink((dir + "/private").c_str(), link.c_str()) | lchown(link.c_str(), 65534, 65534), 0);
        harness::captureStdout();
        std::string problem;
        enter(500, "Eve", [](const HighscoreTable&, const HighscoreTable::Entry&) { return std::string("png"); });
        saveSettings(dir + "/settings.ini", Settings(), &problem);
        EXPECT_NE((harness::capturedStdout() + problem).find(link + " is a link that belongs to another user (uid 65534)"),
                  std::string::npos) << name;
        EXPECT_EQ(read("private"), "secret") << name;
        ASSERT_EQ(unlink(link.c_str()), 0);
    }
}

// A table just under the reader's limit keeps its best entries that fit: what the game writes
// it can always read back. A score that would itself be left out is not saved.
TEST_F(TableRules, ATableAtTheSizeLimitKeepsItsBestEntriesAndStaysReadable) {
    std::string full = "3;A\n";  // 4 bytes, then lines of 12 up to the limit exactly
    while (full.size() < files::kTextLimit) full += "2;Pilot 123\n";
    ASSERT_EQ(full.size(), files::kTextLimit);
    write("highscore.txt", full);
    enter(500, "Best");
    const std::string after = read("highscore.txt");
    EXPECT_EQ(after.size(), files::kTextLimit - 3);
    EXPECT_EQ(after.rfind("500;Best\n3;A\n2;Pilot 123\n", 0), 0u);
    store.load(table);
    EXPECT_EQ(table.getEntries().size(), 2 + (files::kTextLimit - 4) / 12 - 1);
    enter(1, "Last");
    EXPECT_EQ(saved.playerMessage(), "Your score could not be saved: the table is full");
    EXPECT_EQ(read("highscore.txt"), after);
}

// Another program holds the lock (a game stopped during its save): the scores wait, are saved
// once the lock is free, and one that waits two minutes is given up plainly. The table the
// next game types into is free at once.
TEST_F(TableRules, ScoresWaitForALockHeldElsewhereAndAreSavedOrGivenUp) {
    write("highscore.txt", "500;Old\n");
    int held = open((dir + "/highscore.txt.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ScoreSaver saver;
    harness::captureStdout();
    for (const char* name : {"Ann", "Bo"}) {
        table.computeRank(600);
        table.appendToName(name);
        saver.begin(table, store, nullptr, 1000);
        EXPECT_EQ(table.getName(), "");
    }
    EXPECT_EQ(saver.playerMessage(), "Your score is waiting to be saved: another program holds the table's lock");
    EXPECT_FALSE(saver.poll(1300)) << "still held";
    close(held);
    EXPECT_TRUE(saver.poll(1600));
    EXPECT_EQ(saver.playerMessage(), "");
    EXPECT_EQ(read("highscore.txt"), "600;Bo\n600;Ann\n500;Old\n");

    held = open((dir + "/highscore.txt.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    table.appendToName("Cy");
    saver.begin(table, store, nullptr, 5000);
    EXPECT_TRUE(saver.poll(5000 + ScoreSaver::kGiveUpMs));
    EXPECT_EQ(saver.playerMessage(), "Your score could not be saved: another program held the table's lock for two minutes");
    const std::string notSaved = "Could not save the high-score table to " + dir + "/highscore.txt";
    const std::string waits = notSaved + " yet: another program holds the table's lock; trying again\n";
    EXPECT_EQ(harness::capturedStdout(), waits + waits + notSaved + ": another program held its lock for two minutes\n");
    close(held);
}

}  // namespace
