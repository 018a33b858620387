// The game as a player gets it: installed into a prefix whose data is read-only, started from
// an unrelated folder with a fresh home. What it writes must land in the player's XDG folders
// and nowhere under the prefix; the build's portable folder keeps its files beside the data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <sstream>
#include <string>

#include "support/ChildGame.h"

namespace {

using childgame::Launch;

const std::string kBuildDir = LUMIVEX_GAME_DIR "/..";

unsigned modeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
}

// Every file under a folder with its size, time and mode: equal listings mean nothing was
// written (root ignores the read-only modes, so they alone would prove nothing).
std::set<std::string> listing(const std::string& folder) {
    std::string text;
    harness::runCommand("cd '" + folder + "' && find . -printf '%p %s %T@ %m\\n'", &text);
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

// The lines of a listing that are not in the other one.
std::string missingFrom(const std::set<std::string>& other, const std::set<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        if (!other.count(line)) text += line + "\n";
    return text;
}

class InstalledGame : public childgame::ChildGame {
protected:
    // One install for the whole program; its data gets the solid-colour screen pictures, so a
    // pixel tells the screen, and is then made read-only.
    static void SetUpTestSuite() {
        prefix = harness::makeTempDir("lumivex-prefix");
        std::string output;
        installStatus = harness::runCommand("cmake --install '" + kBuildDir + "' --prefix '" + prefix + "' 2>&1", &output);
        installOutput = output;
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
        dir = out;  // the working folder: unrelated to the game
        ASSERT_FALSE(home.empty());
    }
    void TearDown() override {
        ChildGame::TearDown();
        harness::removeTree(home);
        if (!prefix.empty()) {
            const std::set<std::string> now = listing(prefix);
            EXPECT_EQ(missingFrom(prefixBefore, now) + missingFrom(now, prefixBefore), "")
                << "written under the prefix (new and old lines)";
        }
    }

    // The installed game with only HOME to go by (or the given XDG folders).
    Launch installed(std::vector<std::string> args = {}) {
        Launch how;
        how.program = prefix + "/games/lumivex";
        how.args = std::move(args);
        how.setEnv = {{"HOME", home}};
        how.unsetEnv = {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "LUMIVEX_DATA_DIR"};
        return how;
    }

    static std::string prefix, installOutput;
    static std::set<std::string> prefixBefore;
    static int installStatus;
    std::string home;
};

std::string InstalledGame::prefix, InstalledGame::installOutput;
std::set<std::string> InstalledGame::prefixBefore;
int InstalledGame::installStatus = -1;

TEST_F(InstalledGame, InstallsTheProgramDataDesktopFilesAndNoPortableFiles) {
    for (const char* file : {"games/lumivex", "share/lumivex/Shader/toon.frag", "share/lumivex/Faktos.ttf",
                             "share/lumivex/Modells/ship3.obj", "share/lumivex/Sounds/playlist.m3u",
                             "share/lumivex/Textures/highscore-empty.png",
                             "share/applications/io.github.lumivex.Lumivex.desktop",
                             "share/metainfo/io.github.lumivex.Lumivex.metainfo.xml",
                             "share/icons/hicolor/64x64/apps/io.github.lumivex.Lumivex.png",
                             "share/icons/hicolor/128x128/apps/io.github.lumivex.Lumivex.png",
                             "share/icons/hicolor/256x256/apps/io.github.lumivex.Lumivex.png",
                             "share/icons/hicolor/scalable/apps/io.github.lumivex.Lumivex.svg",
                             "share/man/man6/lumivex.6.gz"})
        EXPECT_TRUE(gamefolder::exists(prefix + "/" + file)) << file;
    for (const char* file : {"share/lumivex/portable.txt", "share/lumivex/lumivex", "share/lumivex/log.txt",
                             "share/lumivex/highscore.txt", "share/lumivex/Textures/highscore.png",
                             "share/lumivex/icons"})
        EXPECT_FALSE(gamefolder::exists(prefix + "/" + file)) << file;

    // The desktop's own checkers accept the entry and the metadata without a remark.
    std::string report;
    EXPECT_EQ(harness::runCommand("desktop-file-validate '" + prefix +
                                      "/share/applications/io.github.lumivex.Lumivex.desktop' 2>&1",
                                  &report),
              0)
        << report;
    EXPECT_EQ(report, "");
    EXPECT_EQ(harness::runCommand("appstreamcli validate --no-net '" + prefix +
                                      "/share/metainfo/io.github.lumivex.Lumivex.metainfo.xml' 2>&1",
                                  &report),
              0)
        << report;
    EXPECT_NE(report.find("Validation was successful"), std::string::npos) << report;
    EXPECT_EQ(report.find("W:"), std::string::npos) << report;
    EXPECT_EQ(report.find("I:"), std::string::npos) << report;
}

TEST_F(InstalledGame, OptionsAnswerAndExitWithTheirCodes) {
    launch(installed({"--help"}));
    EXPECT_EQ(exitCode(), 0);
    EXPECT_EQ(console().rfind("Usage: lumivex [OPTION]...\n", 0), 0u) << console();
    EXPECT_NE(console().find(home + "/.local/share/lumivex/highscore.txt"), std::string::npos) << console();
    EXPECT_NE(console().find("Escape, Q"), std::string::npos);

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

// Started from an unrelated folder with only HOME to go by, or with XDG folders elsewhere: the
// player's folders are made private, the log and the empty table's picture go there, and
// nothing goes into the working folder or (with XDG folders) under HOME.
TEST_F(InstalledGame, PlaysFromAnywhereAndKeepsThePlayersFilesInTheirFolders) {
    const std::string xdg = harness::makeTempDir("lumivex-xdg");
    for (bool xdgFolders : {false, true}) {
        SCOPED_TRACE(xdgFolders ? "XDG folders" : "HOME only");
        Launch how = installed();
        std::string data = home + "/.local/share", state = home + "/.local/state", config = home + "/.config";
        if (xdgFolders) {
            data = xdg + "/data", state = xdg + "/state", config = xdg + "/config";
            how.unsetEnv = {"LUMIVEX_DATA_DIR"};
            how.setEnv.insert(how.setEnv.end(), {{"XDG_DATA_HOME", data}, {"XDG_STATE_HOME", state}, {"XDG_CONFIG_HOME", config}});
            harness::removeTree(home), ::mkdir(home.c_str(), 0700);
        }
        launch(how);
        ASSERT_TRUE(started()) << console() << errors();
        EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
        key("Escape");
        EXPECT_EQ(exitCode(), 0) << console();
        EXPECT_EQ(harness::readFileText(data + "/lumivex/highscore.png"),
                  harness::readFileText(prefix + "/share/lumivex/Textures/highscore-empty.png"));
        EXPECT_EQ(harness::readFileText(state + "/lumivex/log.txt").rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u);
        for (const std::string& folder : {data, state, config}) EXPECT_EQ(modeOf(folder + "/lumivex"), 0700u) << folder;
        std::string strays;
        harness::runCommand("ls -A '" + out + "' | grep -v -x -e stdout.txt -e stderr.txt -e shot.png", &strays);
        EXPECT_EQ(strays, "") << "files in the working folder";
        if (xdgFolders) {
            harness::runCommand("ls -A '" + home + "'", &strays);
            EXPECT_EQ(strays, "") << "nothing under HOME";
        }
    }
    harness::removeTree(xdg);
}

// A first timedemo of a new player: the log in the player's state folder, the CSV file where it
// was asked for, and no table or picture made for a player who has never played.
TEST_F(InstalledGame, TheTimedemoMakesNoHighScoreFilesForANewPlayer) {
    launch(installed({"--timedemo", "--timedemo-frames", "1", "--csv", "times.csv"}));
    for (int t = 0; t < 1800 && running(); ++t) childgame::sleepMs(100);
    ASSERT_EQ(exitCode(), 0) << console() << errors();
    EXPECT_NE(console().find("\ntotal "), std::string::npos) << console();
    EXPECT_TRUE(gamefolder::exists(out + "/times.csv")) << "named from the working folder";
    EXPECT_TRUE(gamefolder::exists(home + "/.local/state/lumivex/log.txt"));
    EXPECT_FALSE(gamefolder::exists(home + "/.local/share/lumivex/highscore.txt"));
    EXPECT_FALSE(gamefolder::exists(home + "/.local/share/lumivex/highscore.png"));
}

// The build's executable with the installed data named by a relative --data: the data is found
// from an unrelated folder and, not being portable, nothing but the player's folders is written.
TEST_F(InstalledGame, RelativeDataOption) {
    Launch how = installed({"--data", "../" + prefix.substr(prefix.rfind('/') + 1) + "/share/lumivex"});
    how.program = childgame::kGame;
    ASSERT_EQ(out.substr(0, out.rfind('/')), prefix.substr(0, prefix.rfind('/'))) << "both temporary folders";
    launch(how);
    ASSERT_TRUE(started()) << console() << errors();
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    EXPECT_TRUE(gamefolder::exists(home + "/.local/state/lumivex/log.txt"));
    EXPECT_EQ(harness::readFileText(home + "/.local/share/lumivex/highscore.png"),
              harness::readFileText(prefix + "/share/lumivex/Textures/highscore-empty.png"));
}

// A copy of the build folder, started by its path from elsewhere: portable, so the log goes
// beside the data and the home stays empty.
TEST_F(InstalledGame, PortableFolderKeepsItsFilesBesideTheData) {
    const std::string copy = gamefolder::make("lumivex-portable");
    ASSERT_FALSE(copy.empty());
    std::remove((copy + "/log.txt").c_str());
    Launch how = installed();
    how.program = copy + "/lumivex";
    launch(how);
    ASSERT_TRUE(started()) << console() << errors();
    EXPECT_TRUE(waitFor(showing(gamefolder::titleColour()))) << console();
    key("Escape");
    EXPECT_EQ(exitCode(), 0) << console();
    EXPECT_EQ(harness::readFileText(copy + "/log.txt").rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u);
    std::string made;
    harness::runCommand("ls -A '" + home + "'", &made);
    EXPECT_EQ(made, "") << "nothing under HOME";
    harness::removeTree(copy);
}

}  // namespace
