#include "platform/Paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/RenderScale.h"
#include "platform/ReadFile.h"

namespace paths {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool isFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string parentOf(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

DataFolder chosen(const std::string& folder) {
    DataFolder result;
    result.folder = folder;
    result.portable = exists(join(folder, kPortableMarker));
    return result;
}

// A folder named by the player must hold the data; saying so now is clearer than the shader
// and model messages a wrong folder would give later.
DataFolder named(const std::string& folder, const char* how) {
    DataFolder result;
    if (!isFolder(folder))
        result.problem = std::string("the data folder ") + folder + " (" + how + ") is not a folder";
    else if (!isFolder(join(folder, kDataProbe)))
        result.problem = std::string("the data folder ") + folder + " (" + how + ") does not hold the game's data";
    else
        result = chosen(folder);
    return result;
}

// Writes data into a new file; an existing one is never replaced (another start may have
// made it meanwhile) and never followed when it is a link.
bool createFile(const std::string& path, const std::string& data) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno == EEXIST;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            close(fd);
            unlink(path.c_str());
            errno = error;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return close(fd) == 0;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    auto wrong = [&line](const std::string& problem) {
        line.action = CommandLine::Misuse;
        line.problem = problem;
        return line;
    };
    // "--name VALUE" or "--name=VALUE"; false when the value is missing or empty.
    int i = 1;
    auto valueOf = [&](const std::string& arg, const std::string& name, std::string* value) {
        if (arg != name) {
            *value = arg.substr(name.size() + 1);
        } else if (i + 1 < argc) {
            *value = argv[++i];
        } else {
            value->clear();
        }
        return !value->empty();
    };
    auto is = [](const std::string& arg, const std::string& name) { return arg == name || arg.rfind(name + "=", 0) == 0; };
    bool framesGiven = false;
    bool csvGiven = false;
    bool scaleGiven = false;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Help;
            return line;
        } else if (arg == "--version") {
            line.action = CommandLine::Version;
            return line;
        } else if (arg == "--fullscreen") {
            line.fullscreen = 1;
        } else if (arg == "--windowed") {
            line.fullscreen = 0;
        } else if (arg == "--no-vsync") {
            line.vsync = false;
        } else if (arg == "--timedemo") {
            line.timedemo = true;
        } else if (is(arg, "--data")) {
            if (!valueOf(arg, "--data", &line.dataDir)) return wrong("--data needs a folder");
        } else if (is(arg, "--replay")) {
            if (!valueOf(arg, "--replay", &line.replayFile)) return wrong("--replay needs a replay file");
        } else if (is(arg, "--style-frames")) {
            if (!valueOf(arg, "--style-frames", &line.styleFrames)) return wrong("--style-frames needs a folder");
        } else if (is(arg, "--csv")) {
            if (!valueOf(arg, "--csv", &line.csvFile)) return wrong("--csv needs a file name");
            csvGiven = true;
        } else if (is(arg, "--render-scale")) {
            std::string scale;
            if (!valueOf(arg, "--render-scale", &scale) || !RenderScale::parse(scale, &line.renderScale))
                return wrong("--render-scale needs auto, 100, 75 or 50");
            scaleGiven = true;
        } else if (is(arg, "--timedemo-frames")) {
            std::string count;
            const bool given = valueOf(arg, "--timedemo-frames", &count);
            const bool digits = given && count.size() <= 6 && count.find_first_not_of("0123456789") == std::string::npos;
            const long frames = digits ? std::strtol(count.c_str(), nullptr, 10) : 0;
            if (frames < 1 || frames > kMaxTimedemoFrames)
                return wrong("--timedemo-frames needs a number of frames from 1 to " + std::to_string(kMaxTimedemoFrames) +
                             (given ? ", not " + count : std::string()));
            line.timedemoFrames = static_cast<int>(frames);
            framesGiven = true;
        } else {
            return wrong((arg.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + arg);
        }
    }
    // The order on the line does not matter, so these are checked once it has been read.
    if (line.timedemo && !line.replayFile.empty()) return wrong("--replay and --timedemo cannot go together");
    if (csvGiven && !line.timedemo) return wrong("--csv goes with --timedemo");
    if (framesGiven && !line.timedemo) return wrong("--timedemo-frames goes with --timedemo");
    if (scaleGiven && !line.timedemo) return wrong("--render-scale goes with --timedemo");
    return line;
}

Environment Environment::current() {
    Environment env;
    env.home = variable("HOME");
    if (env.home.empty()) {
        const passwd* pw = getpwuid(getuid());
        if (pw && pw->pw_dir) env.home = pw->pw_dir;
    }
    env.dataHome = variable("XDG_DATA_HOME");
    env.stateHome = variable("XDG_STATE_HOME");
    env.configHome = variable("XDG_CONFIG_HOME");
    env.dataDir = variable("LUMIVEX_DATA_DIR");
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer)) env.workingDir = buffer;
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) env.executable.assign(buffer, static_cast<std::size_t>(n));
    return env;
}

DataFolder findDataFolder(const std::string& optionDir, const Environment& env) {
    if (!optionDir.empty()) return named(optionDir, "--data");
    if (!env.dataDir.empty()) return named(env.dataDir, "LUMIVEX_DATA_DIR");
    // A portable game folder as the working directory: how the build folder and its copies
    // have always been started.
    if (!env.workingDir.empty() && exists(join(env.workingDir, kPortableMarker))) return chosen(env.workingDir);
    std::vector<std::string> tried;
    if (!env.executable.empty()) {
        const std::string bin = parentOf(env.executable);
        for (const std::string& candidate : {bin, join(parentOf(bin), "share/lumivex")}) {
            if (isFolder(join(candidate, kDataProbe))) return chosen(candidate);
            tried.push_back(candidate);
        }
    }
    DataFolder none;
    none.problem = "cannot find the game's data";
    for (std::size_t i = 0; i < tried.size(); ++i) none.problem += (i ? ", " : " in ") + tried[i];
    none.problem += "; name its folder with --data DIR or LUMIVEX_DATA_DIR";
    return none;
}

std::string baseFolder(const std::string& variable, const std::string& home, const char* fallback) {
    if (!variable.empty() && variable[0] == '/') return variable;
    return join(home, fallback);
}

PlayerFiles playerFiles(const Environment& env, bool portable) {
    PlayerFiles files;
    if (portable) return files;
    files.portable = false;
    // A relative HOME means the folder where the game was started; the game changes into its
    // data folder before it writes anything.
    const std::string home = !env.home.empty() && env.home[0] != '/' ? join(env.workingDir, env.home) : env.home;
    files.dataFolder = join(baseFolder(env.dataHome, home, ".local/share"), "lumivex");
    files.stateFolder = join(baseFolder(env.stateHome, home, ".local/state"), "lumivex");
    files.configFolder = join(baseFolder(env.configHome, home, ".config"), "lumivex");
    files.table = join(files.dataFolder, "highscore.txt");
    files.picture = join(files.dataFolder, "highscore.png");
    files.log = join(files.stateFolder, "log.txt");
    files.settings = join(files.configFolder, "settings.ini");
    files.daily = join(files.dataFolder, "daily.txt");
    files.stats = join(files.dataFolder, "stats.txt");
    return files;
}

bool makeFolders(const std::string& path, unsigned mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (isFolder(path)) return true;
    const std::string parent = parentOf(path);
    if (parent != path && !isFolder(parent) && !makeFolders(parent, mode)) return false;
    if (mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
    if (errno == EEXIST && isFolder(path)) return true;
    if (errno == EEXIST) errno = ENOTDIR;
    return false;
}

std::vector<std::string> preparePlayerFiles(const PlayerFiles& files, const std::string& dataFolder, bool withTable) {
    std::vector<std::string> problems;
    if (files.portable) return problems;
    for (const std::string& folder : {files.dataFolder, files.stateFolder, files.configFolder})
        if (!makeFolders(folder, 0700))
            problems.push_back("Could not create the folder " + folder + ": " + std::strerror(errno));
    if (!withTable) return problems;

    if (!exists(files.table) && isFolder(files.dataFolder) && !createFile(files.table, std::string()))
        problems.push_back("Could not create the high-score table " + files.table + ": " + std::strerror(errno));
    if (!exists(files.picture) && isFolder(files.dataFolder)) {
        const std::string from = join(dataFolder, kInitialPicture);
        const files::ReadResult initial = files::readRegularFile(from, files::kPictureLimit);
        if (!initial.ok())
            problems.push_back("Could not read the initial high-score picture " + from + ": " +
                               files::describe(initial));
        else if (!createFile(files.picture, initial.data))
            problems.push_back("Could not create the high-score picture " + files.picture + ": " +
                               std::strerror(errno));
    }
    return problems;
}

std::string usage(const std::string& program, const PlayerFiles& xdg) {
    return "Usage: " + program + " [OPTION]...\n"
           "Lumivex: fly over an endless landscape through eleven render styles.\n"
           "\n"
           "Options:\n"
           "  --data DIR      read the game's data from DIR (also: LUMIVEX_DATA_DIR)\n"
           "  --fullscreen    start in full screen\n"
           "  --windowed      start in a window\n"
           "  --no-vsync      draw frames as fast as possible, without waiting for the\n"
           "                  display's refresh\n"
           "  --timedemo      fly a fixed, scripted course through all eleven styles, print\n"
           "                  the frame times of each (median, 99th percentile, slowest, fps)\n"
           "                  and exit; never touches the high-score table\n"
           "  --timedemo-frames N\n"
           "                  frames drawn of each style in the timedemo (default " + std::to_string(kTimedemoFrames) + ")\n"
           "  --csv FILE      also write the timedemo's table to FILE as CSV\n"
           "  --render-scale auto|100|75|50\n"
           "                  the timedemo's 3D scene at that share of the window (default 100)\n"
           "  --replay FILE   play a kept flight back exactly (P pause, F fast forward,\n"
           "                  Esc stop), print \"Replay finished: score N\" and exit; exit 1\n"
           "                  when it cannot be played exactly\n"
           "  --style-frames DIR\n"
           "                  write a picture of every style a flight (or a replay) reaches,\n"
           "                  two seconds into it, to DIR/style-NN.png\n"
           "  -h, --help      show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n"
           "Keys (the flight keys can be changed on the settings screen):\n"
           "  Left, Right     steer\n"
           "  Up              jump\n"
           "  Down            sink faster while in the air\n"
           "  Space, F7       fire (when you have bullets)\n"
           "  P, Pause        pause and resume (the game also pauses when its window is hidden)\n"
           "  O               settings (title screen)\n"
           "  F11, Alt+Enter  fullscreen or window\n"
           "  -, +            music volume; [, ] effects volume; 0 sound off and on\n"
           "  Gamepad         stick steers; button 1 jumps, 2 fires, 8 (Start) starts and pauses\n"
           "  S, Insert       start a game (title and high-score screens)\n"
           "  C               credits (title screen)\n"
           "  R               replays: the latest ten flights and the best (title screen)\n"
           "  D               the daily course: today's flight, the same for every player\n"
           "  G               grade: Relaxed, Normal or Arcade (title and high-score screens)\n"
           "  B               back to the title (credits screen)\n"
           "  T               statistics (title and high-score screens)\n"
           "  M               title screen; pauses or resumes the music\n"
           "  Escape, Q, F12  quit; in flight they pause (during name entry only Escape quits)\n"
           "  F10             show or hide the frame rate (any screen)\n"
           "  letters, digits, space, _ and -, Backspace, Enter: type your name after a game\n"
           "\n"
           "Files:\n"
           "  high scores     " + xdg.table + "\n"
           "                  " + xdg.picture + "\n"
           "                  and the other grades' beside them (highscore-arcade.txt, ...)\n"
           "  replays         " + xdg.dataFolder + "/replays/\n"
           "  statistics      " + xdg.stats + "\n"
           "  daily course    " + xdg.daily + "\n"
           "  log             " + xdg.log + "\n"
           "  settings        " + xdg.settings + "\n"
           "  (XDG_DATA_HOME, XDG_STATE_HOME and XDG_CONFIG_HOME move them.) A data folder that\n"
           "  holds the file " + kPortableMarker + " is portable: the game keeps its files there.\n"
           "\n"
           "The data is found in this order: --data, LUMIVEX_DATA_DIR, the working directory if it\n"
           "is portable, the program's folder, ../share/lumivex beside it.\n";
}

std::string misuse(const std::string& program, const CommandLine& line, const PlayerFiles& xdg) {
    return program + ": " + line.problem + "\n" + usage(program, xdg);
}

}  // namespace paths
