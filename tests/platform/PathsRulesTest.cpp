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

CommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "lumivex");
    return paths::parseCommandLine(static_cast<int>(args.size()), args.data());
}

unsigned modeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST(PathsCommandLine, Options) {
    EXPECT_EQ(parse({}).action, CommandLine::Play);
    EXPECT_EQ(parse({}).fullscreen, -1);
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Help);
    EXPECT_EQ(parse({"-h"}).action, CommandLine::Help);
    EXPECT_EQ(parse({"--windowed", "--version"}).action, CommandLine::Version);
    // Help wins over a later mistake: it is read first.
    EXPECT_EQ(parse({"--help", "--bogus"}).action, CommandLine::Help);

    const CommandLine data = parse({"--data", "/opt/x", "--fullscreen"});
    EXPECT_EQ(data.action, CommandLine::Play);
    EXPECT_EQ(data.dataDir, "/opt/x");
    EXPECT_EQ(data.fullscreen, 1);
    EXPECT_EQ(parse({"--data=rel/dir", "--fullscreen", "--windowed"}).dataDir, "rel/dir");
    EXPECT_EQ(parse({"--fullscreen", "--windowed"}).fullscreen, 0) << "the last one counts";
}

TEST(PathsCommandLine, TimedemoVsyncAndEveryMistake) {
    const CommandLine plain = parse({});
    EXPECT_TRUE(plain.vsync);
    EXPECT_FALSE(plain.timedemo);
    EXPECT_EQ(plain.timedemoFrames, paths::kTimedemoFrames);
    EXPECT_EQ(plain.csvFile, "");
    EXPECT_FALSE(parse({"--no-vsync"}).vsync);

    const CommandLine demo = parse({"--csv", "out.csv", "--timedemo-frames", "3", "--timedemo"});
    EXPECT_EQ(demo.action, CommandLine::Play) << demo.problem;
    EXPECT_TRUE(demo.timedemo);
    EXPECT_EQ(demo.timedemoFrames, 3);
    EXPECT_EQ(demo.csvFile, "out.csv");
    const CommandLine attached = parse({"--timedemo", "--timedemo-frames=100000", "--csv=/tmp/a b.csv"});
    EXPECT_EQ(attached.timedemoFrames, 100000);
    EXPECT_EQ(attached.csvFile, "/tmp/a b.csv");

    // Each mistake, wherever it stands on the line; GLUT's own options are not passed through.
    const std::pair<std::vector<const char*>, std::string> mistakes[] = {
        {{"--windowed", "--bogus"}, "unknown option --bogus"}, {{"stray"}, "unexpected argument stray"},
        {{"--data"}, "--data needs a folder"}, {{"--data="}, "--data needs a folder"},
        {{"-display", ":3"}, "unknown option -display"},
        {{"--csv", "t.csv"}, "--csv goes with --timedemo"},
        {{"--timedemo-frames", "3"}, "--timedemo-frames goes with --timedemo"},
        {{"--timedemo", "--csv"}, "--csv needs a file name"},
        {{"--timedemo", "--csv="}, "--csv needs a file name"},
        {{"--timedemo", "--timedemo-frames"}, "--timedemo-frames needs a number of frames from 1 to 100000"},
        {{"--timedemo", "--timedemo-frames", "0"}, "--timedemo-frames needs a number of frames from 1 to 100000, not 0"},
        {{"--timedemo-frames", "-5", "--timedemo"},
         "--timedemo-frames needs a number of frames from 1 to 100000, not -5"},
        {{"--timedemo", "--timedemo-frames=12x"},
         "--timedemo-frames needs a number of frames from 1 to 100000, not 12x"},
        {{"--timedemo", "--timedemo-frames", "100001"},
         "--timedemo-frames needs a number of frames from 1 to 100000, not 100001"},
        {{"--timedemo", "--timedemo-frames", "99999999999999999999"},
         "--timedemo-frames needs a number of frames from 1 to 100000, not 99999999999999999999"},
        {{"--timedemo", "--vsync"}, "unknown option --vsync"},
        {{"--timedemos"}, "unknown option --timedemos"},
    };
    for (const auto& [args, problem] : mistakes) {
        const CommandLine line = parse(args);
        EXPECT_EQ(line.action, CommandLine::Misuse) << problem;
        EXPECT_EQ(line.problem, problem);
    }
}

TEST(PathsCommandLine, HelpNamesTheKeysAndThePlayersFilesAndMisuseAddsTheProblem) {
    paths::Environment env;
    env.home = "/home/ada";
    env.stateHome = "/var/ada-state";
    const paths::PlayerFiles files = paths::playerFiles(env, false);
    const std::string help = paths::usage("lumivex", files);
    EXPECT_EQ(help.rfind("Usage: lumivex [OPTION]...\n", 0), 0u) << help;
    for (const char* part : {"--data DIR", "--fullscreen", "--windowed", "--version", "Escape, Q", "S, Insert",
                             "--no-vsync", "--timedemo ", "--timedemo-frames N", "(default 120)", "--csv FILE", "F10",
                             "/home/ada/.local/share/lumivex/highscore.txt", "/home/ada/.local/share/lumivex/highscore.png",
                             "/var/ada-state/lumivex/log.txt", "  settings        /home/ada/.config/lumivex/settings.ini\n",
                             "portable.txt"})
        EXPECT_NE(help.find(part), std::string::npos) << part;

    CommandLine wrong;
    wrong.action = CommandLine::Misuse;
    wrong.problem = "unknown option --x";
    EXPECT_EQ(paths::misuse("lumivex", wrong, files), "lumivex: unknown option --x\n" + help);
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
        {"bo", "/start", "", "", "", "/start/bo/.local/share/lumivex/highscore.txt", "",
         "/start/bo/.config/lumivex/settings.ini"},
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
    EXPECT_TRUE(files.portable);
    EXPECT_EQ(files.table, "highscore.txt");
    EXPECT_EQ(files.picture, "Textures/highscore.png");
    EXPECT_EQ(files.log, "log.txt");
    EXPECT_EQ(files.settings, "settings.ini");
    EXPECT_TRUE(files.dataFolder.empty());
}

// A temporary tree with an installed layout (prefix/bin, prefix/share/lumivex), a portable
// folder and a folder without data.
class PathsFolders : public testing::Test {
protected:
    void SetUp() override {
        root = harness::makeTempDir("lumivex-paths");
        ASSERT_FALSE(root.empty());
        for (const char* dir : {"/prefix", "/prefix/bin", "/prefix/share", "/prefix/share/lumivex",
                                "/prefix/share/lumivex/Shader", "/prefix/share/lumivex/Textures", "/portable",
                                "/portable/Shader", "/empty", "/elsewhere", "/elsewhere/Shader", "/home"})
            ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0) << dir;
        harness::writeFileText(root + "/portable/portable.txt", "portable\n");
        harness::writeFileText(root + "/prefix/share/lumivex/Textures/highscore-empty.png", kPicture);
        env.home = root + "/home";
        env.workingDir = root + "/empty";
        env.executable = root + "/prefix/bin/lumivex";
    }
    void TearDown() override {
        ::chmod((root + "/home").c_str(), 0755);
        harness::removeTree(root);
    }

    const std::string kPicture = std::string("\x89PNG\r\n\x1a\n\0\0 initial", 19);
    std::string root;
    paths::Environment env;
};

TEST_F(PathsFolders, DataFolderOrderOptionEnvironmentPortableWorkingDirExecutableShare) {
    // Nothing beside the executable: the share folder.
    paths::DataFolder found = paths::findDataFolder("", env);
    EXPECT_EQ(found.folder, root + "/prefix/share/lumivex");
    EXPECT_FALSE(found.portable);
    EXPECT_TRUE(found.problem.empty());

    // Data beside the executable (the build layout) comes first, with its marker.
    ASSERT_EQ(mkdir((root + "/prefix/bin/Shader").c_str(), 0755), 0);
    harness::writeFileText(root + "/prefix/bin/portable.txt", "");
    found = paths::findDataFolder("", env);
    EXPECT_EQ(found.folder, root + "/prefix/bin");
    EXPECT_TRUE(found.portable);

    // A portable working directory beats the executable's folder; an unmarked one does not.
    env.workingDir = root + "/elsewhere";
    EXPECT_EQ(paths::findDataFolder("", env).folder, root + "/prefix/bin");
    env.workingDir = root + "/portable";
    found = paths::findDataFolder("", env);
    EXPECT_EQ(found.folder, root + "/portable");
    EXPECT_TRUE(found.portable);

    // The environment variable beats that, the option beats everything.
    env.dataDir = root + "/elsewhere";
    found = paths::findDataFolder("", env);
    EXPECT_EQ(found.folder, root + "/elsewhere");
    EXPECT_FALSE(found.portable);
    EXPECT_EQ(paths::findDataFolder(root + "/prefix/share/lumivex", env).folder, root + "/prefix/share/lumivex");
}

TEST_F(PathsFolders, NamedFoldersMustHoldTheDataAndNoneFoundSaysWhereItLooked) {
    paths::DataFolder found = paths::findDataFolder(root + "/empty", env);
    EXPECT_TRUE(found.folder.empty());
    EXPECT_EQ(found.problem, "the data folder " + root + "/empty (--data) does not hold the game's data");
    env.dataDir = root + "/missing";
    found = paths::findDataFolder("", env);
    EXPECT_TRUE(found.folder.empty());
    EXPECT_EQ(found.problem, "the data folder " + root + "/missing (LUMIVEX_DATA_DIR) is not a folder");

    env.dataDir.clear();
    env.executable = root + "/empty/lumivex";
    found = paths::findDataFolder("", env);
    EXPECT_TRUE(found.folder.empty());
    EXPECT_EQ(found.problem, "cannot find the game's data in " + root + "/empty, " + root +
                                 "/share/lumivex; name its folder with --data DIR or LUMIVEX_DATA_DIR");
}

TEST_F(PathsFolders, FirstStartMakesPrivateFoldersTheEmptyTableAndThePictureCopy) {
    const std::string data = root + "/prefix/share/lumivex";
    env.stateHome = root + "/state";  // a base folder that does not exist yet
    const paths::PlayerFiles files = paths::playerFiles(env, false);
    // The timedemo's start: the folders (for the log), but no table and no picture.
    EXPECT_TRUE(paths::preparePlayerFiles(files, data, false).empty());
    EXPECT_EQ(modeOf(files.stateFolder), 0700u);
    EXPECT_FALSE(exists(files.table));
    EXPECT_FALSE(exists(files.picture));
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    for (const std::string& folder : {files.dataFolder, files.stateFolder, files.configFolder})
        EXPECT_EQ(modeOf(folder), 0700u) << folder;
    EXPECT_EQ(modeOf(root + "/state"), 0700u) << "missing parents are private too";
    EXPECT_EQ(modeOf(root + "/home"), 0755u) << "existing folders keep their mode";
    EXPECT_EQ(harness::readFileText(files.table), "");
    EXPECT_EQ(harness::readFileText(files.picture), kPicture);
    EXPECT_FALSE(exists(files.log)) << "the log is the logger's to write";
    EXPECT_FALSE(exists(files.settings)) << "written when a setting changes";

    // A later start keeps what the player has.
    harness::writeFileText(files.table, "120;Ann\n");
    harness::writeFileText(files.picture, "the player's picture");
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    EXPECT_EQ(harness::readFileText(files.table), "120;Ann\n");
    EXPECT_EQ(harness::readFileText(files.picture), "the player's picture");

    // A dangling link in the picture's place is not written through.
    ASSERT_EQ(std::remove(files.picture.c_str()), 0);
    ASSERT_EQ(symlink((root + "/target.png").c_str(), files.picture.c_str()), 0);
    EXPECT_TRUE(paths::preparePlayerFiles(files, data).empty());
    EXPECT_FALSE(exists(root + "/target.png"));
}

TEST_F(PathsFolders, FailuresAreLinesAndPortableFoldersAreLeftAlone) {
    const std::string data = root + "/prefix/share/lumivex";
    env.dataHome = root + "/blocked";
    harness::writeFileText(root + "/blocked", "a file where a folder should be");
    paths::PlayerFiles files = paths::playerFiles(env, false);
    std::vector<std::string> problems = paths::preparePlayerFiles(files, data);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "Could not create the folder " + root + "/blocked/lumivex: Not a directory");
    EXPECT_EQ(modeOf(files.stateFolder), 0700u) << "the other folders are still made";

    // No initial picture in the data: said, and the table is still made.
    env.dataHome = root + "/fresh";
    files = paths::playerFiles(env, false);
    problems = paths::preparePlayerFiles(files, root + "/empty");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("Could not read the initial high-score picture " + root +
                                    "/empty/Textures/highscore-empty.png: ", 0),
              0u)
        << problems[0];
    EXPECT_TRUE(exists(files.table));

    const paths::PlayerFiles portable = paths::playerFiles(env, true);
    harness::ScopedCwd cwd(root + "/portable");
    ASSERT_TRUE(cwd.ok());
    EXPECT_TRUE(paths::preparePlayerFiles(portable, root + "/portable").empty());
    EXPECT_FALSE(exists(root + "/portable/highscore.txt"));
    EXPECT_FALSE(exists(root + "/portable/Textures"));
}

TEST(PathsEnvironment, CurrentReadsTheProcess) {
    setenv("LUMIVEX_DATA_DIR", "/somewhere", 1);
    setenv("XDG_STATE_HOME", "/st", 1);
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    unsetenv("HOME");
    const paths::Environment env = paths::Environment::current();
    if (home) setenv("HOME", savedHome.c_str(), 1);
    unsetenv("LUMIVEX_DATA_DIR");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(env.dataDir, "/somewhere");
    EXPECT_EQ(env.stateHome, "/st");
    EXPECT_FALSE(env.home.empty()) << "the password database's home stands in for an unset HOME";
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(env.workingDir, cwd);
    EXPECT_NE(env.executable.find("rules_platform"), std::string::npos) << env.executable;
}

}  // namespace
