// The timedemo as a player runs it: the real program in a private copy of the game folder on
// the virtual display, its table on the console and in the CSV file, the player's table and
// picture untouched, and damaged data reported as the game reports it.
#include <sys/stat.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/ChildGame.h"

namespace {

using childgame::Launch;

const char* const kStyles[11] = {"Blue/Green Shader", "Black&White",  "SSAO only",       "Phong Shader + SSAO",
                                 "Normal Shader",     "Funky Shader", "Toon Shader",     "Standard Shader",
                                 "Phong Shader",      "Pure",         "Sunny Shader"};
const std::string kTable = "900;Ada\n500;Bob\n120;Cy\n";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Contents and modification time: a rewrite with the same bytes shows too.
std::string fingerprint(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "missing";
    return harness::readFileText(path) + "@" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

struct Row {
    std::string name;
    int frames = 0;
    double median = 0, p99 = 0, slowest = 0, fps = 0;
    int scale = 0;  // percent
};

// The console's table: the rows after the header, the total last.
std::vector<Row> tableOf(const std::string& console) {
    std::vector<Row> rows;
    const std::vector<std::string> lines = linesOf(console);
    const std::regex row("(.*\\S) +([0-9]+) +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9]+)");
    bool inTable = false;
    for (const std::string& line : lines) {
        std::smatch m;
        if (line.rfind("style ", 0) == 0 && line.find("median ms") != std::string::npos) {
            inTable = true;
        } else if (inTable && std::regex_match(line, m, row)) {
            rows.push_back({m[1], std::stoi(m[2]), std::stod(m[3]), std::stod(m[4]), std::stod(m[5]), std::stod(m[6]),
                            std::stoi(m[7])});
        } else if (inTable) {
            break;
        }
    }
    return rows;
}

class Timedemo : public childgame::ChildGame {
protected:
    void SetUp() override {
        ChildGame::SetUp();
        dir = gamefolder::make("lumivex-timedemo");
        ASSERT_FALSE(dir.empty());
        harness::writeFileText(dir + "/highscore.txt", kTable);
        ASSERT_TRUE(gamefolder::exists(dir + "/Textures/highscore.png"));
        elsewhere = harness::makeTempDir("lumivex-timedemo-cwd");
    }
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(dir);
        harness::removeTree(elsewhere);
    }

    // The exit code once the run is over; a slow machine gets three minutes.
    int finished() {
        for (int t = 0; t < 1800 && running(); ++t) childgame::sleepMs(100);
        return exitCode();
    }

    std::string elsewhere;
};

TEST_F(Timedemo, FliesEveryStylePrintsAndWritesItsTableAndLeavesTheHighScoresAlone) {
    const std::string table = fingerprint(dir + "/highscore.txt"), picture = fingerprint(dir + "/Textures/highscore.png");
    Launch how;
    how.args = {"--timedemo", "--timedemo-frames", "3", "--csv", "timedemo.csv"};
    launch(how);
    ASSERT_EQ(finished(), 0) << console() << errors();
    EXPECT_EQ(errors(), "");
    EXPECT_NE(console().find("Swap interval 0"), std::string::npos) << "the timedemo never waits for the display";
    EXPECT_NE(console().find("render scale 100 %, 0 shader programs built during the flight"), std::string::npos);

    const std::vector<Row> rows = tableOf(console());
    ASSERT_EQ(rows.size(), 12u) << console();
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(r.name, i < 11 ? kStyles[i] : "total");
        EXPECT_EQ(r.frames, i < 11 ? 3 : 33) << r.name;
        EXPECT_EQ(r.scale, 100) << "unless told otherwise";
        EXPECT_GT(r.median, 0) << r.name;
        EXPECT_TRUE(r.median <= r.p99 && r.p99 <= r.slowest) << r.name;
        EXPECT_NEAR(r.fps, 1000 / r.median, 0.06 + 1000 / r.median * 0.01) << r.name;
    }

    // The CSV beside the console's table: the same rows, with one more decimal.
    const std::vector<std::string> csv = linesOf(harness::readFileText(dir + "/timedemo.csv"));
    ASSERT_EQ(csv.size(), 13u) << harness::readFileText(dir + "/timedemo.csv");
    EXPECT_EQ(csv[0], "style,frames,median_ms,p99_ms,slowest_ms,fps,scale_percent");
    const std::regex line("([^,]+),([0-9]+),([0-9.]+),([0-9.]+),([0-9.]+),([0-9.]+),100");
    for (size_t i = 0; i < rows.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(csv[i + 1], m, line)) << csv[i + 1];
        EXPECT_EQ(m[1], rows[i].name);
        EXPECT_EQ(std::stoi(m[2]), rows[i].frames);
        EXPECT_NEAR(std::stod(m[3]), rows[i].median, 0.0051) << csv[i + 1];
        EXPECT_NEAR(std::stod(m[5]), rows[i].slowest, 0.0051) << csv[i + 1];
    }

    EXPECT_EQ(fingerprint(dir + "/highscore.txt"), table);
    EXPECT_EQ(fingerprint(dir + "/Textures/highscore.png"), picture);
}

// A missing shader is reported and its style still flown, as in the game, at the scale asked
// for; the CSV file named from another folder lands there, not in the data folder.
TEST_F(Timedemo, AMissingShaderIsReportedAndItsStyleStillTimed) {
    std::remove((dir + "/Shader/toon.frag").c_str());
    Launch how;
    how.workDir = elsewhere;
    how.args = {"--data", dir, "--timedemo", "--timedemo-frames", "1", "--csv", "times.csv", "--render-scale", "50"};
    launch(how);
    ASSERT_EQ(finished(), 0) << console() << errors();
    EXPECT_NE(console().find("Could not open shader file: Shader/toon.frag"), std::string::npos) << console();
    const std::vector<Row> rows = tableOf(console());
    ASSERT_EQ(rows.size(), 12u) << console();
    EXPECT_EQ(rows[6].name + " " + std::to_string(rows[6].frames) + " " + std::to_string(rows[6].scale), "Toon Shader 1 50");
    EXPECT_EQ(linesOf(harness::readFileText(elsewhere + "/times.csv")).size(), 13u);
    EXPECT_FALSE(gamefolder::exists(dir + "/times.csv"));

    // A CSV file that cannot be written: the table is still printed, then the failure, code 1.
    how.args = {"--timedemo", "--timedemo-frames", "1", "--csv", elsewhere + "/no-such-folder/t.csv"};
    how.workDir = dir;
    launch(how);
    ASSERT_EQ(finished(), 1) << console() << errors();
    EXPECT_EQ(tableOf(console()).size(), 12u) << console();
    EXPECT_EQ(errors(), "lumivex: cannot write the timedemo's table to " + elsewhere +
                            "/no-such-folder/t.csv: No such file or directory\n");
}

}  // namespace
