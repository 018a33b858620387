// Ten simulated minutes of seeded random play of the real game in one window (the soak of
// tests/soak, ten times longer). Prints the resident memory after the first and the last
// minute, the frames, the most live objects at once and the wall time.
// Usage: bench_soak [simulated minutes] [seed] [draw every n-th frame]; run from the build's game folder.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "soak/Soak.h"

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 20261206u;
    const int drawEvery = argc > 3 ? std::atoi(argv[3]) : 0;
    if (minutes < 1) return 2;
    setenv("ALSOFT_DRIVERS", "null", 0);

    if (!openBenchWindow(&argc, argv, "Lumivex soak")) return 2;

    // The game's own console chatter (new games, terrain) would bury the figures.
    std::fflush(stdout);
    const int console = dup(STDOUT_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    const std::string folder = soak::startGameOnce();

    soak::Settings settings;
    settings.simulatedMs = static_cast<uint32_t>(minutes) * 60000u;
    settings.seed = seed;
    if (drawEvery > 0) settings.drawEvery = drawEvery;
    settings.rssEveryMs = 60000;
    const soak::Report r = soak::run(settings);

    std::fflush(stdout);
    dup2(console, STDOUT_FILENO);
    if (folder.empty()) {
        std::printf("could not set up the game folder\n");
        return 1;
    }
    std::printf("soak: %d simulated minutes, seed %u\n", minutes, seed);
    std::printf("frames %ld, drawn %ld, games %ld, names entered %ld, styles seen %d of 11 (mask 0x%03x)\n", r.frames, r.draws,
                r.games, r.namesEntered, __builtin_popcount(r.stylesSeen), r.stylesSeen);
    std::printf("objects max %zu\n", r.objectsMax);
    for (size_t i = 0; i < r.rssKb.size(); ++i) std::printf("RSS after minute %zu: %ld kB\n", i + 1, r.rssKb[i]);
    if (!r.rssKb.empty())
        std::printf("RSS at 1 min %ld kB, at %d min %ld kB, growth %ld kB\n", r.rssKb.front(), minutes,
                    r.rssKb.back(), r.rssKb.back() - r.rssKb.front());
    std::printf("wall time %.1f s\n", r.wallSeconds);
    std::printf("frame checks failed: %ld%s%s\n", r.faults, r.faults ? ", first: " : "", r.firstFault.c_str());
    harness::removeTree(folder);
    std::fflush(stdout);
    return r.faults == 0 ? 0 : 1;
}
