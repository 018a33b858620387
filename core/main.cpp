#include <X11/Xlib.h>
#include <fcntl.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Game.h"
#include "core/Replay.h"
#include "core/Timedemo.h"
#include "platform/Paths.h"

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION "unknown"
#endif

namespace {

// Some launchers and service managers start a program with standard input, output or error
// closed. The next file opened would take that number: the X connection as standard output
// takes every console line into the X protocol. And a console reader that went away must not
// end a flight: a failed console write is nothing.
void guardStandardStreams() {
    int fd;
    do {
        fd = open("/dev/null", O_RDWR);  // the lowest free number: a closed one first
    } while (fd >= 0 && fd <= 2);
    if (fd > 2) close(fd);
    signal(SIGPIPE, SIG_IGN);
}

// GLUT ends the process with its own words when there is no display; say it plainly first.
bool displayOpens() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    guardStandardStreams();
#ifdef __GLIBC__
    // A software GL driver's threads each get a heap of their own by default, and each keeps
    // what it once held: one shared heap holds 5 MB less at the peak, at no cost in frame time.
    mallopt(M_ARENA_MAX, 1);
#endif
    const std::string program = "lumivex";
    const paths::CommandLine line = paths::parseCommandLine(argc, argv);
    const paths::Environment env = paths::Environment::current();
    const paths::PlayerFiles xdgFiles = paths::playerFiles(env, false);
    switch (line.action) {
        case paths::CommandLine::Help:
            std::fputs(paths::usage(program, xdgFiles).c_str(), stdout);
            return 0;
        case paths::CommandLine::Version:
            std::printf("%s %s\n", program.c_str(), LUMIVEX_VERSION);
            return 0;
        case paths::CommandLine::Misuse:
            std::fputs(paths::misuse(program, line, xdgFiles).c_str(), stderr);
            return 2;
        case paths::CommandLine::Play:
            break;
    }

    // Files named on the command line are named from where the game was started, not from the
    // data folder.
    const auto fromStart = [&env](const std::string& name) {
        return name.empty() || name[0] == '/' || env.workingDir.empty() ? name : env.workingDir + "/" + name;
    };
    const std::string csvFile = fromStart(line.csvFile);

    // A replay named on the command line is read now, from where the game was started; one that
    // cannot be played is refused before a window opens.
    replay::Replay recorded;
    if (!line.replayFile.empty()) {
        const std::string file = fromStart(line.replayFile);
        std::string why;
        if (!replay::load(file, &recorded, &why)) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
            return 1;
        }
    }

    const paths::DataFolder data = paths::findDataFolder(line.dataDir, env);
    if (data.folder.empty()) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), data.problem.c_str());
        return 1;
    }
    // Named before the game changes folder: a relative HOME is the starting folder's.
    const paths::PlayerFiles files = paths::playerFiles(env, data.portable);
    if (chdir(data.folder.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot enter the data folder %s: %s\n", program.c_str(), data.folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!displayOpens()) {
        const char* name = XDisplayName(nullptr);
        std::fprintf(stderr, "%s: cannot open the display \"%s\" (is DISPLAY set to a running X server?)\n",
                     program.c_str(), name ? name : "");
        return 1;
    }

    // The folder as the game now sees it: a relative --data names it from where the game started.
    char here[PATH_MAX];
    const std::string dataFolder = getcwd(here, sizeof here) ? here : ".";
    // Without its folders the game still plays; the table and the log are then not kept. The
    // timedemo leaves the table alone, even a missing one.
    for (const std::string& problem : paths::preparePlayerFiles(files, dataFolder, !line.timedemo))
        std::printf("%s\n", problem.c_str());
    Game& game = Game::instance();
    game.setPlayerFiles(files);

    // The options are all ours: GLUT sees only the program's name.
    int glutArgc = 1;
    if (line.timedemo) {
        TimedemoOptions options;
        options.framesPerStyle = line.timedemoFrames;
        options.csvFile = csvFile;
        options.renderScale = line.renderScale;
        runTimedemo(game, glutArgc, argv, options);
    }
    game.setSwapInterval(line.vsync ? 1 : 0);
    game.setStartFullscreen(line.fullscreen);
    if (!line.replayFile.empty()) game.setStartReplay(std::move(recorded));
    game.setStyleFrames(fromStart(line.styleFrames));
    game.run(glutArgc, argv);
    return 0;
}
