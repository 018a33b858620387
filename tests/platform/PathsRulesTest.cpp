// Where the game finds its data and keeps the player's files, without a display: the command
// line, the order of the data folders, the XDG folders and what the first start makes there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/Paths.h"
#include "support/TestFiles.h"

namespace {

using paths::CommandLine;

// What a command line asks for, as one text: the problem of a wrong one.
std::string said(std::vector<const char*> args) {
    args.insert(args.begin(), "lumivex");
    const CommandLine c = paths::parseCommandLine(static_cast<int>(args.size()), args.data());
    if (c.action != CommandLine::Play)
        return c.action == CommandLine::Help ? "help" : c.action == CommandLine::Version ? "version" : c.problem;
    return "play " + c.dataDir + " " + std::to_string(c.fullscreen) + (c.vsync ? "" : " no-vsync") +
           (c.timedemo ? " timedemo " + std::to_string(c.timedemoFrames) + " " + c.csvFile : "");
}

unsigned modeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Every option, alone and together, and each mistake wherever it stands on the line. Help wins
// over a later mistake: it is read first. GLUT's own options are not passed through.
TEST(PathsCommandLine, EveryOptionAndEveryMistake) {
    const std::string frames = "--timedemo-frames needs a number of frames from 1 to 100000";
    const std::pair<std::vector<const char*>, std::string> lines[] = {
        {{}, "play  -1"}, {{"--no-vsync"}, "play  -1 no-vsync"},
        {{"--help"}, "help"}, {{"-h"}, "help"}, {{"--help", "--bogus"}, "help"}, {{"--windowed", "--version"}, "version"},
        {{"--data", "/opt/x", "--fullscreen"}, "play /opt/x 1"},
        {{"--data=rel/dir", "--fullscreen", "--windowed"}, "play rel/dir 0"},  // the last one counts
        {{"--csv", "out.csv", "--timedemo-frames", "3", "--timedemo"}, "play  -1 timedemo 3 out.csv"},
        {{"--timedemo", "--timedemo-frames=100000", "--csv=/tmp/a b.csv"}, "play  -1 timedemo 100000 /tmp/a b.csv"},
        {{"--windowed", "--bogus"}, "unknown option --bogus"}, {{"stray"}, "unexpected argument stray"},
        {{"-display", ":3"}, "unknown option -display"}, {{"--timedemos"}, "unknown option --timedemos"},
        {{"--data"}, "--data needs a folder"}, {{"--data="}, "--data needs a folder"},
        {{"--csv", "t.csv"}, "--csv goes with --timedemo"}, {{"--timedemo", "--csv"}, "--csv needs a file name"},
        {{"--timedemo-frames", "3"}, "--timedemo-frames goes with --timedemo"}, {{"--timedemo", "--timedemo-frames"}, frames},
        {{"--timedemo", "--timedemo-frames", "0"}, frames + ", not 0"}, {{"--timedemo-frames", "-5", "--timedemo"}, frames + ", not -5"},
        {{"--timedemo", "--timedemo-frames", "100001"}, frames + ", not 100001"},
        {{"--timedemo", "--timedemo-frames", "99999999999999999999"}, frames + ", not 99999999999999999999"},
    };
    for (const auto& [args, wanted] : lines) EXPECT_EQ(said(args), wanted);
}

TEST(PathsCommandLine, HelpNamesThePlayersFilesAndMisuseAddsTheProblem) {
    paths::Environment env;
    env.home = "/home/ada";
    env.stateHome = "/var/ada-state";
    const paths::PlayerFiles files = paths::playerFiles(env, false);
    const std::string help = paths::usage("lumivex", files);
    EXPECT_EQ(help.rfind("Usage: lumivex [OPTION]...\n", 0), 0u) << help;
    for (const char* part : {"/home/ada/.local/share/lumivex/highscore.txt", "/home/ada/.local/share/lumivex/highscore.png",
                             "/var/ada-state/lumivex/log.txt", "  settings        /home/ada/.config/lumivex/settings.ini\n"})
        EXPECT_NE(help.find(part), std::string::npos) << part;

    const char* const wrong[] = {"lumivex", "--x"};
    EXPECT_EQ(paths::misuse("lumivex", paths::parseCommandLine(2, wrong), files), "lumivex: unknown option --x\n" + help);
}

TEST(PathsPlayerFiles, XdgFoldersWithTheirFallbacks) {
    // HOME, the folder the game was started in, XDG_DATA_HOME, XDG_STATE_HOME, XDG_CONFIG_HOME;
    // then where the table, the log and the settings go (empty: not checked).
    const std::array<std::string, 8> cases[] = {
        {"/home/bo", "/", "", "", "", "/home/bo/.local/share/lumivex/highscore.txt",
         "/home/bo/.local/state/lumivex/log.txt", "/home/bo/.config/lumivex/settings.ini"},
        // A relative XDG variable is invalid and ignored.
        {"/home/bo", "/", "/data/", "/state", "relative/config", "/data/lumivex/highscore.txt", "/state/lumivex/log.txt",
         "/home/bo/.config/lumivex/settings.ini"},
        {"/home/bo", "/", "", "", "/etc-bo/", "", "", "/etc-bo/lumivex/settings.ini"},
        // A relative HOME is where the game was started, not the data folder it changes into.
        {"bo", "/start", "", "", "", "/start/bo/.local/share/lumivex/highscore.txt", "", "/start/bo/.config/lumivex/settings.ini"},
    };
    paths::Environment env;
    for (const auto& c : cases) {
        env.home = c[0], env.workingDir = c[1], env.dataHome = c[2], env.stateHome = c[3], env.configHome = c[4];
        const paths::PlayerFiles files = paths::playerFiles(env, false);
        EXPECT_FALSE(files.portable);
        const std::string got[] = {files.table, files.log, files.settings};
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(c[5 + i].empty() || got[i] == c[5 + i]) << got[i] << " for " << c[0] << " " << c[2] << c[3] << c[4];
    }
    EXPECT_EQ(paths::playerFiles(env, false).picture, "/start/bo/.local/share/lumivex/highscore.png");

    // Portable: the names beside the data, relative to it, as the build folder always had them.
    const paths::PlayerFiles files = paths::playerFiles(env, true);
    EXPECT_TRUE(files.portable && files.dataFolder.empty() && files.log == "log.txt" && files.settings == "settings.ini");
    EXPECT_TRUE(files.table == "highscore.txt" && files.picture == "Textures/highscore.png");
}

// A temporary tree with an installed layout (prefix/bin, prefix/share/lumivex), a build folder
// (the data beside the executable, with the portable marker), a portable folder and folders
// without data.
class PathsFolders : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(root.empty());
        for (const char* dir : {"/prefix", "/prefix/bin", "/prefix/share", "/prefix/share/lumivex", "/prefix/share/lumivex/Shader",
                                "/prefix/share/lumivex/Textures", "/build", "/build/Shader", "/portable", "/portable/Shader",
                                "/empty", "/elsewhere", "/elsewhere/Shader", "/home"})
            ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0) << dir;
        harness::writeFileText(root + "/portable/portable.txt", "portable\n");
        harness::writeFileText(root + "/build/portable.txt", "");
        harness::writeFileText(root + "/prefix/share/lumivex/Textures/highscore-empty.png", kPicture);
        env.home = root + "/home";
        env.workingDir = root + "/empty";
        env.executable = root + "/prefix/bin/lumivex";
    }
    void TearDown() override {
        ::chmod((root + "/home").c_str(), 0755);
        harness::removeTree(root);
    }
    // "@" in a text stands for the tree's folder.
    std::string at(std::string text) const {
        for (size_t i = text.find('@'); i != std::string::npos; i = text.find('@', i + root.size())) text.replace(i, 1, root);
        return text;
    }

    const std::string kPicture = std::string("\x89PNG\r\n\x1a\n\0\0 initial", 19);
    const std::string root = harness::makeTempDir("lumivex-paths");
    paths::Environment env;
};

// The option beats the environment variable, which beats a portable working directory, which
// beats the data beside the executable, which beats the share folder. Named folders must hold
// the data; when none is found the problem says where the game looked.
TEST_F(PathsFolders, DataFolderOrderOptionEnvironmentPortableWorkingDirExecutableShare) {
    const struct { const char *option, *variable, *working, *executable, *folder; bool portable; const char* problem; } cases[] = {
        {"", "", "@/empty", "@/prefix/bin/lumivex", "@/prefix/share/lumivex", false, ""},
        {"", "", "@/elsewhere", "@/build/lumivex", "@/build", true, ""},
        {"", "", "@/portable", "@/build/lumivex", "@/portable", true, ""},
        {"", "@/elsewhere", "@/portable", "@/build/lumivex", "@/elsewhere", false, ""},
        {"@/prefix/share/lumivex", "@/elsewhere", "@/portable", "@/build/lumivex", "@/prefix/share/lumivex", false, ""},
        {"@/empty", "", "@/portable", "@/build/lumivex", "", false, "the data folder @/empty (--data) does not hold the game's data"},
        {"", "@/missing", "@/portable", "@/build/lumivex", "", false, "the data folder @/missing (LUMIVEX_DATA_DIR) is not a folder"},
        {"", "", "@/empty", "@/empty/lumivex", "", false,
         "cannot find the game's data in @/empty, @/share/lumivex; name its folder with --data DIR or LUMIVEX_DATA_DIR"},
    };
    for (const auto& c : cases) {
        env.dataDir = at(c.variable), env.workingDir = at(c.working), env.executable = at(c.executable);
        const paths::DataFolder found = paths::findDataFolder(at(c.option), env);
        EXPECT_TRUE(found.folder == at(c.folder) && found.portable == c.portable && found.problem == at(c.problem))
            << c.option << " " << c.variable << " " << c.working << " " << c.executable << ": " << found.folder << found.problem;
    }
}

TEST_F(PathsFolders, FirstStartMakesPrivateFoldersTheEmptyTableAndThePictureCopy) {
    const std::string data = root + "/prefix/share/lumivex";
    env.stateHome = root + "/state";  // a base folder that does not exist yet
    const paths::PlayerFiles files = paths::playerFiles(env, false);
    // The timedemo's start: the folders (for the log), but no table and no picture.
    EXPECT_TRUE(paths::preparePlayerFiles(files, data, false).empty());
    EXPECT_EQ(modeOf(files.stateFolder), 0700u);
    EXPECT_FALSE(exists(files.table) || exists(files.picture));
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    for (const std::string& folder : {files.dataFolder, files.stateFolder, files.configFolder, root + "/state"})
        EXPECT_EQ(modeOf(folder), 0700u) << folder << ": missing parents are private too";
    EXPECT_EQ(modeOf(root + "/home"), 0755u) << "existing folders keep their mode";
    EXPECT_EQ(harness::readFileText(files.table), "");
    EXPECT_EQ(harness::readFileText(files.picture), kPicture);
    // The log is the logger's to write, the settings are written when one changes.
    EXPECT_FALSE(exists(files.log) || exists(files.settings));

    // A later start keeps what the player has.
    harness::writeFileText(files.table, "120;Ann\n");
    harness::writeFileText(files.picture, "the player's picture");
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    EXPECT_EQ(harness::readFileText(files.table) + harness::readFileText(files.picture), "120;Ann\nthe player's picture");

    // A dangling link in the picture's place is not written through.
    ASSERT_EQ(std::remove(files.picture.c_str()), 0);
    ASSERT_EQ(symlink((root + "/target.png").c_str(), files.picture.c_str()), 0);
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    EXPECT_FALSE(exists(root + "/target.png"));
}

TEST_F(PathsFolders, FailuresAreLinesAndPortableFoldersAreLeftAlone) {
    env.dataHome = root + "/blocked";
    harness::writeFileText(root + "/blocked", "a file where a folder should be");
    paths::PlayerFiles files = paths::playerFiles(env, false);
    EXPECT_EQ(paths::preparePlayerFiles(files, root + "/prefix/share/lumivex"),
              std::vector<std::string>{"Could not create the folder " + root + "/blocked/lumivex: Not a directory"});
    EXPECT_EQ(modeOf(files.stateFolder), 0700u) << "the other folders are still made";

    // No initial picture in the data: said, and the table is still made.
    env.dataHome = root + "/fresh";
    files = paths::playerFiles(env, false);
    const std::vector<std::string> problems = paths::preparePlayerFiles(files, root + "/empty");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("Could not read the initial high-score picture " + root + "/empty/Textures/highscore-empty.png: ", 0), 0u)
        << problems[0];
    EXPECT_TRUE(exists(files.table));

    harness::ScopedCwd cwd(root + "/portable");
    ASSERT_TRUE(cwd.ok());
    EXPECT_TRUE(paths::preparePlayerFiles(paths::playerFiles(env, true), root + "/portable").empty());
    EXPECT_FALSE(exists(root + "/portable/highscore.txt") || exists(root + "/portable/Textures"));
}

TEST(PathsEnvironment, CurrentReadsTheProcess) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    setenv("LUMIVEX_DATA_DIR", "/somewhere", 1), setenv("XDG_STATE_HOME", "/st", 1), unsetenv("HOME");
    const paths::Environment env = paths::Environment::current();
    if (home) setenv("HOME", savedHome.c_str(), 1);
    unsetenv("LUMIVEX_DATA_DIR"), unsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(env.dataDir == "/somewhere" && env.stateHome == "/st");
    EXPECT_FALSE(env.home.empty()) << "the password database's home stands in for an unset HOME";
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(env.workingDir, cwd);
    EXPECT_NE(env.executable.find("rules_platform"), std::string::npos) << env.executable;
}

}  // namespace
