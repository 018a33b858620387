#pragma once
// A long autoplay of the real Game object on the manual clock: seeded random key presses
// through every screen and all eleven styles, a frame's worth of time per frame, and after
// every frame the checks that a long session must keep passing (no GL error, every live
// object finite, the object count bounded). Shared by the soak test and bench/soak.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/Game.h"
#include "platform/Clock.h"
#include "support/GameFolder.h"

namespace soak {

struct Settings {
    uint32_t simulatedMs = 60000;
    uint32_t frameMs = 16;
    unsigned seed = 1;
    // Drawing is what costs under a software renderer: the simulation runs every frame, the
    // playing screen is drawn on every n-th.
    int drawEvery = 10;
    // Frames drawn per visit of an SSAO style (half a second each in software) before the
    // driver moves on.
    int ssaoDrawBudget = 2;
    uint32_t rssEveryMs = 10000;
    size_t objectLimit = 200;
};

struct Report {
    long frames = 0, draws = 0, games = 0, namesEntered = 0;
    size_t objectsMax = 0;
    unsigned stylesSeen = 0;   // bit i: the (i+1)-th style was drawn
    std::vector<long> rssKb;   // [i]: after (i+1) * rssEveryMs of simulated time
    long faults = 0;
    std::string firstFault;    // what the first failed frame check found
    double wallSeconds = 0;
};

inline long residentKb() {
    malloc_trim(0);  // what the allocator keeps in reserve is not the game's: only what it holds
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// The two occlusion styles (chain positions 2 and 3) cost the most a frame in software.
inline bool ssaoStyle(const Game& game) { return game.flight().style == 2 || game.flight().style == 3; }

inline bool finite(const float3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A private game folder as the working directory, the sound and resource start-ups run once.
// Returns the folder (empty on failure).
inline std::string startGameOnce() {
    static std::string folder;
    if (!folder.empty()) return folder;
    folder = gamefolder::make("lumivex-soak", gamefolder::Options{false, ""});
    if (folder.empty() || chdir(folder.c_str()) != 0) return folder = std::string();
    Game& game = Game::instance();
    game.initProjection();
    game.initSound();
    game.initResources();
    harness::glErrors();
    return folder;
}

class Driver {
public:
    explicit Driver(const Settings& s) : settings(s), rng(s.seed) {}

    Report run() {
        Game& game = Game::instance();
        const auto wallStart = std::chrono::steady_clock::now();
        testclock::enable(1000);
        for (uint32_t simulated = settings.frameMs; simulated <= settings.simulatedMs; simulated += settings.frameMs) {
            press(game);
            testclock::advance(settings.frameMs);
            game.idle();
            if (shouldDraw(game)) {
                game.display();
                ++report.draws;
                if (game.screen() == Playing) report.stylesSeen |= 1u << game.flight().style;
            }
            check(game);
            ++report.frames;
            if (simulated / settings.rssEveryMs > report.rssKb.size()) report.rssKb.push_back(residentKb());
        }
        testclock::disable();
        report.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        return report;
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    bool shouldDraw(const Game& game) {
        if (game.screen() != Playing) return report.frames % settings.drawEvery == 0;
        if (game.flight().style != drawnStyle) ssaoDraws = 0, drawnStyle = game.flight().style;
        if (ssaoStyle(game)) return ssaoDraws < settings.ssaoDrawBudget && ++ssaoDraws;
        return report.frames % settings.drawEvery == 0;
    }

    void press(Game& game) {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789 _-qm";
        const GameScreen screen = game.screen();
        if (screen == Title && chance(0.02)) {
            game.keyboard(chance(0.8) ? 's' : 'c', 0, 0);
        } else if (screen == Credits && chance(0.05)) {
            game.keyboard('b', 0, 0);
        } else if (screen == Highscore && chance(0.03)) {
            const int k = pick(3);
            if (k == 0) game.special(GLUT_KEY_INSERT, 0, 0);
            else game.keyboard(k == 1 ? 's' : 'm', 0, 0);
        } else if (screen == EnterName && chance(0.2)) {
            if (game.getHighscoreTable().getName().size() >= 6 && chance(0.5)) {
                game.keyboard(13, 0, 0);
                report.namesEntered += game.screen() == Highscore;
            } else {
                game.keyboard(chance(0.15) ? 8 : static_cast<unsigned char>(letters[pick(sizeof letters - 1)]), 0, 0);
            }
        } else if (screen == Playing) {
            playKeys(game);
        }
        if (game.screen() == Playing && !wasPlaying) ++report.games;
        wasPlaying = game.screen() == Playing;
    }

    void playKeys(Game& game) {
        // An SSAO style whose frames are spent is left at once, mostly forwards.
        if (ssaoStyle(game) && game.flight().style == drawnStyle && ssaoDraws >= settings.ssaoDrawBudget) {
            game.special(chance(0.7) ? GLUT_KEY_F3 : GLUT_KEY_F2, 0, 0);
            return;
        }
        // About one style change a second; mostly forwards while some style was never drawn.
        const bool touring = report.stylesSeen != (1u << 11) - 1;
        if (chance(touring ? 0.016 : 0.01)) game.special(GLUT_KEY_F3, 0, 0);
        if (chance(touring ? 0.004 : 0.008)) game.special(GLUT_KEY_F2, 0, 0);
        if (game.screen() != Playing || !chance(0.15)) return;
        static const int keys[] = {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_F1,
                                   GLUT_KEY_F4,   GLUT_KEY_F8,    GLUT_KEY_F7, 0};
        const int key = keys[pick(sizeof keys / sizeof keys[0])];
        if (key == 0) game.keyboard(' ', 0, 0);
        else if ((key == GLUT_KEY_LEFT || key == GLUT_KEY_RIGHT) && chance(0.5)) game.specialUp(key, 0, 0);
        else game.special(key, 0, 0);
    }

    void fault(const std::string& what) {
        if (report.faults++ == 0)
            report.firstFault = "frame " + std::to_string(report.frames) + ", screen " + std::to_string(Game::instance().screen()) +
                                ", style " + std::to_string(Game::instance().flight().style) + ": " + what;
    }

    void check(const Game& game) {
        if (const std::string errors = harness::glErrors(); !errors.empty()) fault("GL errors " + errors);
        const std::vector<GameObject*>& objects = game.flight().world.getActiveObjects();
        report.objectsMax = std::max(report.objectsMax, objects.size());
        if (objects.size() >= settings.objectLimit) fault(std::to_string(objects.size()) + " live objects");
        for (const GameObject* o : objects)
            if (!finite(o->getPosition()) || !finite(o->getVelocity())) {
                fault("an object with a non-finite position or velocity");
                break;
            }
        if (!std::isfinite(game.flight().forwardSpeed) || !finite(game.flight().chaseCamera.getEye()))
            fault("non-finite speed or camera");
    }

    Settings settings;
    std::mt19937 rng;
    Report report;
    int ssaoDraws = 0, drawnStyle = -1;
    bool wasPlaying = false;
};

inline Report run(const Settings& settings) { return Driver(settings).run(); }

}  // namespace soak
