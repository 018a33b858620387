#include "core/Timedemo.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/FrameStats.h"
#include "core/Game.h"
#include "core/RenderScale.h"
#include "effects/EffectGroup.h"
#include "framework/ShaderProgram.h"
#include "platform/Clock.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// 60 simulated frames a second, on the manual clock from a fixed start.
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr uint32_t kStartMs = 1000000;

struct Course {
    TimedemoOptions options;
    int programsBefore = 0;           // shader programs built before the first timed frame
    long frameIndex = 0;              // frames drawn since the flight started, the warm-up first
    SteadyClock::time_point lastSwap;
    EffectGroup* style = nullptr;      // the style being timed
    std::vector<std::string> names;   // per style flown so far
    std::vector<std::vector<double>> times;
    std::vector<std::vector<double>> scales;  // each frame's scene scale, percent
};

Course course;

void setClockForFrame(long index) {
    testclock::set(kStartMs + static_cast<uint32_t>(std::lround(static_cast<double>(index) * kFrameMs)));
}

[[noreturn]] void finish() {
    std::vector<framestats::Summary> rows;
    std::vector<double> all, allScales;
    for (size_t i = 0; i < course.times.size(); ++i) {
        rows.push_back(framestats::summarize(course.names[i], course.times[i], course.scales[i]));
        all.insert(all.end(), course.times[i].begin(), course.times[i].end());
        allScales.insert(allScales.end(), course.scales[i].begin(), course.scales[i].end());
    }
    const framestats::Summary total = framestats::summarize("total", all, allScales);
    std::printf("\nTimedemo: %d frames of each style, %.2f ms of game time a frame, render scale %s, "
                "%d shader programs built during the flight\n",
                course.options.framesPerStyle, kFrameMs, RenderScale::name(course.options.renderScale).c_str(),
                ShaderProgram::loadCount() - course.programsBefore);
    std::fputs(framestats::formatTable(rows, total).c_str(), stdout);
    // The most the process ever held, start-up and warm-up included: the flight's peak.
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) std::printf("Peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    std::fflush(stdout);

    if (!course.options.csvFile.empty()) {
        const std::string csv = framestats::formatCsv(rows, total);
        errno = 0;
        FILE* f = std::fopen(course.options.csvFile.c_str(), "w");
        const bool written = f && std::fwrite(csv.data(), 1, csv.size(), f) == csv.size();
        int error = errno;
        const bool closed = f && std::fclose(f) == 0;
        if (written && !closed) error = errno;  // a full disk may only show when the file is closed
        if (!written || !closed) {
            std::fprintf(stderr, "lumivex: cannot write the timedemo's table to %s: %s\n",
                         course.options.csvFile.c_str(), std::strerror(error ? error : EIO));
            std::exit(1);
        }
    }
    std::exit(0);
}

// One frame of the course: the simulation moved on by one frame's time, the frame drawn and
// swapped, the GL work finished so the time is the frame's real cost.
void timedemoDisplay() {
    Game& game = Game::instance();
    setClockForFrame(++course.frameIndex);
    game.idle();
    EffectGroup* drawn = game.currentStyle();
    game.display();
    const double scale = game.getRenderer().getSceneScale() * 100.0;  // the scale this frame was drawn at
    glFinish();
    const SteadyClock::time_point now = SteadyClock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - course.lastSwap).count();
    course.lastSwap = now;

    if (course.times.empty() || drawn != course.style) {
        course.style = drawn;
        course.names.push_back(drawn ? drawn->getName() : "");
        course.times.emplace_back();
        course.scales.emplace_back();
    }
    course.times.back().push_back(ms);
    course.scales.back().push_back(scale);
    if (static_cast<int>(course.times.back().size()) < course.options.framesPerStyle) return;
    if (!drawn || !drawn->getNext()) finish();
    game.showNextStyle();
}

// Only the quit keys do anything: the course is the same whoever sits at the keyboard.
void timedemoKeyboard(unsigned char key, int, int) {
    if (key == 27 || key == 'q') std::exit(0);
}

}  // namespace

void runTimedemo(Game& game, int argc, char** argv, const TimedemoOptions& options) {
    course.options = options;
    // From the start on, so every seed and every step is the same in every run.
    testclock::enable(kStartMs);
    game.setSwapInterval(0);
    game.setUseSettingsFile(false);  // the same frames whatever the player has set
    game.chooseRenderScale(options.renderScale);
    game.startUp(argc, argv);

    glutDisplayFunc(timedemoDisplay);
    glutIdleFunc(nullptr);
    glutKeyboardFunc(timedemoKeyboard);
    glutSpecialFunc(nullptr);
    glutSpecialUpFunc(nullptr);

    game.startDemo(FlightMode::Timedemo);
    // One frame before the first timed one: its swap starts the first frame's time.
    setClockForFrame(0);
    game.display();
    glFinish();
    course.lastSwap = SteadyClock::now();
    course.programsBefore = ShaderProgram::loadCount();
    glutMainLoop();
    std::exit(0);  // the main loop does not return; the course ends in finish
}
