#pragma once
// Where the game finds its data and where it keeps the player's files. No GL: the rules
// library holds it, and main decides everything here before a window exists.
//
// The data (Shader/, Textures/, Modells/, Sounds/, Faktos.ttf) is read-only; the game changes
// into its folder and reads it by relative names. What the game writes goes to the player's
// XDG folders, unless the data folder holds the portable marker: then the table, its picture
// and the log stay beside the data, as in the build folder.
#include <string>
#include <vector>

namespace paths {

// The file that makes a game folder portable.
constexpr const char* kPortableMarker = "portable.txt";
// A file every data folder has; where it is missing, there is no data.
constexpr const char* kDataProbe = "Shader";
// The picture of an empty table, copied for a player who has none yet.
constexpr const char* kInitialPicture = "Textures/highscore-empty.png";

// Frames the timedemo draws of each style unless --timedemo-frames says otherwise: enough for
// a median that moves little from run to run; and the most it accepts.
constexpr int kTimedemoFrames = 120;
constexpr int kMaxTimedemoFrames = 100000;

// What the command line asks for.
struct CommandLine {
    enum Action { Play, Help, Version, Misuse };
    Action action = Play;
    std::string dataDir;    // --data DIR; empty when not given
    int fullscreen = -1;    // --fullscreen 1, --windowed 0, -1 when neither was given
    bool vsync = true;      // false with --no-vsync
    bool timedemo = false;  // --timedemo: the scripted flight that measures every style
    int timedemoFrames = kTimedemoFrames;  // --timedemo-frames N
    std::string csvFile;    // --csv FILE: the timedemo's table also as CSV; empty when not given
    std::string replayFile; // --replay FILE: play that replay back and exit; empty when not given
    std::string styleFrames;  // --style-frames DIR: a picture of every style a flight reaches
    int renderScale = 100;  // --render-scale auto|100|75|50 for the timedemo; 0 is Auto
    std::string problem;    // what was wrong, for Misuse ("unknown option --x")
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// The part of the process environment the paths depend on.
struct Environment {
    std::string home;            // $HOME, or the password database's home when unset
    std::string dataHome;        // $XDG_DATA_HOME
    std::string stateHome;       // $XDG_STATE_HOME
    std::string configHome;      // $XDG_CONFIG_HOME
    std::string dataDir;         // $LUMIVEX_DATA_DIR
    std::string workingDir;      // the current directory
    std::string executable;      // the running program, links resolved (/proc/self/exe)

    static Environment current();
};

// The data folder that was chosen, or why none was.
struct DataFolder {
    std::string folder;          // absolute or as given; empty when none was found
    bool portable = false;       // the folder holds the portable marker
    std::string problem;         // one line for the player when folder is empty
};

// In this order: --data, $LUMIVEX_DATA_DIR (both must hold the data), the working directory
// when it is a portable game folder, the executable's folder, ../share/lumivex beside it.
DataFolder findDataFolder(const std::string& optionDir, const Environment& env);

// The places of the files the game writes. The default is the portable layout, relative to the
// data folder (the working directory), as the tests that run the game in-process expect.
struct PlayerFiles {
    bool portable = true;
    std::string dataFolder;      // XDG: the player's own data folder; portable: empty
    std::string stateFolder;
    std::string configFolder;
    std::string table = "highscore.txt";
    std::string picture = "Textures/highscore.png";
    std::string log = "log.txt";
    std::string settings = "settings.ini";
    std::string daily = "daily.txt";  // the daily course's table
    std::string stats = "stats.txt";
};

// An XDG base folder: the variable when it holds an absolute path (relative ones are invalid
// and ignored), else home + fallback (".local/share", ".local/state", ".config").
std::string baseFolder(const std::string& variable, const std::string& home, const char* fallback);

// The XDG places for env (a relative HOME taken from env.workingDir), or the portable ones.
PlayerFiles playerFiles(const Environment& env, bool portable);

// Creates the player's folders (missing ones with mode 0700) and, when the table or the
// picture is missing there, makes them (unless withTable is false): the table empty, the picture
// a copy of the data folder's initial picture. Nothing is done for a portable folder. Returns
// one line per failure; the game plays on without them and says so.
std::vector<std::string> preparePlayerFiles(const PlayerFiles& files, const std::string& dataFolder,
                                            bool withTable = true);

// Creates path and its missing parents, each with mode; false with errno set on failure.
bool makeFolders(const std::string& path, unsigned mode);

// The --help text: usage, options, keys and where the files are kept.
std::string usage(const std::string& program, const PlayerFiles& xdgFiles);
// What goes to standard error for a wrong command line: the problem, then the usage.
std::string misuse(const std::string& program, const CommandLine& line, const PlayerFiles& xdgFiles);

}  // namespace paths
