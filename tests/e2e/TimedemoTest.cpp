// The timedemo as a player runs it: the real program in a private copy of the game folder on
// the virtual display, its table on the console and in the CSV file, the player's table and
// picture untouched, and damaged data reported as the game reports it.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "support/ChildGame.h"

namespace {

using childgame::Launch;
using harness::linesOf;

const char* const kStyles[11] = {"Blue/Green Shader", "Black&White",  "SSAO only",       "Phong Shader + SSAO",
                                 "Normal Shader",     "Funky Shader", "Toon Shader",     "Standard Shader",
                                 "Phong Shader",      "Pure",         "Sunny Shader"};
const std::string kTable = "900;Ada\n500;Bob\n120;Cy\n";

// Contents and modification time: a rewrite with the same bytes shows too.
std::string fingerprint(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "missing";
    return harness::readFileText(path) + "@" + std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec);
}

// The console's table: each row's style and frames, after the header, the total last.
std::vector<std::pair<std::string, int>> tableOf(const std::string& console) {
    std::vector<std::pair<std::string, int>> rows;
    const std::regex row("(.*\\S) +([0-9]+)( +[0-9.]+){5}");
    bool inTable = false;
    for (const std::string& line : linesOf(console)) {
        std::smatch m;
        if (line.rfind("style ", 0) == 0 && line.find("median ms") != std::string::npos)
            inTable = true;
        else if (inTable && std::regex_match(line, m, row))
            rows.emplace_back(m[1], std::stoi(m[2]));
        else if (inTable)
            break;
    }
    return rows;
}

class Timedemo : public childgame::ChildGame {
protected:
    void SetUp() override {
        ChildGame::SetUp();
        harness::writeFileText(dir + "/highscore.txt", kTable);
        ASSERT_TRUE(gamefolder::exists(dir + "/Textures/highscore.png"));
    }
};

TEST_F(Timedemo, FliesEveryStylePrintsAndWritesItsTableAndLeavesTheHighScoresAlone) {
    const std::string table = fingerprint(dir + "/highscore.txt"), picture = fingerprint(dir + "/Textures/highscore.png");
    Launch how;
    how.args = {"--timedemo", "--timedemo-frames", "3", "--csv", "timedemo.csv"};
    how.setEnv = {{"LD_PRELOAD", LUMIVEX_DRIVER_WATCH}, {"LUMIVEX_DRIVER_WATCH", out + "/driver-code.txt"}};
    launch(how);
    ASSERT_EQ(exitCode(180), 0) << console() << errors();
    EXPECT_EQ(errors(), "");
    EXPECT_NE(console().find("Swap interval 0"), std::string::npos) << "the timedemo never waits for the display";
    // Nothing built during the flight, neither a program nor the driver's code for one in the
    // state it meets there: each style's first frame would wait for it.
    EXPECT_NE(console().find("render scale 100 %, 0 shader programs built during the flight"), std::string::npos);
    EXPECT_TRUE(std::regex_search(console(), std::regex("\nPeak resident memory: [1-9][0-9]*\\.[0-9] MB\n"))) << console();
    int before = 0, during = -1;
    std::sscanf(harness::readFileText(out + "/driver-code.txt").c_str(), "%d %d", &before, &during);
    EXPECT_TRUE(before > 0 && during == 0) << before << " built before the flight, " << during << " during it";

    // Every style flown, in order, the frames asked for; what the columns hold and how the
    // CSV is laid out are the frame statistics' rules tests'.
    const auto rows = tableOf(console());
    ASSERT_EQ(rows.size(), 12u) << console();
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], std::make_pair(std::string(i < 11 ? kStyles[i] : "total"), i < 11 ? 3 : 33));
    const std::vector<std::string> csv = linesOf(harness::readFileText(dir + "/timedemo.csv"));
    ASSERT_EQ(csv.size(), 13u) << harness::readFileText(dir + "/timedemo.csv");
    EXPECT_EQ(csv[12].rfind("total,33,", 0), 0u) << csv[12];

    EXPECT_EQ(fingerprint(dir + "/highscore.txt"), table);
    EXPECT_EQ(fingerprint(dir + "/Textures/highscore.png"), picture);
}

// A missing shader is reported and its style still flown, as in the game, at the scale asked
// for; the CSV file named from another folder lands there, not in the data folder.
TEST_F(Timedemo, AMissingShaderIsReportedAndItsStyleStillTimed) {
    std::remove((dir + "/Shader/toon.frag").c_str());
    Launch how;
    how.workDir = out;
    how.args = {"--data", dir, "--timedemo", "--timedemo-frames", "1", "--csv", "times.csv", "--render-scale", "50"};
    launch(how);
    ASSERT_EQ(exitCode(180), 0) << console() << errors();
    EXPECT_NE(console().find("Could not open shader file: Shader/toon.frag"), std::string::npos) << console();
    const auto rows = tableOf(console());
    ASSERT_EQ(rows.size(), 12u) << console();
    EXPECT_EQ(rows[6], std::make_pair(std::string("Toon Shader"), 1));
    EXPECT_NE(console().find("render scale 50 %"), std::string::npos) << console();
    EXPECT_EQ(linesOf(harness::readFileText(out + "/times.csv")).size(), 13u);
    EXPECT_FALSE(gamefolder::exists(dir + "/times.csv"));

    // A CSV file that cannot be written: the table is still printed, then the failure, code 1.
    how.args = {"--timedemo", "--timedemo-frames", "1", "--csv", out + "/no-such-folder/t.csv"};
    how.workDir = dir;
    launch(how);
    ASSERT_EQ(exitCode(180), 1) << console() << errors();
    EXPECT_EQ(tableOf(console()).size(), 12u) << console();
    EXPECT_EQ(errors(), "lumivex: cannot write the timedemo's table to " + out +
                            "/no-such-folder/t.csv: No such file or directory\n");
}

}  // namespace
