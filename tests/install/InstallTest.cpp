// The game as a player gets it: installed into a prefix whose data is read-only, started from
// an unrelated folder with a fresh home. What it writes must land in the player's XDG folders
// and nowhere under the prefix; the build's portable folder keeps its files beside the data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/ChildGame.h"

namespace {

using childgame::Launch;

const std::string kBuildDir = LUMIVEX_GAME_DIR "/..";

// Every file under a folder with its size, time and mode: equal listings mean nothing was
// written (root ignores the read-only modes, so they alone would prove nothing).
std::string listing(const std::string& folder) {
    std::string text;
    harness::runCommand("cd '" + folder + "' && find . -printf '%p %s %T@ %m\\n' | sort", &text);
    return text;
}

std::string run(const std::string& command) {
    std::string text;
    harness::runCommand(command, &text);
    return text;
}

class InstalledGame : public childgame::ChildGame {
protected:
    // One install for the whole program; its data gets the solid-colour screen pictures, so a
    // pixel tells the screen, and is then made read-only.
    static void SetUpTestSuite() {
        prefix = harness::makeTempDir("lumivex-prefix");
        installStatus = harness::runCommand("cmake --install '" + kBuildDir + "' --prefix '" + prefix + "' 2>&1", &installOutput);
        gamefolder::writeKnownPictures(prefix + "/share/lumivex");
        harness::runCommand("chmod -R a-w '" + prefix + "'");
        prefixBefore = listing(prefix);
    }
    static void TearDownTestSuite() {
        harness::runCommand("chmod -R u+w '" + prefix + "'");
        harness::removeTree(prefix);
    }

    void SetUp() override {
        ChildGame::SetUp();
        ASSERT_EQ(installStatus, 0) << installOutput;
        home = harness::makeTempDir("lumivex-home");
        ASSERT_FALSE(home.empty());
    }
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(home);
        EXPECT_EQ(listing(prefix), prefixBefore) << "written under the prefix";
    }

    // The installed game with only HOME to go by, started in a folder unrelated to the game.
    Launch installed(std::vector<std::string> args = {}) {
        Launch how;
        how.program = prefix + "/games/lumivex";
        how.args = std::move(args);
        how.workDir = out;
        how.setEnv = {{"HOME", home}};
        how.unsetEnv = {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "LUMIVEX_DATA_DIR"};
        return how;
    }

    static std::string prefix, installOutput, prefixBefore;
    static int installStatus;
    std::string home;
};

std::string InstalledGame::prefix, InstalledGame::installOutput, InstalledGame::prefixBefore;
int InstalledGame::installStatus = -1;

TEST_F(InstalledGame, InstallsTheProgramDataDesktopFilesAndNoPortableFiles) {
    const std::string app = "io.github.lumivex.Lumivex", icons = "share/icons/hicolor/";
    for (const std::string& file : std::vector<std::string>{"games/lumivex", "share/lumivex/Shader/toon.frag", "share/lumivex/Faktos.ttf",
                                    "share/lumivex/Modells/ship3.obj", "share/lumivex/Sounds/playlist.m3u",
                                    "share/lumivex/Textures/highscore-empty.png", "share/man/man6/lumivex.6.gz",
                                    "share/applications/" + app + ".desktop", "share/metainfo/" + app + ".metainfo.xml",
                                    icons + "64x64/apps/" + app + ".png", icons + "128x128/apps/" + app + ".png",
                                    icons + "256x256/apps/" + app + ".png", icons + "scalable/apps/" + app + ".svg"})
        EXPECT_TRUE(gamefolder::exists(prefix + "/" + file)) << file;
    for (const char* file : {"portable.txt", "lumivex", "log.txt", "highscore.txt", "Textures/highscore.png", "icons"})
        EXPECT_FALSE(gamefolder::exists(prefix + "/share/lumivex/" + file)) << file;

    // The desktop's own checkers accept the entry and the metadata without a remark.
    std::string report;
    EXPECT_EQ(harness::runCommand("desktop-file-validate '" + prefix + "/share/applications/" + app + ".desktop' 2>&1", &report), 0);
    EXPECT_EQ(report, "");
    EXPECT_EQ(harness::runCommand("appstreamcli validate --no-net '" + prefix + "/share/metainfo/" + app + ".metainfo.xml' 2>&1", &report), 0)
        << report;
    EXPECT_TRUE(report.find("Validation was successful") != std::string::npos && report.find("W:") == std::string::npos &&
                report.find("I:") == std::string::npos)
        << report;
}

TEST_F(InstalledGame, OptionsAnswerAndExitWithTheirCodes) {
    launch(installed({"--help"}));
    EXPECT_EQ(exitCode(), 0);
    EXPECT_EQ(console().rfind("Usage: lumivex [OPTION]...\n", 0), 0u) << console();  // (its text: PathsRulesTest)

    launch(installed({"--version"}));
    EXPECT_EQ(exitCode(), 0);
    EXPECT_EQ(console(), "lumivex 1.0.0\n");

    launch(installed({"--windowed", "--frobnicate"}));
    EXPECT_EQ(exitCode(), 2);
    EXPECT_EQ(console(), "");
    EXPECT_EQ(errors().rfind("lumivex: unknown option --frobnicate\nUsage: lumivex [OPTION]...\n", 0), 0u) << errors();

    launch(installed({"--data", out}));
    EXPECT_EQ(exitCode(), 1);
    EXPECT_EQ(errors(), "lumivex: the data folder " + out + " (--data) does not hold the game's data\n");

    Launch headless = installed();
    headless.unsetEnv.push_back("DISPLAY");
    launch(headless);
    EXPECT_EQ(exitCode(), 1) << errors();
    EXPECT_EQ(errors(), "lumivex: cannot open the display \"\" (is DISPLAY set to a running X server?)\n");
    EXPECT_FALSE(gamefolder::exists(home + "/.local")) << "nothing made for a game that did not start";
}

// Started from an unrelated folder, the installed game with only HOME to go by and the build's
// executable with the installed data named by a relative --data keep the player's files in the
// player's folders (the log, the empty table's picture); a copy of the build folder (dir) is
// portable and keeps its log beside the data, nothing under HOME. Nothing goes into the working
// folder. (The XDG folders and the folders' modes: PathsRulesTest.)
TEST_F(InstalledGame, PlaysFromAnywhereAndKeepsThePlayersFilesInTheirFolders) {
    std::remove((dir + "/log.txt").c_str());
    ASSERT_EQ(out.substr(0, out.rfind('/')), prefix.substr(0, prefix.rfind('/'))) << "both temporary folders";
    for (const std::string way : {"HOME only", "relative --data", "portable"}) {
        SCOPED_TRACE(way);
        harness::removeTree(home), ::mkdir(home.c_str(), 0700);
        Launch how = installed();
        if (way == "relative --data")
            how.program = childgame::kGame, how.args = {"--data", "../" + prefix.substr(prefix.rfind('/') + 1) + "/share/lumivex"};
        if (way == "portable") how.program = dir + "/lumivex";
        ASSERT_NO_FATAL_FAILURE(start(how));
        key("Escape");
        EXPECT_EQ(exitCode(), 0) << console();
        EXPECT_EQ(run("ls -A '" + out + "' | grep -v -x -e stdout.txt -e stderr.txt -e shot.png"), "") << "the working folder";
        const std::string log = way == "portable" ? dir + "/log.txt" : home + "/.local/state/lumivex/log.txt";
        EXPECT_EQ(harness::readFileText(log).rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u);
        if (way == "portable")
            EXPECT_EQ(run("ls -A '" + home + "'"), "") << "nothing under HOME";
        else
            EXPECT_EQ(harness::readFileText(home + "/.local/share/lumivex/highscore.png"),
                      harness::readFileText(prefix + "/share/lumivex/Textures/highscore-empty.png"));
    }
}

// A first timedemo of a new player: the log in the player's state folder, the CSV file where it
// was asked for, and no table or picture made for a player who has never played.
TEST_F(InstalledGame, TheTimedemoMakesNoHighScoreFilesForANewPlayer) {
    launch(installed({"--timedemo", "--timedemo-frames", "1", "--csv", "times.csv"}));
    ASSERT_EQ(exitCode(180), 0) << console() << errors();
    EXPECT_NE(console().find("\ntotal "), std::string::npos) << console();
    EXPECT_TRUE(gamefolder::exists(out + "/times.csv")) << "named from the working folder";
    EXPECT_TRUE(gamefolder::exists(home + "/.local/state/lumivex/log.txt"));
    for (const char* file : {"highscore.txt", "highscore.png"}) EXPECT_FALSE(gamefolder::exists(home + "/.local/share/lumivex/" + file));
}

}  // namespace
