// The playable game's costs: start-up to the first title frame, a Playing frame in each of
// the eleven styles against the title screen's frame and a bare frame (clear and swap), the smoothness of 60 simulated
// seconds of play, and the peak memory of that game. Run from the game folder:
//   cd build/game && ../bench/bench_game_bench
// Everything runs in a private copy of the game folder, so log.txt and highscore.txt of the
// real one stay untouched.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/Game.h"
#include "support/GameFolder.h"
#include "effects/EffectGroup.h"
#include "objects/Spaceship.h"
#include "terrain/Terrain.h"
#include "platform/Clock.h"
#include "support/GlHarness.h"

namespace harness {
void setWindow(int id);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStyleCount = 11;
constexpr int kToonStyle = 6;  // chain position of the style the smoothness run flies in

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A timedemo flight (the autopilot flies, hits cost nothing) moved on to the given style.
void flyInStyle(int style) {
    Game& game = Game::instance();
    testclock::enable(1000000);
    game.startDemo(FlightMode::Timedemo);
    for (int i = 0; i < style; ++i) game.showNextStyle();
    for (int i = 0; i <= style; ++i) testclock::advance(5), game.idle();
}

void createWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    glutInitWindowSize(800, 600);
    harness::setWindow(glutCreateWindow("Lumivex"));
    glewInit();
    glGetError();
}

// One start-up in this (child) process: "bare" is the window and a first cleared frame, "full"
// is the game's whole start-up up to its first title frame. Printed for the parent.
int startupChild(int argc, char** argv, const std::string& dir) {
    const auto t0 = Clock::now();
    createWindow(&argc, argv);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glFinish();
    const double bare = msSince(t0);

    Game& game = Game::instance();
    std::fflush(stdout);
    FILE* quiet = std::freopen("/dev/null", "w", stdout);  // the start-up's console lines
    game.initSound();
    const double sound = msSince(t0);
    game.initProjection();
    game.initResources();
    const double resources = msSince(t0);
    game.display();
    glFinish();
    const double full = msSince(t0);
    game.finishWarmUp();  // what the title frames after the first load and draw
    glFinish();
    const double ready = msSince(t0);
    if (quiet) std::fclose(quiet);
    std::fprintf(stderr, "STARTUP %.3f %.3f %.3f %.3f %.3f\n", bare, full, sound - bare, resources - sound, ready);
    std::fflush(stderr);
    harness::removeTree(dir);
    std::_Exit(0);  // the measurement is all this child is for
}

void measureStartup(const char* self) {
    std::vector<double> bare, full, sound, resources, ready;
    for (int i = 0; i < 5; ++i) {
        std::string out;
        harness::runCommand(std::string("'") + self + "' --startup-child 2>&1 >/dev/null | grep '^STARTUP'", &out);
        double b = 0, f = 0, s = 0, r = 0, w = 0;
        if (std::sscanf(out.c_str(), "STARTUP %lf %lf %lf %lf %lf", &b, &f, &s, &r, &w) == 5) {
            bare.push_back(b);
            full.push_back(f);
            sound.push_back(s);
            resources.push_back(r);
            ready.push_back(w);
        }
    }
    const double mb = median(bare), mf = median(full);
    std::printf("\nStart-up to the first title frame (5 runs, median): %.0f ms (target <= 500 ms)\n", mf);
    std::printf("  baseline, window and one cleared frame: %.0f ms; ratio %.1fx\n", mb, mb > 0 ? mf / mb : 0.0);
    std::printf("  of which sound start-up %.0f ms, the title's resources %.0f ms\n", median(sound), median(resources));
    std::printf("Every style loaded and drawn once, ready for a flight: %.0f ms\n", median(ready));
}

// Playing frames: one display per iteration, finished on the GPU.
void BM_BareFrame(benchmark::State& state) {
    for (auto _ : state) {
        glClearColor(0.1f, 0.2f, 0.3f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        glFinish();
    }
}

// The title screen as the game draws it: one full-window picture, the cheapest real frame.
void BM_TitleFrame(benchmark::State& state) {
    Game& game = Game::instance();
    testclock::enable(1000);  // the clock stands: the title's wait for the demo never ends here
    for (auto _ : state) {
        game.display();
        glFinish();
    }
    testclock::disable();
}

// range(1): the render scale's choice; Auto is given 90 frames to settle before the timing.
void BM_PlayingFrame(benchmark::State& state) {
    Game& game = Game::instance();
    const int choice = static_cast<int>(state.range(1));
    game.chooseRenderScale(choice);
    flyInStyle(static_cast<int>(state.range(0)));
    for (int i = 0; i < (choice == RenderScale::kAuto ? 90 : 1); ++i) game.display();
    // The scale Auto reaches may differ between repetitions: a counter, not the label (a label
    // that differs leaves the aggregate without one).
    state.SetLabel(std::string(game.currentStyle()->getName()) + " @" + RenderScale::name(choice));
    for (auto _ : state) {
        game.display();
        glFinish();
    }
    state.counters["scale %"] = game.getRenderScale().percent();
    testclock::disable();
}

// Keeps the median of every repeated benchmark, to print ratios against the bare frame.
// 60 simulated seconds of play in one style with spawning on, 50 ms of game time per frame.
void measureSmoothness(int style) {
    Game& game = Game::instance();
    flyInStyle(style);
    game.display();
    std::vector<double> frames, plain, withRecycle;
    int recycles = 0, objectsSeen = 0;
    for (int t = 0; t < 60000; t += 50) {
        const Terrain* terrain = game.getRenderer().getScenery().getTerrain();
        const TerrainChunk* firstChunk = terrain && !terrain->getChunks().empty() ? terrain->getChunks().front() : nullptr;

        const auto t0 = Clock::now();
        testclock::advance(50);
        game.idle();
        game.display();
        glFinish();
        const double ms = msSince(t0);

        const bool recycled = terrain && !terrain->getChunks().empty() && terrain->getChunks().front() != firstChunk;
        recycles += recycled;
        frames.push_back(ms);
        (recycled ? withRecycle : plain).push_back(ms);
        objectsSeen = std::max<int>(objectsSeen, static_cast<int>(game.flight().world.getActiveObjects().size()));
    }
    testclock::disable();
    const double med = median(frames);
    const double slowest = *std::max_element(frames.begin(), frames.end());
    std::vector<double> sorted = frames;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted[sorted.size() * 99 / 100];
    std::printf("\n60 simulated s of play in \"%s\" (%zu frames, 50 ms each, spawning on):\n",
                game.currentStyle()->getName(), frames.size());
    std::printf("  median frame %.1f ms, slowest %.1f ms, slowest/median %.2f (target <= 3)\n", med, slowest,
                med > 0 ? slowest / med : 0.0);
    std::printf("  99th percentile %.1f ms (%.2f x median, target <= 1.5)\n", p99, med > 0 ? p99 / med : 0.0);
    std::printf("  score %d, most live objects %d, ship z %.1f\n", game.flight().score, objectsSeen,
                game.flight().ship->getPosition().z);
    auto slowestOf = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    std::printf("  plain frames: %zu, median %.1f ms, slowest %.1f ms\n", plain.size(), median(plain), slowestOf(plain));
    std::printf("  frames with a terrain chunk recycled: %d, median %.1f ms, slowest %.1f ms\n", recycles,
                median(withRecycle), slowestOf(withRecycle));
    // The flight grows busier: the last quarter has the most objects to draw.
    const std::vector<double> lastQuarter(frames.end() - static_cast<long>(frames.size() / 4), frames.end());
    std::printf("  the last 15 s: median %.1f ms (%.2f x the whole flight's)\n", median(lastQuarter),
                med > 0 ? median(lastQuarter) / med : 0.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("Peak RSS after the 60 s game: %.1f MB (target <= 160 MB)\n", usage.ru_maxrss / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    gamefolder::Options options;
    options.knownPictures = false;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return 1;
    options.sourceDir = cwd;

    if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0) {
        const std::string dir = gamefolder::make("lumivex-bench-start", options);
        if (dir.empty() || chdir(dir.c_str()) != 0) return 1;
        return startupChild(argc, argv, dir);
    }

    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    self[n] = '\0';
    measureStartup(self);

    const std::string dir = gamefolder::make("lumivex-bench", options);
    if (dir.empty() || chdir(dir.c_str()) != 0) return 1;
    createWindow(&argc, argv);
    Game& game = Game::instance();
    std::fflush(stdout);
    const int saved = dup(1);
    FILE* quiet = std::freopen("/dev/null", "w", stdout);
    game.initSound();
    game.initProjection();
    game.initResources();
    std::fflush(stdout);
    if (quiet) dup2(saved, 1);
    close(saved);

    // The title frames that draw every style once before the first flight: out of the timing.
    testclock::enable(1000);
    for (int i = 0; i < 16; ++i) game.display();
    testclock::disable();
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("BareFrame", BM_BareFrame)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TitleFrame", BM_TitleFrame)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
    for (int choice : {100, RenderScale::kAuto})
        for (int i = 0; i < 11; ++i)
            benchmark::RegisterBenchmark("PlayingFrame", BM_PlayingFrame)
                ->Args({i, choice})
                ->Iterations(5)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);
    AggregateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const AggregateRun* bareRun = reporter.find("BareFrame");
    const AggregateRun* titleRun = reporter.find("TitleFrame");
    const double bare = bareRun ? bareRun->real : 0, title = titleRun ? titleRun->real : 0;
    std::printf("\nPlaying frame medians at 800x600 against the title frame (%.2f ms) and the bare frame (%.2f ms):\n",
                title, bare);
    std::printf("  %-40s %11s %8s %8s\n", "style @ render scale (scale reached)", "frame", "x title", "x bare");
    for (const AggregateRun* run : reporter.all())
        if (run->name.find("PlayingFrame") != std::string::npos)
            std::printf("  %-40s %8.2f ms %7.1fx %7.1fx\n",
                        (run->label + " (" + std::to_string(std::lround(run->counters.at("scale %"))) + " %)").c_str(),
                        run->real, title > 0 ? run->real / title : 0.0, bare > 0 ? run->real / bare : 0.0);

    game.chooseRenderScale(100);
    measureSmoothness(kToonStyle);
    harness::removeTree(dir);
    std::fflush(stdout);
    std::_Exit(0);  // skip the game's exit-time tear-down after the measurements
}
